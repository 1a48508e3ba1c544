#include "vx/Image.h"

#include "vx/Exception.h"
#include "vx/ImageManager.h"

namespace Vx {

void Image::drop(HandleRecord<ImageObject>* released) {
    if (released->count > 0)
        --released->count;
    ImageObject* object = released->object;
    if (object->getManager() && released->count == 1) {
        // Only the cache still holds it: leaving the cache releases that last reference.
        object->getManager()->removeImage(object->getName());
    } else if (released->count == 0) {
        delete object;
        delete released;
    }
}

ImageObject* Image::operator->() const {
    if (!record)
        throw Exception("Image::operator->() - Attempt to dereference (NULL)ImageObject!");
    return record->object;
}

ImageObject& Image::operator*() const {
    if (!record)
        throw Exception("Image::operator*() Attempt to dereference (NULL)ImageObject!");
    return *record->object;
}

} // namespace Vx
