#include "vx/ImageManager.h"

#include "vx/Exception.h"
#include "vx/FileName.h"
#include "vx/JpegCodec.h"
#include "vx/PngCodec.h"
#include "vx/TgaCodec.h"

#include <cctype>

namespace Vx {

ImageManager::ImageManager() {
    codecs["png"] = std::make_unique<PngCodec>();
    codecs["jpg"] = std::make_unique<JpegCodec>();
    codecs["tga"] = std::make_unique<TgaCodec>();
}

ImageManager::~ImageManager() {
    codecs.clear();
    for (auto& entry : images)
        entry.second->setManager(nullptr);
    images.clear();
}

Image ImageManager::loadImage(const std::string& name, File file, bool uncached) {
    if (!uncached) {
        Image cached = findImage(name);
        if (!cached.isNull())
            return cached;
    }
    ImageCodec* codec = getCodec(getExtension(name));
    if (!codec)
        throw Exception("Vx::ImageManager::loadImage, No decoder found for %s", name.c_str());
    // Decoded before it gets a handle, so a failed decode leaves nothing behind.
    auto object = std::make_unique<ImageObject>(0, 0, nullptr, uncached ? nullptr : this, name);
    codec->decode(file->getData(), static_cast<uint32_t>(file->getSize()), *object);
    Image image(object.release());
    if (!uncached)
        images[name] = image;
    return image;
}

void ImageManager::removeImage(const std::string& name) {
    auto found = images.find(name);
    if (found == images.end())
        throw Exception("Vx::ImageManager::removeImage, Image %s not found!", name.c_str());
    images.erase(found);
}

Image ImageManager::findImage(const std::string& name) const {
    auto found = images.find(name);
    return found == images.end() ? Image() : found->second;
}

File ImageManager::encodeImage(const std::string& name, Image image) {
    ImageCodec* codec = getCodec(getExtension(name));
    if (!codec || !codec->canEncode())
        return File();
    std::vector<uint8_t> buffer;
    if (!codec->encode(buffer, *image))
        return File();
    return File(new FileObject(name, std::move(buffer)));
}

std::string ImageManager::getExtension(const std::string& name) {
    size_t dot = extensionDot(name, false);
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

ImageCodec* ImageManager::getCodec(const std::string& extension) const {
    std::string low = extension;
    for (char& c : low)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    auto found = codecs.find(low);
    return found == codecs.end() ? nullptr : found->second.get();
}

} // namespace Vx
