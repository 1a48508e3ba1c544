#include "vorlik/TextureRef.h"

#include "vorlik/Exception.h"

#include <utility>

namespace Vorlik {

TextureRef::TextureRef(TextureBase* texture) : texture(texture) {
    if (texture)
        ++texture->useCount;
}

TextureRef::TextureRef(const TextureRef& other) : TextureRef(other.texture) {
}

TextureRef::TextureRef(TextureRef&& other) noexcept
    : texture(std::exchange(other.texture, nullptr)) {
}

TextureRef& TextureRef::operator=(TextureRef other) noexcept {
    std::swap(texture, other.texture);
    return *this;
}

TextureRef::~TextureRef() {
    reset();
}

void TextureRef::reset() {
    TextureBase* dropped = std::exchange(texture, nullptr);
    if (dropped && --dropped->useCount == 0)
        delete dropped;
}

TextureBase* TextureRef::operator->() const {
    return &**this;
}

TextureBase& TextureRef::operator*() const {
    if (!texture)
        throw Exception("TextureRef: Attempt to use an empty texture handle!");
    return *texture;
}

} // namespace Vorlik
