#include "vorlik/TextureBase.h"

#include "vorlik/TextureManager.h"

namespace Vorlik {

TextureBase::TextureBase(TextureManager* manager, const TextureDesc& desc)
    : width(desc.width), height(desc.height), depth(desc.depth), flags(desc.flags),
      manager(manager) {
}

TextureBase::~TextureBase() {
    if (manager)
        manager->forget(this);
}

} // namespace Vorlik
