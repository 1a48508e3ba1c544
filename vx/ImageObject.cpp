#include "vx/ImageObject.h"

#include "vx/Exception.h"

#include <utility>

namespace Vx {

ImageObject::ImageObject(int32_t width, int32_t height, std::unique_ptr<uint8_t[]> data,
                         ImageManager* manager, std::string name)
    : name(std::move(name)), manager(manager), width(width), height(height) {
    if (data)
        this->data = std::move(data);
    else
        resize(width, height);
}

uint8_t* ImageObject::getWriteData() {
    if (manager)
        throw Exception("ImageObject::getWriteData, Access not allowed!");
    return data.get();
}

void ImageObject::resize(int32_t newWidth, int32_t newHeight) {
    width = newWidth;
    height = newHeight;
    data.reset();
    if (width > 0 && height > 0)
        data.reset(new uint8_t[size_t(width) * size_t(height) * 4]);
}

void ImageObject::setData(int32_t newWidth, int32_t newHeight, std::unique_ptr<uint8_t[]> newData) {
    if (!newData)
        return;
    width = newWidth;
    height = newHeight;
    data = std::move(newData);
}

} // namespace Vx
