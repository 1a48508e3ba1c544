#pragma once

#include "vorlik/TextureBase.h"

namespace Vorlik {

// Counted handle to a texture. Every non-empty handle adds one use; the drop of the last
// use deletes the texture, which leaves its manager's cache.
class TextureRef {
public:
    TextureRef() = default;
    explicit TextureRef(TextureBase* texture);
    TextureRef(const TextureRef& other);
    TextureRef(TextureRef&& other) noexcept;
    TextureRef& operator=(TextureRef other) noexcept;
    ~TextureRef();

    bool isNull() const { return texture == nullptr; }
    explicit operator bool() const { return texture != nullptr; }
    TextureBase* get() const { return texture; }
    void reset();

    // Both throw Vorlik::Exception on an empty handle.
    TextureBase* operator->() const;
    TextureBase& operator*() const;

private:
    TextureBase* texture = nullptr;
};

} // namespace Vorlik
