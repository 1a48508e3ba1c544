#include "vx/DirectorySource.h"

#include "vx/FileName.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <signal.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace Vx {

namespace {

// Reads to the end of the file, expecting about expected bytes, into data; false on an error.
// The file may have grown since its size was taken, so reading stops after limit + 1 bytes:
// more than limit means too large, and nothing past that is ever allocated.
bool readUpTo(int fd, int64_t expected, int64_t limit, std::vector<uint8_t>& data) {
    const size_t most = static_cast<size_t>(limit) + 1;
    data.resize(std::min(static_cast<size_t>(expected) + 1, most));
    size_t have = 0;
    while (have < most) {
        if (have == data.size())
            data.resize(std::min(most, std::max(data.size() * 2, size_t(4096))));
        ssize_t got = ::read(fd, data.data() + have, data.size() - have);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            break;
        have += static_cast<size_t>(got);
    }
    data.resize(have);
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

// The bytes of the open file, or "too large" by its recorded size or by the bytes it holds.
CappedRead readOpen(int fd, const std::string& name, int64_t maxBytes) {
    // A directory or a device has no length to read whole: it is no file of ours.
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return CappedRead();
    if (info.st_size > maxBytes)
        return CappedRead{File(), true, info.st_size};
    std::vector<uint8_t> data;
    if (!readUpTo(fd, info.st_size, maxBytes, data))
        return CappedRead();
    if (static_cast<int64_t>(data.size()) > maxBytes)
        return CappedRead{File(), true, static_cast<int64_t>(data.size())};
    return CappedRead{File(new FileObject(name, std::move(data))), false, 0};
}

// Where name really lies, every link resolved, when that is below the real place of root;
// empty when it does not exist or lies elsewhere. A shader or picture name of a demo from
// someone else ("../../.ssh/id_rsa", or a link in its folder) must not read the user's files.
std::string placeBelow(const std::string& root, const std::string& name) {
    std::unique_ptr<char, decltype(&std::free)> top(
        ::realpath(root.empty() ? "." : root.c_str(), nullptr), std::free);
    std::unique_ptr<char, decltype(&std::free)> real(::realpath((root + name).c_str(), nullptr),
                                                     std::free);
    if (!top || !real)
        return std::string();
    std::string inside = top.get();
    if (inside.back() != '/')
        inside += '/';
    return std::string(real.get()).compare(0, inside.size(), inside) == 0 ? real.get()
                                                                          : std::string();
}

const char* const TEMPORARY_MARK = ".tmp";

// The target's name with a suffix of this process, shortened where needed so that a target
// whose name already has the longest length allowed still gets a temporary file.
std::string temporaryNameFor(const std::string& target, unsigned serial) {
    std::string suffix = TEMPORARY_MARK + std::to_string(::getpid()) + "-" + std::to_string(serial);
    size_t nameStart = target.find_last_of('/') + 1;
    size_t room = NAME_MAX - suffix.size();
    return target.substr(0, nameStart + std::min(target.size() - nameStart, room)) + suffix;
}

// A fresh file beside target, opened for writing; -1 when none could be made. A target that
// exists lends its permissions, so replacing it keeps them.
int openTemporary(const std::string& target, std::string& temporaryName) {
    // Frames of a recording are written from a worker thread while the player may save.
    static std::atomic<unsigned> serial{0};
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

// The process that made name, when name is one of our temporary files ("<name>.tmp<pid>-<n>");
// 0 for any other name.
pid_t writerOf(const std::string& name) {
    size_t mark = name.rfind(TEMPORARY_MARK);
    size_t dash = name.rfind('-');
    if (mark == std::string::npos || mark == 0 || dash == std::string::npos || dash < mark)
        return 0;
    size_t pidStart = mark + std::char_traits<char>::length(TEMPORARY_MARK);
    auto digitsOnly = [&](size_t from, size_t to) {
        return from < to && to - from <= 9 &&
               std::all_of(name.begin() + from, name.begin() + to,
                           [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digitsOnly(pidStart, dash) || !digitsOnly(dash + 1, name.size()))
        return 0;
    return static_cast<pid_t>(std::atoi(name.c_str() + pidStart));
}

bool isRegularFile(const std::string& name, struct stat& info) {
    return ::lstat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// A writer killed between making its temporary file and the rename leaves that file behind
// for good. Only files whose process is gone are removed: a running one (this process
// included) may be in the middle of its write. A user's own file may happen to have such a
// name, so one is only taken for ours when this user owns it and the file it was to replace
// lies beside it.
void removeStaleTemporaries(const std::string& folder) {
    DIR* listing = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!listing)
        return;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string entryName = entry->d_name;
        pid_t writer = writerOf(entryName);
        if (writer <= 0 || writer == ::getpid() || ::kill(writer, 0) == 0 || errno != ESRCH)
            continue;
        std::string name = folder + entryName;
        std::string target = folder + entryName.substr(0, entryName.rfind(TEMPORARY_MARK));
        struct stat info, targetInfo;
        if (isRegularFile(name, info) && info.st_uid == ::geteuid() &&
            isRegularFile(target, targetInfo))
            ::unlink(name.c_str());
    }
    ::closedir(listing);
}

// Once per folder and run is enough: files left by writers that die later are the next
// run's to remove, and the frames of a recording do not pay for a listing each.
void removeStaleTemporariesOnce(const std::string& target) {
    static std::mutex guard;
    static std::set<std::string> done;
    std::string folder = target.substr(0, target.find_last_of('/') + 1);
    std::lock_guard<std::mutex> lock(guard);
    if (done.insert(folder).second)
        removeStaleTemporaries(folder);
}

void refuseLink(const std::string& target, const char* why) {
    std::fprintf(stderr, "[Vx::DirectorySource] Not writing '%s': %s; the link is left as it is\n",
                 target.c_str(), why);
}

// Where a write to target lands. The rename would put a plain file in place of a symbolic
// link, and the user's real file would never be updated again, so a link on the way is
// followed. A link that leads out of root is refused with a message (false): a demo unpacked
// from someone else's archive may carry one aimed at a file of the user's.
bool placeOf(const std::string& root, const std::string& target, std::string& place) {
    namespace fs = std::filesystem;
    const int maxHops = 40;
    std::error_code error;
    fs::path followed = target;
    for (int hop = 0; fs::is_symlink(fs::symlink_status(followed, error)); ++hop) {
        fs::path next = fs::read_symlink(followed, error);
        if (error || hop == maxHops) {
            refuseLink(target, "its link cannot be followed");
            return false;
        }
        followed = next.is_absolute() ? next : followed.parent_path() / next;
    }
    std::error_code rootError;
    fs::path top = fs::weakly_canonical(root.empty() ? "." : root, rootError);
    fs::path real = fs::weakly_canonical(followed, error);
    place = target;
    if (error || rootError) {
        if (followed == target)
            return true;
        refuseLink(target, "its link cannot be followed");
        return false;
    }
    // Without links the real place is the plain one, and the write goes on as it always did.
    if (followed == target && real == (top / target.substr(root.size())).lexically_normal())
        return true;
    fs::path inside = real.lexically_relative(top);
    if (inside.empty() || inside == "." || *inside.begin() == "..") {
        std::string why = "a link leads it to '" + real.string() + "', outside '" +
                          (root.empty() ? "." : root) + "'";
        refuseLink(target, why.c_str());
        return false;
    }
    place = real.string();
    return true;
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

DirectorySource::DirectorySource(const std::string& path, bool output)
    : path(path), output(output) {
    if (!this->path.empty() && !isPathSeparator(this->path.back()))
        this->path += "/";
}

File DirectorySource::read(const std::string& name) {
    return readCapped(name, INT32_MAX).file;
}

CappedRead DirectorySource::readCapped(const std::string& name, int64_t maxBytes) {
    maxBytes = std::clamp<int64_t>(maxBytes, 0, INT32_MAX);
    const std::string place = placeBelow(path, name);
    if (place.empty())
        return CappedRead();
    // Opening a FIFO for reading waits until some process opens it for writing, which may be
    // never; without waiting it is found to be no regular file below and reads as missing. The
    // place has no link left in it, so a link put there meanwhile fails to open.
    int fd = ::open(place.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0)
        return CappedRead();
    CappedRead result = readOpen(fd, name, maxBytes);
    ::close(fd);
    return result;
}

bool DirectorySource::write(File file, WriteMode mode) {
    if (file.isNull())
        return false;
    if (leavesItsFolder(file->getName())) {
        std::fprintf(stderr, "[Vx::DirectorySource] Not writing '%s': the name leads out of '%s'\n",
                     file->getName().c_str(), path.empty() ? "." : path.c_str());
        return false;
    }
    if (output) {
        const std::string refusal = outputRefusal(path, file->getName());
        if (!refusal.empty()) {
            std::fprintf(stderr, "[Vx::DirectorySource] Not writing '%s': %s\n",
                         (path + file->getName()).c_str(), refusal.c_str());
            return false;
        }
    }
    std::string target;
    if (!placeOf(path, path + file->getName(), target))
        return false;
    removeStaleTemporariesOnce(target);
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

std::string outputRefusal(const std::string& folder, const std::string& name) {
    std::string part = folder;
    if (!part.empty() && !isPathSeparator(part.back()))
        part += '/';
    for (size_t start = 0; start < name.size();) {
        const size_t end = std::min(name.find_first_of("/\\", start), name.size());
        part.append(name, start, end - start);
        start = end + 1;
        struct stat info;
        // What is not there yet is made as a folder or a plain file.
        if (::lstat(part.c_str(), &info) != 0)
            return std::string();
        const bool last = end >= name.size();
        if (S_ISLNK(info.st_mode) && last)
            return "it is a link, which is left as it is";
        if (S_ISLNK(info.st_mode))
            return "'" + part + "' is a link, and none below '" +
                   folder.substr(0, folder.find_last_not_of("/\\") + 1) +
                   "' is followed; it is left as it is";
        if (last && !S_ISREG(info.st_mode))
            return "it is no regular file but a pipe, a device or a folder, which is left as it is";
        part += '/';
    }
    return std::string();
}

bool createDirectory(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
}

bool makePath(const std::string& path) {
    bool leading = true;
    for (size_t i = 0; i < path.size(); ++i) {
        char c = path[i];
        if (isPathSeparator(c) && !leading && !createDirectory(path.substr(0, i)))
            return false;
        if (c != '.' && !isPathSeparator(c))
            leading = false;
    }
    return true;
}

} // namespace Vx
