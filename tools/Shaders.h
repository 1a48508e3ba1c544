#pragma once

#include <string>

namespace Content {

// The demo's looks written in GLSL, played by the shader effect: files a maker can open and
// change while the demo plays.
namespace Shaders {

extern const char* const TUNNEL_FILE; // "tunnel.frag"
extern const char* const SPLIT_FILE;  // "split.frag"

// A square tunnel rushing out of the screen, its walls lit by the music's spectrum (texture0),
// its rings by each beat (the trigger "beat"), under scanlines and a vignette; drawn at the
// spline "alpha".
std::string tunnel();
// Over the finished picture (texture0 = frame): red and blue split apart and close again over
// the node's span, placed on the beats.
std::string split();

} // namespace Shaders

} // namespace Content
