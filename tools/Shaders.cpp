#include "tools/Shaders.h"

namespace Content {
namespace Shaders {

const char* const TUNNEL_FILE = "tunnel.frag";
const char* const POST_FILE = "post.frag";

std::string tunnel() {
    return R"(// A tunnel of rings rushing towards the viewer. Around the tunnel runs the music's
// spectrum, the low notes at the top; each beat lights the rings up for a moment.
uniform float time;
uniform vec2 resolution;
uniform float beatTime;
uniform float alpha;
uniform sampler2D texture0; // the music's spectrum

void main() {
    vec2 p = (gl_FragCoord.xy - 0.5 * resolution) / resolution.y;
    float r = max(length(p), 0.02);
    float turn = atan(p.x, p.y) / 6.2831853 + 0.5;
    float depth = 0.3 / r + 1.2 * time;
    float rings = 0.5 + 0.5 * sin(depth * 12.566);
    float spokes = 0.5 + 0.5 * sin((turn + 0.05 * time) * 50.265 + depth * 3.0);
    // Mirrored left and right, and the low bins spread out: that is where the music is.
    float bin = abs(turn * 2.0 - 1.0);
    float level = texture2D(texture0, vec2(bin * bin * 0.5, 0.5)).r;
    float kick = exp(-5.0 * max(time - beatTime, 0.0));
    vec3 colour = mix(vec3(0.08, 0.03, 0.25), vec3(1.0, 0.35, 0.75), rings * spokes);
    colour *= 0.3 + 1.4 * level * level + 0.7 * kick;
    colour *= smoothstep(0.02, 0.35, r);
    gl_FragColor = vec4(colour, alpha);
}
)";
}

std::string post() {
    return R"(// Over the finished picture: the red and blue parts split apart on each beat and close
// again, scanlines, and a vignette.
uniform float time;
uniform vec2 resolution;
uniform float beatTime;
uniform sampler2D texture0; // what was drawn before

void main() {
    vec2 uv = gl_FragCoord.xy / resolution;
    vec2 centre = uv - 0.5;
    float kick = exp(-8.0 * max(time - beatTime, 0.0));
    vec3 colour = texture2D(texture0, uv).rgb;
    // Three reads cost a frame on a machine without a GPU: only while the split shows.
    if (kick > 0.02) {
        vec2 split = centre * 0.03 * kick;
        colour.r = texture2D(texture0, uv + split).r;
        colour.b = texture2D(texture0, uv - split).b;
    }
    float scan = 0.9 + 0.1 * sin(gl_FragCoord.y * 3.14159);
    float vignette = clamp(1.0 - 1.2 * dot(centre, centre), 0.0, 1.0);
    gl_FragColor = vec4(colour * scan * vignette, 1.0);
}
)";
}

} // namespace Shaders
} // namespace Content
