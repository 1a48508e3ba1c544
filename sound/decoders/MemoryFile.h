#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace Marquel::Audio {

// The caller's bytes seen as a file, for the libraries that read through callbacks.
struct MemoryFile {
    const unsigned char* data;
    int64_t size;
    int64_t pos = 0;

    int64_t read(void* out, int64_t count) {
        int64_t n = count < size - pos ? count : size - pos;
        if (n <= 0)
            return 0;
        std::memcpy(out, data + pos, static_cast<size_t>(n));
        pos += n;
        return n;
    }

    int64_t seek(int64_t offset, int whence) {
        int64_t base = whence == SEEK_CUR ? pos : whence == SEEK_END ? size : 0;
        if (base + offset < 0 || base + offset > size)
            return -1;
        pos = base + offset;
        return pos;
    }
};

} // namespace Marquel::Audio
