#include "protocol/FrameExtension.h"

#include "protocol/ByteReader.h"

namespace mirav {
namespace {

constexpr int32_t kRigidBodyKinematicsBlock = 1;
constexpr size_t kBlockHeaderSize = 12;
// On the wire an item is the id and seventeen floats: the first 72 bytes of the record.
constexpr size_t kItemWireSize = 72;
static_assert(offsetof(sRigidBodyExtendData, reserved) == kItemWireSize,
              "wire items fill the record up to its reserved bytes");

// Reads one block into *block. Returns false for a malformed block (header cut off, negative
// payload length, payload past the extension, item count outside 0..1000, or type-1 items past
// the payload); such a block is left untouched, that is zero.
bool DecodeBlock(ByteReader& reader, sExtendDataBlock* block) {
    if (!reader.HasBytes(kBlockHeaderSize)) {
        return false;
    }
    ByteReader header = reader;
    int32_t type = 0;
    int32_t itemCount = 0;
    int32_t payloadLength = 0;
    header.ReadInt32(&type);
    header.ReadInt32(&itemCount);
    header.ReadInt32(&payloadLength);
    if (payloadLength < 0 || !header.HasBytes(static_cast<size_t>(payloadLength))) {
        return false;
    }
    if (itemCount < 0 || itemCount > MAX_EXTEND_ITEMS) {
        return false;
    }
    if (type == kRigidBodyKinematicsBlock) {
        if (static_cast<size_t>(itemCount) * kItemWireSize > static_cast<size_t>(payloadLength)) {
            return false;
        }
        for (int32_t i = 0; i < itemCount; ++i) {
            header.ReadBytes(&block->items[i], kItemWireSize);
        }
        // A type-1 block advances by its items, not by its stated payload length.
    } else {
        header.Skip(static_cast<size_t>(payloadLength));
    }
    block->type = type;
    block->itemCount = itemCount;
    block->byteLength = payloadLength;
    reader = header;
    return true;
}

}  // namespace

size_t DecodeFrameExtension(const uint8_t* extension, size_t remainder, sFrameExtendData* out) {
    ByteReader reader(extension, remainder);
    int32_t blockCount = 0;
    if (!reader.ReadInt32(&blockCount)) {
        return remainder;
    }
    out->extendDataNum = blockCount;
    if (blockCount >= MAX_EXTEND_BLOCKS) {
        out->extendDataNum = 0;
        return remainder;
    }
    // A count of 0 or less means no blocks; a negative count stays in extendDataNum.
    for (int32_t i = 0; i < blockCount; ++i) {
        if (!DecodeBlock(reader, &out->blocks[i])) {
            // extendDataNum keeps the count that was read; the blocks not decoded stay zero.
            return remainder;
        }
    }
    return reader.Position();
}

}  // namespace mirav
