#include "client/SequenceNumbers.h"

#include <chrono>
#include <mutex>
#include <random>

namespace mirav {

int32_t DrawSequenceCandidate() {
    static std::mutex lock;
    static std::minstd_rand engine(static_cast<std::minstd_rand::result_type>(
        std::chrono::steady_clock::now().time_since_epoch().count()));
    std::lock_guard<std::mutex> guard(lock);
    std::uniform_int_distribution<int32_t> draw(0, 32767);
    return SequenceFromDraw(draw(engine));
}

}  // namespace mirav
