#include "marquel/display/FrameReadback.h"

#include "vorlik/Extensions.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

namespace Marquel {

namespace {

// A driver function by name, or null.
template <typename Function> Function driverFunction(const char* name) {
    return reinterpret_cast<Function>(SDL_GL_GetProcAddress(name));
}

} // namespace

// Two pixel buffer objects taking turns: one frame is read into one while the frame before,
// read into the other, is copied out.
struct FrameReadback::PixelBuffers {
    explicit PixelBuffers(const std::string& extensions) {
        const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
        int major = 0;
        int minor = 0;
        if (version)
            std::sscanf(version, "%d.%d", &major, &minor);
        const bool core = major > 2 || (major == 2 && minor >= 1);
        if (!core && !Vorlik::extensionListed(extensions.c_str(), "GL_ARB_pixel_buffer_object"))
            return;
        generate = driverFunction<PFNGLGENBUFFERSPROC>("glGenBuffers");
        remove = driverFunction<PFNGLDELETEBUFFERSPROC>("glDeleteBuffers");
        bind = driverFunction<PFNGLBINDBUFFERPROC>("glBindBuffer");
        store = driverFunction<PFNGLBUFFERDATAPROC>("glBufferData");
        map = driverFunction<PFNGLMAPBUFFERPROC>("glMapBuffer");
        unmap = driverFunction<PFNGLUNMAPBUFFERPROC>("glUnmapBuffer");
    }

    bool usable() const { return generate && remove && bind && store && map && unmap; }

    // Buffers of bytes each, made on first use and again after a mode switch.
    void make(size_t newBytes) {
        generate(static_cast<GLsizei>(names.size()), names.data());
        for (GLuint name : names) {
            bind(GL_PIXEL_PACK_BUFFER, name);
            store(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(newBytes), nullptr, GL_STREAM_READ);
        }
        bind(GL_PIXEL_PACK_BUFFER, 0);
        bytes = newBytes;
    }

    void release() {
        if (names[0])
            remove(static_cast<GLsizei>(names.size()), names.data());
        names = {};
        bytes = 0;
    }

    // The oldest frame read, copied out; black when the driver cannot map it.
    void copyOldest(std::vector<uint8_t>& rows) {
        bind(GL_PIXEL_PACK_BUFFER, names[static_cast<size_t>(pending.front())]);
        rows.resize(bytes);
        if (const void* data = map(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY)) {
            std::memcpy(rows.data(), data, bytes);
            unmap(GL_PIXEL_PACK_BUFFER);
        } else {
            std::fill(rows.begin(), rows.end(), uint8_t(0));
        }
        bind(GL_PIXEL_PACK_BUFFER, 0);
        pending.pop_front();
    }

    PFNGLGENBUFFERSPROC generate = nullptr;
    PFNGLDELETEBUFFERSPROC remove = nullptr;
    PFNGLBINDBUFFERPROC bind = nullptr;
    PFNGLBUFFERDATAPROC store = nullptr;
    PFNGLMAPBUFFERPROC map = nullptr;
    PFNGLUNMAPBUFFERPROC unmap = nullptr;
    std::array<GLuint, 2> names{};
    size_t bytes = 0;
    // The buffers holding frames not yet taken, oldest first, and the one read into next.
    std::deque<int> pending;
    int next = 0;
};

FrameReadback::FrameReadback(Reader newRead) : read(std::move(newRead)) {
}

FrameReadback::~FrameReadback() = default;

void FrameReadback::usePixelBuffers(const std::string& newExtensions) {
    pixelBuffersWanted = true;
    extensions = newExtensions;
}

void FrameReadback::start(size_t bytes) {
    if (pixelBuffersWanted && !pixelBuffers)
        pixelBuffers = std::make_unique<PixelBuffers>(extensions);
    if (!pixelBuffers || !pixelBuffers->usable()) {
        grabbed.emplace_back(bytes, uint8_t(0));
        read(grabbed.back().data());
        return;
    }
    PixelBuffers& buffers = *pixelBuffers;
    if (buffers.bytes != bytes) {
        releaseBuffers();
        buffers.make(bytes);
    }
    // Every buffer still holds a frame: the oldest waits in memory, in its turn.
    if (buffers.pending.size() == buffers.names.size()) {
        grabbed.emplace_back();
        buffers.copyOldest(grabbed.back());
    }
    const int index = buffers.next;
    buffers.next = (index + 1) % static_cast<int>(buffers.names.size());
    buffers.bind(GL_PIXEL_PACK_BUFFER, buffers.names[static_cast<size_t>(index)]);
    read(nullptr);
    buffers.bind(GL_PIXEL_PACK_BUFFER, 0);
    buffers.pending.push_back(index);
}

bool FrameReadback::take(std::vector<uint8_t>& rows, bool all) {
    if (grabbed.empty() && pixelBuffers && pixelBuffers->usable()) {
        // The newest read may still be going on: it is waited for only at the end.
        if (pixelBuffers->pending.size() <= (all ? 0u : 1u))
            return false;
        pixelBuffers->copyOldest(rows);
        return true;
    }
    if (grabbed.empty())
        return false;
    rows.swap(grabbed.front());
    grabbed.pop_front();
    return true;
}

void FrameReadback::releaseBuffers() {
    if (!pixelBuffers || !pixelBuffers->usable())
        return;
    while (!pixelBuffers->pending.empty()) {
        grabbed.emplace_back();
        pixelBuffers->copyOldest(grabbed.back());
    }
    pixelBuffers->release();
}

void FrameReadback::dropBuffers() {
    if (pixelBuffers && pixelBuffers->usable())
        pixelBuffers->release();
}

} // namespace Marquel
