#include "vorlik/TextureManager.h"

#include "vorlik/Exception.h"
#include "vorlik/Extensions.h"
#include "vorlik/Texture.h"
#include "vx/FileSystem.h"

#include <memory>
#include <tuple>

namespace Vorlik {

bool TextureManager::Key::operator<(const Key& other) const {
    return std::tie(name, width, height, depth, flags) <
           std::tie(other.name, other.width, other.height, other.depth, other.flags);
}

TextureManager::TextureManager() : extensions(driverExtensions) {
}

TextureManager::~TextureManager() {
    for (auto& entry : cache)
        entry.second->manager = nullptr;
}

void TextureManager::setFileSystem(Vx::FileSystem* files) {
    fileSystem = files;
}

TextureRef TextureManager::getTexture(const std::string& name, const TextureDesc& desc,
                                      const std::string& cacheName) {
    Key key{cacheName.empty() ? name : cacheName, desc.width, desc.height, desc.depth, desc.flags};
    auto cached = cache.find(key);
    if (cached != cache.end())
        return TextureRef(cached->second);
    if (!fileSystem)
        throw Exception("Could not load '%s', no file system to read it from!", name.c_str());
    Vx::Image picture = fileSystem->loadImage(name, -1, false);
    auto texture = std::make_unique<Texture>(this, desc, picture);
    cache.emplace(std::move(key), texture.get());
    return TextureRef(texture.release());
}

void TextureManager::releaseAll() {
    for (auto& entry : cache)
        entry.second->release();
}

void TextureManager::reloadAll() {
    for (auto& entry : cache)
        entry.second->reload();
}

void TextureManager::setExtensionSource(ExtensionSource source) {
    extensions = source ? std::move(source) : ExtensionSource(driverExtensions);
}

bool TextureManager::hasExtension(const char* name) const {
    return extensionListed(extensions().c_str(), name);
}

void TextureManager::forget(TextureBase* texture) {
    for (auto entry = cache.begin(); entry != cache.end(); ++entry) {
        if (entry->second == texture) {
            cache.erase(entry);
            return;
        }
    }
}

} // namespace Vorlik
