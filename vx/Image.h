#pragma once

#include "vx/ImageObject.h"

#include <cstdint>

namespace Vx {

// Counted handle to an ImageObject. Copies share one control record {object, count}. A
// cached image lives while any handle outside its manager's cache holds it: the release
// that leaves only the cache's reference removes it from the cache, which frees it. An
// uncached image is freed by the release that brings the count to 0.
class Image {
public:
    Image() = default;
    // Adopts the object; none gives an empty handle.
    explicit Image(ImageObject* object);
    Image(const Image& other);
    Image& operator=(const Image& other);
    ~Image();

    bool isNull() const { return record == nullptr; }
    void reset();

    // Both throw Vx::Exception on an empty handle.
    ImageObject* operator->() const;
    ImageObject& operator*() const;

private:
    struct Record {
        ImageObject* object;
        int32_t count;
    };
    Record* record = nullptr;
};

} // namespace Vx
