// The one allocator pair for every heap part of a public record. Decoders, the store and the
// record utilities all allocate and release through it, so any of them can free what another made.
#ifndef MIRAV_RECORDS_RECORD_MEMORY_H
#define MIRAV_RECORDS_RECORD_MEMORY_H

#include <cstddef>

namespace mirav {

// Allocates count default-constructed elements (count 0 gives a valid zero-length array).
// Throws std::bad_alloc when memory runs out; the exported boundary catches it.
template <class T>
T* NewArray(size_t count) {
    return new T[count];
}

template <class T>
void DeleteArray(T* array) {
    delete[] array;
}

template <class T>
T* NewRecord() {
    return new T;
}

template <class T>
void DeleteRecord(T* record) {
    delete record;
}

}  // namespace mirav

#endif
