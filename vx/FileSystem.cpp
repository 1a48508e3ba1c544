#include "vx/FileSystem.h"

#include "vx/DirectorySource.h"
#include "vx/Exception.h"
#include "vx/FileName.h"
#include "vx/ImageCodec.h"
#include "vx/ZipSource.h"

#include <cctype>

namespace Vx {

namespace {

struct Kind {
    std::string kind;
    std::string path;
};

// "proto://rest" names its kind; otherwise the extension of the last component does.
Kind kindOf(const std::string& path) {
    Kind result{std::string(), path};
    bool hasProtocol = false;
    for (size_t i = 0; i + 3 < path.size(); ++i) {
        if (path.compare(i, 3, "://") == 0) {
            result.kind = path.substr(0, i);
            result.path = path.substr(i + 3);
            hasProtocol = true;
            break;
        }
        if (isPathSeparator(path[i]))
            break;
    }
    if (!hasProtocol) {
        size_t dot = extensionDot(path, true);
        if (dot != std::string::npos)
            result.kind = path.substr(dot + 1);
    }
    for (char& c : result.kind)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

} // namespace

FileSystem::FileSystem() : images(std::make_unique<ImageManager>()) {
}

FileSystem::~FileSystem() {
    for (auto& source : sources)
        source.reset();
    images.reset();
}

int FileSystem::addPath(const std::string& path) {
    if (path.empty())
        return -1;
    Kind kind = kindOf(path);
    if (kind.kind.empty())
        sources.push_back(std::make_unique<DirectorySource>(kind.path));
    else if (kind.kind == "zip")
        sources.push_back(std::make_unique<ZipSource>(kind.path));
    else
        return -1;
    return static_cast<int>(sources.size()) - 1;
}

int FileSystem::addOutputPath(const std::string& path) {
    sources.push_back(std::make_unique<DirectorySource>(path, true));
    return static_cast<int>(sources.size()) - 1;
}

File FileSystem::readFile(const std::string& name, int index) {
    return firstHit(index, [&](FileSource& source) { return CappedRead{source.read(name)}; })
        .file;
}

CappedRead FileSystem::readFileCapped(const std::string& name, int64_t maxBytes, int index) {
    return firstHit(index, [&](FileSource& source) { return source.readCapped(name, maxBytes); });
}

template <typename Read> CappedRead FileSystem::firstHit(int index, Read read) {
    if (index >= 0 && index < getSourceCount()) {
        CappedRead found = read(*sources[index]);
        if (!found.file.isNull() || found.tooLarge)
            return found;
    }
    for (int i = 0; i < getSourceCount(); ++i) {
        if (i == index)
            continue;
        CappedRead found = read(*sources[i]);
        if (!found.file.isNull() || found.tooLarge)
            return found;
    }
    return CappedRead();
}

std::vector<std::string> FileSystem::lookupPaths(const std::string& name) {
    std::vector<std::string> paths;
    for (auto& source : sources) {
        const std::string path = source->diskPath(name);
        if (!path.empty())
            paths.push_back(path);
        if (!source->read(name).isNull())
            break;
    }
    return paths;
}

bool FileSystem::writeFile(File file, int index, WriteMode mode) {
    if (index == -1)
        index = 0;
    if (index < 0 || index >= getSourceCount())
        return false;
    return sources[index]->write(file, mode);
}

Image FileSystem::loadImage(const std::string& name, int index, bool uncached) {
    // No picture the codecs take comes from a file larger than its largest pixel buffer.
    CappedRead read = readFileCapped(name, int64_t(MAX_IMAGE_BYTES), index);
    if (read.tooLarge)
        throw Exception("Vx::loadImage, File is larger than 1 GiB (%s, %lld bytes)", name.c_str(),
                        static_cast<long long>(read.size));
    if (read.file.isNull())
        throw Exception("Vx::loadImage, File not found (%s)", name.c_str());
    return images->loadImage(name, read.file, uncached);
}

bool FileSystem::saveImage(const std::string& name, Image image, WriteMode mode) {
    File file = images->encodeImage(name, image);
    return !file.isNull() && writeFile(file, -1, mode);
}

} // namespace Vx
