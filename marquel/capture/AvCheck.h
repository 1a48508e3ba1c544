#pragma once

#include <cerrno>
#include <string>

namespace Marquel {

// Throws the one-line message ("[Marquel] Could not <what>: <FFmpeg's reason>") of an FFmpeg
// call that failed, naming what it was for; returns code when it did not fail.
int avCheck(int code, const std::string& what);

// Throws as avCheck does for a null result of an FFmpeg allocation.
template <typename T> T* avCheckAlloc(T* made, const char* what) {
    if (!made)
        avCheck(-ENOMEM, what);
    return made;
}

} // namespace Marquel
