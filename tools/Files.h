#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace Content {

// Writes a generated file beside its name and renames it, so an interrupted build never
// leaves half a file behind. Throws std::runtime_error when it cannot write.
void save(const std::filesystem::path& path, const void* data, size_t size);
void save(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
void save(const std::filesystem::path& path, const std::string& text);

// The two files every demo's panels read at start, "marquel.font" and "marquel_logo.png",
// into folder (which must exist).
void savePlayerData(const std::filesystem::path& folder);

} // namespace Content
