#include "vx/DirectorySource.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace Vx {

namespace {

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

// Reads exactly size bytes; false on a short read or an error.
bool readAll(int fd, uint8_t* buffer, size_t size) {
    while (size > 0) {
        ssize_t got = ::read(fd, buffer, size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        buffer += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

bool writeAll(int fd, const uint8_t* bytes, size_t size) {
    while (size > 0) {
        ssize_t put = ::write(fd, bytes, size);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        bytes += put;
        size -= static_cast<size_t>(put);
    }
    return true;
}

// The target's name with a suffix of this process, shortened where needed so that a target
// whose name already has the longest length allowed still gets a temporary file.
std::string temporaryNameFor(const std::string& target, unsigned serial) {
    std::string suffix = ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(serial);
    size_t nameStart = target.find_last_of('/') + 1;
    size_t room = NAME_MAX - suffix.size();
    return target.substr(0, nameStart + std::min(target.size() - nameStart, room)) + suffix;
}

// A fresh file beside target, opened for writing; -1 when none could be made. A target that
// exists lends its permissions, so replacing it keeps them.
int openTemporary(const std::string& target, std::string& temporaryName) {
    static unsigned serial = 0;
    struct stat old;
    bool keepMode = ::stat(target.c_str(), &old) == 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryName = temporaryNameFor(target, serial++);
        int fd = ::open(temporaryName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            if (keepMode)
                ::fchmod(fd, old.st_mode & 07777);
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

// Writes, flushes (when durable) and closes fd, then renames the temporary file over the
// target; on any failure the temporary file is removed and the target left untouched.
bool commit(int fd, const std::string& temporaryName, const std::string& target,
            const FileObject& file, WriteMode mode) {
    bool written = writeAll(fd, file.getData(), static_cast<size_t>(file.getSize()));
    if (mode == WRITE_DURABLE)
        written = ::fsync(fd) == 0 && written;
    written = ::close(fd) == 0 && written;
    // ext4 flushes a file renamed over another before the rename returns, which made
    // recording over an earlier dump three times slower. A file that need not be durable
    // takes a free name instead: a reader still never sees it half-written.
    if (written && mode == WRITE_ATOMIC)
        ::unlink(target.c_str());
    if (written && ::rename(temporaryName.c_str(), target.c_str()) == 0)
        return true;
    ::unlink(temporaryName.c_str());
    return false;
}

} // namespace

DirectorySource::DirectorySource(const std::string& path) : path(path) {
    if (!this->path.empty() && !isSeparator(this->path.back()))
        this->path += "/";
}

File DirectorySource::read(const std::string& name) {
    std::string fullName = path + name;
    int fd = ::open(fullName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return File();
    // A directory or a device has no length to read whole: it is no file of ours.
    struct stat info;
    File result;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= INT32_MAX) {
        std::vector<uint8_t> data(static_cast<size_t>(info.st_size));
        if (readAll(fd, data.data(), data.size()))
            result = File(new FileObject(name, std::move(data)));
    }
    ::close(fd);
    return result;
}

bool DirectorySource::write(File file, WriteMode mode) {
    if (file.isNull())
        return false;
    std::string target = path + file->getName();
    std::string temporaryName;
    int fd = openTemporary(target, temporaryName);
    if (fd < 0) {
        if (!makePath(target))
            return false;
        fd = openTemporary(target, temporaryName);
        if (fd < 0)
            return false;
    }
    return commit(fd, temporaryName, target, *file, mode);
}

bool createDirectory(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
}

bool makePath(const std::string& path) {
    bool leading = true;
    for (size_t i = 0; i < path.size(); ++i) {
        char c = path[i];
        if (isSeparator(c) && !leading && !createDirectory(path.substr(0, i)))
            return false;
        if (c != '.' && !isSeparator(c))
            leading = false;
    }
    return true;
}

} // namespace Vx
