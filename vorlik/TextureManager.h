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
    // Around a video-mode change, which loses the OpenGL context: every cached texture gives
    // up its OpenGL object, and afterwards makes it again from its picture.
    void releaseAll();
    void reloadAll();

private:
    Vx::FileSystem* fileSystem = nullptr;
};

} // namespace Vorlik
