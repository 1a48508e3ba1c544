#pragma once

#include "tools/Canvas.h"

#include <vector>

namespace Content {

// The data of examples/hello-demo, the template for a demo of one's own.
namespace Example {

extern const char* const PICTURE_FILE; // "hello.png"
extern const char* const MUSIC_FILE;   // "hello.ogg"

// A round badge with "hello" across it, clear around the badge.
Canvas picture();
// Eight seconds at 120 beats a minute, stereo samples from -1 to 1: a kick on every beat
// under a plucked arpeggio, so the script's beats can be heard.
std::vector<float> music();

} // namespace Example

} // namespace Content
