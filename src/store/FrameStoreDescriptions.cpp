// The description cache: decoding and index building happen outside every lock; the description
// lock is held only to swap the new copy and indexes in, so a look-up sees either the old or the
// new set as a whole. The old set is released after the lock is released.
#include <memory>
#include <utility>

#include "protocol/DescriptionDecoder.h"
#include "records/DescriptionMemory.h"
#include "store/DescriptionIndexes.h"
#include "store/FrameStore.h"

namespace {

struct DescriptionsDeleter {
    void operator()(sDataDescriptions* descriptions) const {
        mirav::ReleaseDescriptionSet(descriptions);
    }
};
using DescriptionsHolder = std::unique_ptr<sDataDescriptions, DescriptionsDeleter>;

}  // namespace

void FrameStore::SetDescriptions(const uint8_t* data, int32_t length) {
    if (data == nullptr) return;
    sDataDescriptions* decoded = nullptr;
    int32_t consumed = 0;
    if (mirav::DecodeDescriptions(data, length, &decoded, &consumed) != 0) decoded = nullptr;
    DescriptionsHolder fresh(decoded);
    // A set that could not be allocated leaves the cache empty, as the old set is replaced.
    auto indexes = std::make_unique<mirav::DescriptionIndexes>();
    if (fresh) indexes->Build(*fresh);

    DescriptionsHolder old;
    {
        System::CGuard guard(descriptionLock_);
        old.reset(descriptions_);
        descriptions_ = fresh.release();
        std::swap(descriptionIndexes_, indexes);
    }
}
