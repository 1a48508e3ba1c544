#pragma once

#include "vx/File.h"
#include "vx/Image.h"
#include "vx/ImageCodec.h"

#include <map>
#include <memory>
#include <string>

namespace Vx {

// Decodes files into images with the codec of the name's extension and caches them by name
// (case-sensitive) while anybody outside the cache holds them. Codecs: png, jpg, tga.
class ImageManager {
public:
    ImageManager();
    // Images still held elsewhere live on, uncached and writable.
    ~ImageManager();
    ImageManager(const ImageManager&) = delete;
    ImageManager& operator=(const ImageManager&) = delete;

    // A cached image of that name is returned without decoding; uncached always decodes a
    // new image that never enters the cache. file must not be empty.
    Image loadImage(const std::string& name, File file, bool uncached);
    // Called by the handle's release when only the cache still holds the image.
    void removeImage(const std::string& name);
    Image findImage(const std::string& name) const;
    // An empty file when no codec of the name's extension can encode.
    File encodeImage(const std::string& name, Image image);

    // The text after the last '.' anywhere in the name; empty without a '.'.
    static std::string getExtension(const std::string& name);
    // Looked up in lowercase; none for an unknown extension.
    ImageCodec* getCodec(const std::string& extension) const;

private:
    std::map<std::string, Image> images;
    std::map<std::string, std::unique_ptr<ImageCodec>> codecs;
};

} // namespace Vx
