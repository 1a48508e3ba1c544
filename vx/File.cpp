#include "vx/File.h"

#include "vx/Exception.h"

#include <utility>

namespace Vx {

FileObject::FileObject(std::string name, std::vector<uint8_t> data)
    : name(std::move(name)), data(std::move(data)) {
}

void File::drop(HandleRecord<FileObject>* released) {
    if (--released->count == 0) {
        delete released->object;
        delete released;
    }
}

File File::fromBytes(const std::string& name, const void* bytes, int64_t size) {
    const uint8_t* first = static_cast<const uint8_t*>(bytes);
    std::vector<uint8_t> data(first, first + (size > 0 ? size : 0));
    return File(new FileObject(name, std::move(data)));
}

File File::fromString(const std::string& name, const std::string& text) {
    return fromBytes(name, text.data(), static_cast<int64_t>(text.size()));
}

const FileObject* File::operator->() const {
    return &**this;
}

const FileObject& File::operator*() const {
    if (!record)
        throw Exception("File::operator*() Attempt to dereference (NULL)FileObject!");
    return *record->object;
}

} // namespace Vx
