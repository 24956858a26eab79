// Decoder of the frame-data body (message type 103).
#ifndef MIRAV_PROTOCOL_FRAME_DECODER_H
#define MIRAV_PROTOCOL_FRAME_DECODER_H

#include <cstdint>

#include "mirav/MiravTypes.h"
#include "records/FrameMemory.h"

namespace mirav {

// Decodes body[0, length) into a newly allocated frame stored through *frame (released with
// ReleaseDecodedFrame).
// serverVersion holds the server's four version bytes, first byte in the low byte.
// Returns 0 (accepted; *consumed = bytes used) or 1 (rejected: a limit exceeded, the base body
// shorter than its counts imply, or no memory; *frame = null, nothing leaks). consumed may be null.
int DecodeFrame(const uint8_t* body, int32_t length, uint32_t serverVersion,
                sFrameOfMocapData** frame, int32_t* consumed);

}  // namespace mirav

#endif
