#pragma once

#include <string>

namespace Content {

// The demo's script and the player's default configuration, both as file text.
namespace DemoScript {

extern const char* const SCRIPT_FILE; // "demo.xml"
extern const char* const MUSIC_FILE;  // "demo.ogg"

// Every node at the top level, each section's after the one that clears the screen for it;
// every beat trigger is placed from the tempo.
std::string script();
// Windowed OpenGL at 1280 x 720 from the start, the HUD hidden, the music and the script.
std::string configuration();

} // namespace DemoScript

} // namespace Content
