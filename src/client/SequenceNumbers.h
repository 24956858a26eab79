// Candidate sequence numbers for requests: even numbers from 2 to 32768, drawn from a generator
// private to the library so the application's rand() state is neither reseeded nor consumed.
#ifndef MIRAV_CLIENT_SEQUENCE_NUMBERS_H
#define MIRAV_CLIENT_SEQUENCE_NUMBERS_H

#include <cstdint>

namespace mirav {

int32_t DrawSequenceCandidate();

// Maps a draw r in 0..32767 to an even number in 2..32768.
constexpr int32_t SequenceFromDraw(int32_t r) { return r == 0 ? 2 : (r % 2 != 0 ? r + 1 : r); }

}  // namespace mirav

#endif
