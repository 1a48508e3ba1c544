#pragma once

namespace Vx {
class FileSystem;
}

namespace Vorlik {

// The texture cache of a display. Pictures are read through the input file system it is
// handed before the effects load.
class TextureManager {
public:
    void setFileSystem(Vx::FileSystem* files);
    Vx::FileSystem* getFileSystem() const { return fileSystem; }

private:
    Vx::FileSystem* fileSystem = nullptr;
};

} // namespace Vorlik
