// Decoder of the frame-data body (message type 103).
#ifndef MIRAV_PROTOCOL_FRAME_DECODER_H
#define MIRAV_PROTOCOL_FRAME_DECODER_H

#include <cstdint>

#include "mirav/MiravTypes.h"
#include "records/FrameArraySource.h"
#include "records/FrameMemory.h"
#include "records/ReusableRecord.h"

namespace mirav {

// Decodes body[0, length) into a newly allocated frame stored through *frame (released with
// ReleaseDecodedFrame).
// serverVersion holds the server's four version bytes, first byte in the low byte.
// Returns 0 (accepted; *consumed = bytes used) or 1 (rejected: a limit exceeded, the base body
// shorter than its counts imply, or no memory; *frame = null, nothing leaks). consumed may be null.
int DecodeFrame(const uint8_t* body, int32_t length, uint32_t serverVersion,
                sFrameOfMocapData** frame, int32_t* consumed);

// Decodes body[0, length) into frame, whose bytes must all be zero, taking its arrays from
// arrays. Returns 0 or 1 as DecodeFrame; after a rejection the frame holds what was read so far
// and the caller releases or clears it. Allocation failures propagate as std::bad_alloc.
int DecodeFrameInto(const uint8_t* body, int32_t length, uint32_t serverVersion,
                    sFrameOfMocapData& frame, FrameArraySource& arrays, int32_t* consumed);

// Clears the reused record and decodes body[0, length) into it with arrays it keeps. Returns
// 0 or 1 as DecodeFrame (also 1 when memory ran out); the record's bytes are those DecodeFrame
// would give a fresh record.
int DecodeFrameReusing(const uint8_t* body, int32_t length, uint32_t serverVersion,
                       ReusableRecord& record, int32_t* consumed);

}  // namespace mirav

#endif
