#include "vorlik/TextureManager.h"

namespace Vorlik {

void TextureManager::setFileSystem(Vx::FileSystem* files) {
    fileSystem = files;
}

void TextureManager::releaseAll() {
}

void TextureManager::reloadAll() {
}

} // namespace Vorlik
