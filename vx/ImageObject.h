#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace Vx {

class ImageManager;

// One decoded picture: 4 bytes per pixel in the order blue, green, red, alpha, rows without
// padding, top row first. An image held in a manager's cache is read-only.
class ImageObject {
public:
    // Adopts data (width * height * 4 bytes), or without data allocates as resize does.
    ImageObject(int32_t width, int32_t height, std::unique_ptr<uint8_t[]> data,
                ImageManager* manager, std::string name);

    const std::string& getName() const { return name; }
    ImageManager* getManager() const { return manager; }
    // Only the image manager moves an image in or out of its cache.
    void setManager(ImageManager* newManager) { manager = newManager; }
    int32_t getWidth() const { return width; }
    int32_t getHeight() const { return height; }

    const uint8_t* getData() const { return data.get(); }
    // Throws Vx::Exception for a cached image.
    uint8_t* getWriteData();

    // New, uninitialised pixels of the new size; none when a side is 0 or less.
    void resize(int32_t newWidth, int32_t newHeight);
    // Adopts newData; without data nothing changes.
    void setData(int32_t newWidth, int32_t newHeight, std::unique_ptr<uint8_t[]> newData);

private:
    std::string name;
    ImageManager* manager;
    int32_t width;
    int32_t height;
    std::unique_ptr<uint8_t[]> data;
};

} // namespace Vx
