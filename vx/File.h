#pragma once

#include "vx/CountedHandle.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Vx {

// One whole file in memory, under the name it was asked for or is to be written as. A file
// read through a source holds at most INT32_MAX bytes, so its size fits the parsers' int.
class FileObject {
public:
    FileObject(std::string name, std::vector<uint8_t> data);

    const std::string& getName() const { return name; }
    // 64 bits: a text of several GiB must not pass for a short or empty one.
    int64_t getSize() const { return static_cast<int64_t>(data.size()); }
    const uint8_t* getData() const { return data.data(); }
    // The same bytes for text parsers; no terminating zero is added.
    const char* getChars() const { return reinterpret_cast<const char*>(data.data()); }
    // A copy of the bytes as text, to compare or keep.
    std::string getText() const { return std::string(getChars(), data.size()); }

private:
    std::string name;
    std::vector<uint8_t> data;
};

// Counted handle to a FileObject: copies share one control record {object, count}; the
// release that brings the count to 0 frees both. An empty handle has no record.
class File : public CountedHandle<FileObject, File> {
public:
    using CountedHandle::CountedHandle;

    // A new file holding a copy of size bytes, e.g. a document about to be written.
    static File fromBytes(const std::string& name, const void* bytes, int64_t size);
    static File fromString(const std::string& name, const std::string& text);

    // Throws Vx::Exception on an empty handle.
    const FileObject* operator->() const;
    const FileObject& operator*() const;

private:
    friend class CountedHandle<FileObject, File>;
    // The last release frees the object and the record.
    static void drop(HandleRecord<FileObject>* released);
};

} // namespace Vx
