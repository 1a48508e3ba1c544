#include "vorlik/TextureManager.h"

namespace Vorlik {

void TextureManager::setFileSystem(Vx::FileSystem* files) {
    fileSystem = files;
}

} // namespace Vorlik
