/**
 * @file MiravUtilities.h
 * @brief Free-standing record utilities: copy and release of frames, release of descriptions,
 * version and timecode decoding. They need no client object and may run on any thread.
 */
#ifndef MIRAV_UTILITIES_H
#define MIRAV_UTILITIES_H

#include "MiravExport.h"
#include "MiravTypes.h"

/**
 * @brief Deep copy of a frame into the caller's record.
 *
 * Arrays with a count of 0 are shared, not duplicated. Release the copy with
 * Solvanta_FreeFrame(). Use it to keep a frame beyond a data callback or beyond the next
 * GetLastFrameOfMocapData().
 * @param source The frame to copy.
 * @param destination The caller's record; its previous contents are overwritten, not released.
 * @return MiravResult_Ok (also when both are the same record); MiravResult_InvalidArgument when
 *   either pointer is null or the copy could not be allocated.
 */
MIRAV_EXTERN_C MIRAV_API int Solvanta_CopyFrame(const sFrameOfMocapData* source,
                                                sFrameOfMocapData* destination);
/**
 * @brief Releases the heap arrays of a frame made by Solvanta_CopyFrame() and zeroes the record.
 *
 * Counts are clamped to the record's capacities; arrays with a count of 0 are left alone.
 * @param frame The frame.
 * @return MiravResult_Ok; MiravResult_InvalidArgument when @p frame is null.
 */
MIRAV_EXTERN_C MIRAV_API int Solvanta_FreeFrame(sFrameOfMocapData* frame);
/**
 * @brief Releases a description set the library returned, with everything it points to.
 * @param descriptions The set.
 * @return MiravResult_Ok; MiravResult_InvalidArgument when @p descriptions is null.
 */
MIRAV_EXTERN_C MIRAV_API int Solvanta_FreeDescriptions(sDataDescriptions* descriptions);
/**
 * @brief Writes the library's four version bytes (major, minor, patch, build) to version[0..3].
 * @param version At least 4 bytes, or null to write nothing.
 * @return The four bytes packed little-endian into an int (major in the lowest byte).
 */
MIRAV_EXTERN_C MIRAV_API int Solvanta_GetVersion(unsigned char* version);
/**
 * @brief Splits a packed timecode into hours, minutes, seconds and frames.
 * @param timecode Packed timecode: hours in bits 31-24, minutes 23-16, seconds 15-8, frames 7-0.
 * @param subframe Sub-frame, copied to @p subframeOut.
 * @param hour Receives the hours.
 * @param minute Receives the minutes.
 * @param second Receives the seconds.
 * @param frame Receives the frames.
 * @param subframeOut Receives the sub-frame.
 * @return true; false when any output pointer is null (nothing is written then).
 */
MIRAV_EXTERN_C MIRAV_API bool Solvanta_DecodeTimecode(uint32_t timecode, uint32_t subframe,
                                                      int* hour, int* minute, int* second,
                                                      int* frame, int* subframeOut);
/**
 * @brief Formats a timecode as "hh:mm:ss:ff.s" into at most @p bufferSize bytes.
 * @param timecode Packed timecode.
 * @param subframe Sub-frame.
 * @param buffer Receives the text, always terminated (cut to fit).
 * @param bufferSize Size of @p buffer in bytes.
 * @return true; false when @p buffer is null or @p bufferSize is below 1.
 */
MIRAV_EXTERN_C MIRAV_API bool Solvanta_TimecodeStringify(uint32_t timecode, uint32_t subframe,
                                                         char* buffer, int bufferSize);

#endif
