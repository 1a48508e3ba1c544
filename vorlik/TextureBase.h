#pragma once

#include "vorlik/TextureDesc.h"

#include <cstdint>

namespace Vorlik {

class TextureManager;

// Something an effect can bind, counted by TextureRef and cached by a TextureManager. Its
// sides start as the request and become the real ones once it is made (depth 1).
class TextureBase {
public:
    TextureBase(TextureManager* manager, const TextureDesc& desc);
    // Leaves the manager's cache, if a manager is still there.
    virtual ~TextureBase();
    TextureBase(const TextureBase&) = delete;
    TextureBase& operator=(const TextureBase&) = delete;

    virtual void bind() = 0;
    // Binds name 0 to this texture's target.
    virtual void unbind() = 0;
    // The OpenGL texture name; 0 while it has none.
    virtual uint32_t getId() const = 0;
    // Makes a new OpenGL object from what the texture kept, after release or a lost context.
    virtual void reload() = 0;
    // Deletes the OpenGL object, if any; the texture itself stays usable for reload.
    virtual void release() = 0;

    int32_t getUseCount() const { return useCount; }
    int32_t getWidth() const { return width; }
    int32_t getHeight() const { return height; }
    int32_t getDepth() const { return depth; }
    int32_t getFlags() const { return flags; }
    TextureManager* getManager() const { return manager; }

protected:
    int32_t width;
    int32_t height;
    int32_t depth;
    int32_t flags;

private:
    friend class TextureRef;
    friend class TextureManager;

    int32_t useCount = 0;
    TextureManager* manager;
};

} // namespace Vorlik
