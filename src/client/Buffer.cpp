#include "client/Buffer.h"

#include <cstring>
#include <new>

#include "platform/Diagnostics.h"

namespace mirav {
namespace {
constexpr int kSiteAllocate = 31;
}

CBuffer::~CBuffer() { Release(); }

int CBuffer::Allocate(uint32_t capacity) {
    Release();
    data_ = new (std::nothrow) uint8_t[capacity];
    if (data_ == nullptr) {
        System::ReportFailed(kSiteAllocate);
        return 1;
    }
    capacity_ = capacity;
    return 0;
}

void CBuffer::Release() {
    delete[] data_;
    data_ = nullptr;
    capacity_ = 0;
    used_ = 0;
}

bool CBuffer::Append(const void* data, uint32_t n) {
    if (n > capacity_ - used_) return false;
    if (n > 0) std::memcpy(data_ + used_, data, n);
    used_ += n;
    return true;
}

}  // namespace mirav
