#include "tools/Shaders.h"

namespace Content {
namespace Shaders {

const char* const TUNNEL_FILE = "tunnel.frag";
const char* const SPLIT_FILE = "split.frag";

// Both looks keep to sums, products, fract() and few texture reads: a machine without a GPU
// pays for every sine, arc tangent and read at each of the window's pixels.

std::string tunnel() {
    return R"(// A square tunnel rushing towards the viewer. Its walls light with the music's
// spectrum, the low notes at the top and bottom, the high ones at the sides; its rings
// flare on each beat. Scanlines and a vignette lie over it.
uniform float time;
uniform vec2 resolution;
uniform float beatTime;
uniform float alpha;
uniform sampler2D texture0; // the music's spectrum

void main() {
    vec2 p = (gl_FragCoord.xy - 0.5 * resolution) / resolution.y;
    vec2 side = abs(p);
    float r = max(max(side.x, side.y), 0.01);
    float across = side.x / (side.x + side.y + 0.0001);
    float depth = 0.2 / r + 1.5 * time;
    float rings = abs(fract(depth) - 0.5) * 2.0;
    float stripes = abs(fract(across * 4.0 + depth * 0.25) - 0.5) * 2.0;
    float level = texture2D(texture0, vec2(across * across * 0.4, 0.5)).r;
    float kick = max(1.0 - 3.0 * (time - beatTime), 0.0);
    vec3 colour = mix(vec3(0.08, 0.03, 0.25), vec3(1.0, 0.35, 0.75), rings * stripes);
    colour *= (0.35 + 1.3 * level * level + 0.8 * kick * kick) * min(r * 5.0, 1.0);
    vec2 centre = gl_FragCoord.xy / resolution - 0.5;
    float scan = fract(gl_FragCoord.y * 0.5) < 0.5 ? 1.0 : 0.85;
    colour *= scan * max(1.0 - 1.5 * dot(centre, centre), 0.0);
    gl_FragColor = vec4(colour, alpha);
}
)";
}

std::string split() {
    return R"(// Over the finished picture: red and blue torn apart from the centre, closing again
// over the node's span. Two reads a pixel, green the mean of both.
uniform vec2 resolution;
uniform float progress;
uniform sampler2D texture0; // what was drawn before

void main() {
    vec2 uv = gl_FragCoord.xy / resolution;
    vec2 split = (uv - 0.5) * 0.04 * (1.0 - progress);
    vec4 out1 = texture2D(texture0, uv + split);
    vec4 out2 = texture2D(texture0, uv - split);
    gl_FragColor = vec4(out1.r, 0.5 * (out1.g + out2.g), out2.b, 1.0);
}
)";
}

} // namespace Shaders
} // namespace Content
