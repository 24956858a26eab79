// Decoder of description data (the body of a descriptions reply from its offset 8 on).
#ifndef MIRAV_PROTOCOL_DESCRIPTION_DECODER_H
#define MIRAV_PROTOCOL_DESCRIPTION_DECODER_H

#include <cstdint>

#include "mirav/MiravTypes.h"

namespace mirav {

// Decodes data[0, length) into a newly allocated description set stored through *descriptions,
// released with ReleaseDescriptionSet. Reads nothing outside data[0, length): the caller
// passes the bytes actually received, at most the reply record's body area. Returns 0
// (*consumed = bytes used) or 1 when the set itself could not be allocated. consumed may be null.
// Counts the set cannot hold, negative counts and entries cut off by the end of the data
// truncate the set instead of rejecting it (see the decoder for the exact rule).
int DecodeDescriptions(const uint8_t* data, int32_t length, sDataDescriptions** descriptions,
                       int32_t* consumed);

}  // namespace mirav

#endif
