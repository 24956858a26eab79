// Decoder of description data (the body of a descriptions reply from its offset 8 on).
#ifndef MIRAV_PROTOCOL_DESCRIPTION_DECODER_H
#define MIRAV_PROTOCOL_DESCRIPTION_DECODER_H

#include <cstdint>

#include "mirav/MiravTypes.h"

namespace mirav {

// Decodes data[0, length) into a newly allocated description set stored through *descriptions,
// released with Solvanta_FreeDescriptions. Returns 0 (*consumed = bytes used) or 1 when the set
// itself could not be allocated.
int DecodeDescriptions(const uint8_t* data, int32_t length, sDataDescriptions** descriptions,
                       int32_t* consumed);

}  // namespace mirav

#endif
