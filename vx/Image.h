#pragma once

#include "vx/CountedHandle.h"
#include "vx/ImageObject.h"

#include <cstdint>

namespace Vx {

// Counted handle to an ImageObject. Copies share one control record {object, count}. A
// cached image lives while any handle outside its manager's cache holds it: the release
// that leaves only the cache's reference removes it from the cache, which frees it. An
// uncached image is freed by the release that brings the count to 0.
class Image : public CountedHandle<ImageObject, Image> {
public:
    using CountedHandle::CountedHandle;

    // Both throw Vx::Exception on an empty handle.
    ImageObject* operator->() const;
    ImageObject& operator*() const;

private:
    friend class CountedHandle<ImageObject, Image>;
    static void drop(HandleRecord<ImageObject>* released);
};

} // namespace Vx
