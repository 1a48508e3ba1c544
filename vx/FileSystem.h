#pragma once
// Vx::FileSystem: whole files read by name from an ordered list of directories and zip
// archives, optionally under a size cap, and written back crash-safe into a directory; pictures
// loaded through the image manager's cache and its PNG, JPEG and TGA codecs, and saved as PNG.
// This header also brings the handles and sources it hands out.

#include "vx/Exception.h"
#include "vx/File.h"
#include "vx/FileSource.h"
#include "vx/Image.h"
#include "vx/ImageManager.h"

#include <memory>
#include <string>
#include <vector>

namespace Vx {

// Ordered file sources with first-hit reading, plus the image manager that decodes what it
// reads. Reading and writing throw for nothing, a missing file or a failed write included: the
// results say so. Only loadImage throws.
class FileSystem {
public:
    FileSystem();
    // Deletes the sources in the order they were added, then the image manager.
    ~FileSystem();
    FileSystem(const FileSystem&) = delete;
    FileSystem& operator=(const FileSystem&) = delete;

    // "zip://x", or a last component ending in ".zip" (any case), adds an archive; a path
    // without protocol or extension adds a directory. Returns the new source's index, or -1
    // for an empty path or another kind.
    int addPath(const std::string& path);
    // A directory the player's own files go into, which follows no link below itself and
    // writes over nothing but regular files (Vx::outputRefusal).
    int addOutputPath(const std::string& path);
    int getSourceCount() const { return static_cast<int>(sources.size()); }

    // The first source that has the file wins; with an index, that source is tried first.
    File readFile(const std::string& name, int index = -1);
    // readFile for a file that must not exceed maxBytes (at most INT32_MAX), e.g. a shader
    // source, so that a huge or growing file costs no memory:
    //     CappedRead read = files.readFileCapped(name, MAX_BYTES);
    //     if (read.tooLarge) ...say read.size...; else if (read.file.isNull()) ...not found...
    // The first source that has the name decides; a file there larger than maxBytes is
    // refused by its size on disk or in the archive before any byte is read, and reading
    // stops once past maxBytes, should the file grow meanwhile.
    CappedRead readFileCapped(const std::string& name, int64_t maxBytes, int index = -1);
    // The disk paths readFile tries for name, in order, up to the source that has it (all
    // when none has): every place where a new copy would hide the one read now, and that one.
    // Archives add no path.
    std::vector<std::string> lookupPaths(const std::string& name);
    // Into the given source, the first one for -1; false without such a source.
    bool writeFile(File file, int index = -1, WriteMode mode = WRITE_DURABLE);

    // Throws "Vx::loadImage, File not found (%s)", "Vx::loadImage, File is larger than 1 GiB
    // (%s, %lld bytes)" and every decoder fault.
    Image loadImage(const std::string& name, int index = -1, bool uncached = false);
    // False for a name no codec can encode, or a failed encode or write.
    bool saveImage(const std::string& name, Image image, WriteMode mode = WRITE_DURABLE);

    ImageManager& getImageManager() { return *images; }

private:
    // The first read, in readFile's order, that finds the file or finds it too large.
    template <typename Read> CappedRead firstHit(int index, Read read);

    std::unique_ptr<ImageManager> images;
    std::vector<std::unique_ptr<FileSource>> sources;
};

} // namespace Vx
