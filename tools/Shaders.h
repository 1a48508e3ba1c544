#pragma once

#include <string>

namespace Content {

// The demo's looks written in GLSL, played by the shader effect: files a maker can open and
// change while the demo plays.
namespace Shaders {

extern const char* const TUNNEL_FILE; // "tunnel.frag"
extern const char* const POST_FILE;   // "post.frag"

// Rings rushing out of a tunnel, lit by the music's spectrum (texture0) and pushed brighter on
// each beat (the trigger "beat"); drawn at the spline "alpha" over the knot.
std::string tunnel();
// Over the finished picture (texture0 = frame): red and blue split apart on each beat and
// close again, scanlines, and a vignette.
std::string post();

} // namespace Shaders

} // namespace Content
