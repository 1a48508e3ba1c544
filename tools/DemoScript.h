#pragma once

#include <string>

namespace Content {

// The demo's script and the player's default configuration, both as file text.
namespace DemoScript {

extern const char* const SCRIPT_FILE; // "demo.xml"
extern const char* const MUSIC_FILE;  // "demo.ogg"

// Every node at the top level: first the clear, the beats and the flashes across the whole
// demo, then each section's own; every beat trigger is placed from the tempo. It ends after
// the music's last chord has rung out.
std::string script();
// Windowed OpenGL at 1280 x 720 from the start, the HUD hidden, the music and the script.
std::string configuration();

} // namespace DemoScript

} // namespace Content
