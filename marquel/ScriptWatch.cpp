#include "marquel/ScriptWatch.h"

#include "vx/FileSystem.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace Marquel {

namespace {

// A file created is still empty: the write that fills it ends with IN_CLOSE_WRITE.
constexpr uint32_t EVENTS = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE;

} // namespace

ScriptWatch::ScriptWatch() : fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
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
        for (const std::string& path : files.lookupPaths(name)) {
            const std::filesystem::path place(path);
            const std::string folder = place.parent_path().string();
            wanted.insert(folder.empty() ? "." : folder);
            fileNames.insert(place.filename().string());
        }
    }
    for (auto it = folders.begin(); it != folders.end();) {
        if (wanted.erase(it->second) == 0) {
            inotify_rm_watch(fd, it->first);
            it = folders.erase(it);
        } else {
            ++it;
        }
    }
    // A folder that does not exist yet is watched from the next call after it appears.
    for (const std::string& folder : wanted) {
        const int watch = inotify_add_watch(fd, folder.c_str(), EVENTS | IN_ONLYDIR);
        if (watch >= 0)
            folders[watch] = folder;
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
            // Lost events may have held one of ours.
            if (event->mask & IN_Q_OVERFLOW)
                seen = true;
            else if (event->mask & IN_IGNORED)
                folders.erase(event->wd);
            else if (event->len > 0 && fileNames.count(event->name) > 0)
                seen = true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

} // namespace Marquel
