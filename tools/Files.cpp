#include "tools/Files.h"

#include "tools/Pictures.h"
#include "tools/PixelFont.h"

#include <fstream>
#include <stdexcept>

namespace Content {

namespace fs = std::filesystem;

void save(const fs::path& path, const void* data, size_t size) {
    const fs::path part = path.string() + ".part";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out.write(static_cast<const char*>(data), std::streamsize(size));
        if (!out)
            throw std::runtime_error("could not write " + part.string());
    }
    fs::rename(part, path);
}

void save(const fs::path& path, const std::vector<uint8_t>& bytes) {
    save(path, bytes.data(), bytes.size());
}

void save(const fs::path& path, const std::string& text) {
    save(path, text.data(), text.size());
}

void savePlayerData(const fs::path& folder) {
    save(folder / "marquel_logo.png", Pictures::logo().png());
    save(folder / "marquel.font", PixelFont::fontFile());
}

} // namespace Content
