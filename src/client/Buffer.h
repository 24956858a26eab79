// A fixed-capacity byte block with a used length: the send, receive and reassembly buffers of a
// channel, allocated once when the channel opens.
#ifndef MIRAV_CLIENT_BUFFER_H
#define MIRAV_CLIENT_BUFFER_H

#include <cstdint>

namespace mirav {

class CBuffer {
public:
    CBuffer() = default;
    virtual ~CBuffer();
    CBuffer(const CBuffer&) = delete;
    CBuffer& operator=(const CBuffer&) = delete;

    // 0, or 1 ("Failed" reported, capacity 0) when memory is short.
    int Allocate(uint32_t capacity);
    void Release();
    void Clear() { used_ = 0; }
    // Appends n bytes when they fit; returns false (nothing appended) otherwise.
    bool Append(const void* data, uint32_t n);
    void Advance(uint32_t n) { used_ += n; }

    uint8_t* Data() { return data_; }
    const uint8_t* Data() const { return data_; }
    uint32_t Capacity() const { return capacity_; }
    uint32_t Used() const { return used_; }

private:
    uint8_t* data_ = nullptr;
    uint32_t capacity_ = 0;
    uint32_t used_ = 0;
};

}  // namespace mirav

#endif
