#pragma once

#include <string>

// An effect colour, each channel 0 to 1.
struct Color {
    float red = 1;
    float green = 1;
    float blue = 1;
};

// Reads a "color" trigger value: nine decimal digits, three each for red, green and blue,
// 0 to 255. A group the text is too short for reads as 0, as do digits that are no number.
Color readColor(const std::string& text);
