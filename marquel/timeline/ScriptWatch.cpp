#include "marquel/timeline/ScriptWatch.h"

#include "vx/FileSystem.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace Marquel {

namespace {

// A file created is still empty: the write that fills it ends with IN_CLOSE_WRITE. A folder
// created may be the missing one a file is looked up in, and a link created is whole at once.
constexpr uint32_t EVENTS =
    IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_CREATE | IN_MOVE_SELF;

// Links followed from one name at most, as the system itself follows them.
constexpr int MAX_LINKS = 40;

// The folder that holds path, or the nearest one above it that exists; every name on the way
// down from it is added to names, whose coming into being is then a change.
std::string watchedFolder(const std::filesystem::path& path, std::set<std::string>& names) {
    std::filesystem::path folder = path;
    std::error_code error;
    do {
        names.insert(folder.filename().string());
        folder = folder.parent_path();
    } while (!folder.empty() && !std::filesystem::is_directory(folder, error));
    return folder.empty() ? "." : folder.string();
}

bool isLink(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

} // namespace

ScriptWatch::ScriptWatch(const std::string& what) : fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (fd < 0)
        cannotWatch(what, errno);
}

void ScriptWatch::cannotWatch(const std::string& what, int error) {
    // Once: the maker would otherwise wait for reloads that never come.
    if (!why.empty())
        return;
    why = "Not following " + what + " on disk: " + std::strerror(error) + "; Ctrl+R reloads them";
    std::fprintf(stderr, "[Marquel] %s\n", why.c_str());
}

ScriptWatch::~ScriptWatch() {
    if (fd >= 0)
        ::close(fd);
}

void ScriptWatch::follow(Vx::FileSystem& files, const std::vector<std::string>& names) {
    if (fd < 0)
        return;
    std::set<std::string> wanted;
    fileNames.clear();
    for (const std::string& name : names) {
        for (const std::string& path : files.lookupPaths(name))
            watchPath(path, wanted);
    }
    for (auto it = folders.begin(); it != folders.end();) {
        if (wanted.erase(it->second) == 0) {
            inotify_rm_watch(fd, it->first);
            it = folders.erase(it);
        } else {
            ++it;
        }
    }
    for (const std::string& folder : wanted) {
        const int watch = inotify_add_watch(fd, folder.c_str(), EVENTS | IN_ONLYDIR);
        if (watch >= 0)
            folders[watch] = folder;
        else if (errno == ENOSPC || errno == ENOMEM)
            cannotWatch("'" + folder + "'", errno);
    }
}

// Saving a link's target, in place or by a rename, touches only the target's folder.
void ScriptWatch::watchPath(const std::string& path, std::set<std::string>& wanted) {
    std::filesystem::path at = path;
    wanted.insert(watchedFolder(at, fileNames));
    std::error_code error;
    for (int hop = 0; hop < MAX_LINKS && isLink(at.string()); ++hop) {
        const std::filesystem::path target = std::filesystem::read_symlink(at, error);
        if (error)
            return;
        at = at.parent_path() / target;
        wanted.insert(watchedFolder(at, fileNames));
    }
}

bool ScriptWatch::changed() {
    if (fd < 0)
        return false;
    bool seen = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return seen;
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            const uint32_t mask = event->mask;
            // Lost events may have held one of ours.
            if (mask & IN_Q_OVERFLOW) {
                seen = true;
            } else if (mask & (IN_IGNORED | IN_MOVE_SELF)) {
                // A folder removed or moved away: the next call watches where it was, or
                // the one above until it is back.
                if (mask & IN_MOVE_SELF)
                    inotify_rm_watch(fd, event->wd);
                seen = folders.erase(event->wd) > 0 || seen;
            } else if (event->len > 0 && fileNames.count(event->name) > 0) {
                const auto folder = folders.find(event->wd);
                seen = seen || (mask & (IN_CREATE | IN_ISDIR)) != IN_CREATE ||
                       (folder != folders.end() && isLink(folder->second + "/" + event->name));
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

} // namespace Marquel
