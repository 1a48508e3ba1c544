#include "tools/ContactSheet.h"

#include "vx/ImageCodec.h"
#include "vx/ImageObject.h"
#include "vx/PngCodec.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

namespace Content {

namespace {

constexpr int GAP = 2; // pixels of black around every picture
const uint8_t BLACK[4] = {0, 0, 0, 255}; // blue, green, red, alpha

void readPicture(const std::string& path, Vx::ImageObject& image) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("could not read " + path);
    try {
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
        Vx::loadPNG(bytes.data(), uint32_t(bytes.size()), image);
    } catch (const std::exception& e) {
        // The decoder's message does not say which of the frames it was.
        throw std::runtime_error(path + ": " + e.what());
    }
}

} // namespace

std::vector<uint8_t> contactSheet(const std::vector<std::string>& pictures, int columns) {
    if (pictures.empty() || columns < 1)
        throw std::runtime_error("no pictures to tile");
    const int rows = (int(pictures.size()) + columns - 1) / columns;
    std::unique_ptr<Vx::ImageObject> sheet;
    int width = 0, height = 0;
    for (size_t n = 0; n < pictures.size(); ++n) {
        Vx::ImageObject picture(0, 0, nullptr, nullptr, pictures[n]);
        readPicture(pictures[n], picture);
        if (!sheet) {
            width = picture.getWidth();
            height = picture.getHeight();
            // Large frames, or many, would overflow the sheet's sides or take all memory.
            const uint64_t sheetWidth = GAP + columns * uint64_t(width + GAP);
            const uint64_t sheetHeight = GAP + rows * uint64_t(height + GAP);
            if (sheetWidth * sheetHeight * 4 > Vx::MAX_IMAGE_BYTES)
                throw std::runtime_error("a contact sheet of " + std::to_string(sheetWidth) +
                                         " x " + std::to_string(sheetHeight) +
                                         " pixels would be too large");
            sheet = std::make_unique<Vx::ImageObject>(int(sheetWidth), int(sheetHeight), nullptr,
                                                      nullptr, "sheet");
            uint8_t* pixel = sheet->getWriteData();
            for (int i = 0; i < sheet->getWidth() * sheet->getHeight(); ++i, pixel += 4)
                std::copy_n(BLACK, 4, pixel);
        } else if (picture.getWidth() != width || picture.getHeight() != height) {
            throw std::runtime_error(pictures[n] + " differs in size from " + pictures[0]);
        }
        const int left = GAP + int(n) % columns * (width + GAP);
        const int top = GAP + int(n) / columns * (height + GAP);
        for (int y = 0; y < height; ++y)
            std::memcpy(sheet->getWriteData() + (size_t(top + y) * sheet->getWidth() + left) * 4,
                        picture.getData() + size_t(y) * width * 4, size_t(width) * 4);
    }
    std::vector<uint8_t> png;
    if (!Vx::PngCodec().encode(png, *sheet))
        throw std::runtime_error("could not encode the contact sheet");
    return png;
}

} // namespace Content
