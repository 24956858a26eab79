// Decoder of the frame-data body (message type 103).
#ifndef MIRAV_PROTOCOL_FRAME_DECODER_H
#define MIRAV_PROTOCOL_FRAME_DECODER_H

#include <cstdint>

#include "mirav/MiravTypes.h"

namespace mirav {

// Allocation and release of decoded frame records: the one place that decides how frames and
// their arrays are allocated. AllocateDecodedFrame returns a zero-filled record (throws
// std::bad_alloc when memory runs out). ReleaseDecodedFrame releases every array (count-0 ones
// included, counts clamped to the capacities), then the record; null is ignored.
sFrameOfMocapData* AllocateDecodedFrame();
void ReleaseDecodedFrame(sFrameOfMocapData* frame);

// Decodes body[0, length) into a newly allocated frame stored through *frame.
// serverVersion holds the server's four version bytes, first byte in the low byte.
// Returns 0 (accepted; *consumed = bytes used) or 1 (rejected: a limit exceeded, the base body
// shorter than its counts imply, or no memory; *frame = null, nothing leaks). consumed may be null.
int DecodeFrame(const uint8_t* body, int32_t length, uint32_t serverVersion,
                sFrameOfMocapData** frame, int32_t* consumed);

}  // namespace mirav

#endif
