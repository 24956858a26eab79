// Free-standing record utilities: copy and release of frames, release of descriptions, version
// and timecode decoding. They need no client object.
#ifndef MIRAV_UTILITIES_H
#define MIRAV_UTILITIES_H

#include "MiravExport.h"
#include "MiravTypes.h"

/* Deep copy of a frame; arrays with a count of 0 are shared, not duplicated. 0, or 2 on null. */
MIRAV_EXTERN_C MIRAV_API int Solvanta_CopyFrame(const sFrameOfMocapData* source,
                                                sFrameOfMocapData* destination);
/* Releases the heap arrays of a frame (counts clamped to capacity) and zeroes the record. */
MIRAV_EXTERN_C MIRAV_API int Solvanta_FreeFrame(sFrameOfMocapData* frame);
/* Releases a description set the library returned, with everything it points to. */
MIRAV_EXTERN_C MIRAV_API int Solvanta_FreeDescriptions(sDataDescriptions* descriptions);
/* Writes the four library version bytes to version[0..3]. */
MIRAV_EXTERN_C MIRAV_API int Solvanta_GetVersion(unsigned char* version);
/* Splits a packed timecode into hours, minutes, seconds and frames; false if any out is null. */
MIRAV_EXTERN_C MIRAV_API bool Solvanta_DecodeTimecode(uint32_t timecode, uint32_t subframe,
                                                      int* hour, int* minute, int* second,
                                                      int* frame, int* subframeOut);
/* Formats a timecode as "hh:mm:ss:ff.s" into at most bufferSize bytes (always terminated). */
MIRAV_EXTERN_C MIRAV_API bool Solvanta_TimecodeStringify(uint32_t timecode, uint32_t subframe,
                                                         char* buffer, int bufferSize);

#endif
