// A warm ring that spreads from the middle on every beat, over darkened corners.
// The script sets beat (and beatTime, when it last fired) and the spline glow.
uniform vec2 resolution;
uniform float time;
uniform float beat;
uniform float beatTime;
uniform float glow;

void main() {
    vec2 p = (gl_FragCoord.xy - 0.5 * resolution) / resolution.y;
    float r = length(p);
    float since = time - beatTime;
    float ring = beat * glow * exp(-5.0 * since) *
                 smoothstep(0.03, 0.0, abs(r - 0.2 - 0.5 * since));
    float corners = 0.7 * smoothstep(0.45, 0.95, r);
    float alpha = clamp(ring + corners, 0.0, 1.0);
    gl_FragColor = vec4(vec3(1.0, 0.85, 0.5) * ring / max(alpha, 0.001), alpha);
}
