// Decoder of the extension that may follow the base part of a frame body.
#ifndef MIRAV_PROTOCOL_FRAME_EXTENSION_H
#define MIRAV_PROTOCOL_FRAME_EXTENSION_H

#include <cstddef>
#include <cstdint>

#include "mirav/MiravTypes.h"

namespace mirav {

// The extension is read only when the server's first version byte is at least this and at least
// kExtensionMinRemainder bytes follow the base body.
constexpr uint8_t kExtensionMinServerVersion = 4;
constexpr size_t kExtensionMinRemainder = 16;

// Decodes extension[0, remainder) into *out (already zero-filled). Never rejects the frame: a
// malformed block ends the reading with the blocks complete so far. Returns the number of
// extension bytes consumed, or remainder when the whole body is to be reported as consumed.
size_t DecodeFrameExtension(const uint8_t* extension, size_t remainder, sFrameExtendData* out);

}  // namespace mirav

#endif
