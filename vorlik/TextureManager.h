#pragma once

#include "vorlik/TextureDesc.h"
#include "vorlik/TextureRef.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace Vx {
class FileSystem;
}

namespace Vorlik {

// The texture cache of a display: one texture per picture and description, shared by every
// effect that asks for it. Pictures are read through the input file system it is handed
// before the effects load.
class TextureManager {
public:
    // Gives the OpenGL extension text that decides whether pictures must be rounded up to
    // powers of two; asked again for every new texture.
    using ExtensionSource = std::function<std::string()>;

    TextureManager();
    // Empties the cache without deleting a texture: handles held elsewhere stay valid, and
    // their textures no longer know this manager.
    ~TextureManager();
    TextureManager(const TextureManager&) = delete;
    TextureManager& operator=(const TextureManager&) = delete;

    void setFileSystem(Vx::FileSystem* files);
    Vx::FileSystem* getFileSystem() const { return fileSystem; }

    // The cached texture for (cacheName, or else name; desc), or a new one made from the
    // picture name. Throws the file system's exception for a picture it cannot load, and
    // Vorlik::Exception for a description that fits no target.
    TextureRef getTexture(const std::string& name,
                          const TextureDesc& desc = {0, 0, 0, TEX_2D | TEX_MIPMAP},
                          const std::string& cacheName = "");

    // Around a video-mode change, which loses the OpenGL context: every cached texture gives
    // up its OpenGL object, and afterwards makes it again from its picture, in key order.
    void releaseAll();
    void reloadAll();

    // The driver's extension text unless a source was set; an empty source restores it.
    void setExtensionSource(ExtensionSource source);
    bool hasExtension(const char* name) const;

    size_t getCachedCount() const { return cache.size(); }

private:
    friend class TextureBase;

    struct Key {
        std::string name;
        int32_t width;
        int32_t height;
        int32_t depth;
        int32_t flags;
        bool operator<(const Key& other) const;
    };

    // A texture being destroyed leaves the cache.
    void forget(TextureBase* texture);

    Vx::FileSystem* fileSystem = nullptr;
    ExtensionSource extensions;
    std::map<Key, TextureBase*> cache;
};

} // namespace Vorlik
