#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Content {

// PNG pictures of one size tiled left to right and top to bottom, columns to a row, each
// framed by a thin black gap, as one PNG file. Throws an exception for a picture that cannot
// be read or that differs in size from the first, and for a sheet larger than a picture may be.
std::vector<uint8_t> contactSheet(const std::vector<std::string>& pictures, int columns);

} // namespace Content
