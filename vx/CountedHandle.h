#pragma once

#include <cstdint>

namespace Vx {

// The control record that all copies of one counted handle share.
template <typename Object> struct HandleRecord {
    Object* object;
    int32_t count;
};

// The sharing behind the counted handles (File, Image): a handle made from a new object
// creates the record with count 1, copies add 1, and assigning a handle that shares the
// record changes nothing. What dropping a reference does is the handle's own rule
// (Handle::drop), so each handle keeps its exact release behaviour in one place.
template <typename Object, typename Handle> class CountedHandle {
public:
    CountedHandle() = default;
    // Adopts the object; none gives an empty handle.
    explicit CountedHandle(Object* object)
        : record(object ? new HandleRecord<Object>{object, 1} : nullptr) {}
    CountedHandle(const CountedHandle& other) : record(other.record) { retain(); }
    CountedHandle& operator=(const CountedHandle& other) {
        if (record != other.record) {
            reset();
            record = other.record;
            retain();
        }
        return *this;
    }
    ~CountedHandle() { reset(); }

    bool isNull() const { return record == nullptr; }
    void reset() {
        if (!record)
            return;
        HandleRecord<Object>* released = record;
        record = nullptr;
        Handle::drop(released);
    }

protected:
    HandleRecord<Object>* record = nullptr;

private:
    void retain() {
        if (record)
            ++record->count;
    }
};

} // namespace Vx
