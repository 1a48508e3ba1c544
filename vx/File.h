#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Vx {

// One whole file in memory, under the name it was asked for or is to be written as.
class FileObject {
public:
    FileObject(std::string name, std::vector<uint8_t> data);

    const std::string& getName() const { return name; }
    int32_t getSize() const { return static_cast<int32_t>(data.size()); }
    const uint8_t* getData() const { return data.data(); }
    // The same bytes for text parsers; no terminating zero is added.
    const char* getChars() const { return reinterpret_cast<const char*>(data.data()); }

private:
    std::string name;
    std::vector<uint8_t> data;
};

// Counted handle to a FileObject: copies share one control record {object, count}; the
// release that brings the count to 0 frees both. An empty handle has no record.
class File {
public:
    File() = default;
    // Adopts the object; none gives an empty handle.
    explicit File(FileObject* object);
    File(const File& other);
    File& operator=(const File& other);
    ~File();

    // A new file holding a copy of size bytes, e.g. a document about to be written.
    static File fromBytes(const std::string& name, const void* bytes, int32_t size);
    static File fromString(const std::string& name, const std::string& text);

    bool isNull() const { return record == nullptr; }
    void reset();

    // Throws Vx::Exception on an empty handle.
    const FileObject* operator->() const;
    const FileObject& operator*() const;

private:
    struct Record {
        FileObject* object;
        int32_t count;
    };
    Record* record = nullptr;
};

} // namespace Vx
