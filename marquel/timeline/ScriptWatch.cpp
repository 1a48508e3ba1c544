#include "marquel/timeline/ScriptWatch.h"

#include "vx/FileSystem.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace Marquel {

namespace {

// A file created is still empty: the write that fills it ends with IN_CLOSE_WRITE. A folder
// created may be the missing one a file is looked up in.
constexpr uint32_t EVENTS =
    IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_CREATE | IN_MOVE_SELF;

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

} // namespace

ScriptWatch::ScriptWatch() : fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (fd < 0)
        cannotWatch("the script files", errno);
}

void ScriptWatch::cannotWatch(const std::string& what, int error) {
    // Once: the maker would otherwise wait for reloads that never come.
    if (!warned)
        std::fprintf(stderr, "[Marquel] Not following %s on disk: %s; Ctrl+R reloads them\n",
                     what.c_str(), std::strerror(error));
    warned = true;
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
            wanted.insert(watchedFolder(path, fileNames));
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
            } else if (event->len > 0 && fileNames.count(event->name) > 0 &&
                       (mask & (IN_CREATE | IN_ISDIR)) != IN_CREATE) {
                seen = true;
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

} // namespace Marquel
