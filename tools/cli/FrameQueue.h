// What the stream command keeps of one frame, and the bounded queue between the library's
// receive thread (which must never wait on the terminal or a pipe) and the output thread.
#ifndef MIRAV_CLI_FRAME_QUEUE_H
#define MIRAV_CLI_FRAME_QUEUE_H

#include <mirav/Mirav.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace mirav::cli {

struct Pose {
    int32_t id = 0;
    float x = 0, y = 0, z = 0, qx = 0, qy = 0, qz = 0, qw = 1;
    float meanError = 0;
    bool tracked = false;
};

struct FrameCopy {
    int32_t frameNumber = 0;
    uint32_t timecode = 0, subframe = 0;
    int64_t timeStamp = 0;
    float latency = 0;
    std::vector<Pose> rigidBodies;
    struct Skeleton {
        int32_t id = 0;
        std::vector<Pose> bones;
    };
    std::vector<Skeleton> skeletons;
    struct MarkerSet {
        std::string name;
        std::vector<std::vector<float>> markers;
    };
    std::vector<MarkerSet> markerSets;
    std::vector<sMarker> labeledMarkers;
    std::vector<std::vector<float>> otherMarkers;
    std::vector<float> analog;
    std::vector<sForcePlateData> forcePlates;
    // When the frame was captured, arrived and was delivered on this host (when the library
    // still had them).
    bool hasHostTiming = false;
    sFrameHostTiming hostTiming{};

    // Copies the frame; only the rigid bodies with an id in onlyBodies when it is not empty.
    static FrameCopy From(const sFrameOfMocapData& frame, const sForcePlates* plates,
                          const std::set<int32_t>& onlyBodies);
};

// Holds at most capacity frames; a push onto a full queue drops the oldest and counts it.
class FrameQueue {
public:
    explicit FrameQueue(size_t capacity) : capacity_(capacity) {}
    void Push(FrameCopy frame);
    // Waits up to timeout for a frame; false when none came.
    bool Pop(FrameCopy* frame, std::chrono::milliseconds timeout);
    uint64_t Dropped() const;

private:
    size_t capacity_;
    mutable std::mutex lock_;
    std::condition_variable ready_;
    std::deque<FrameCopy> frames_;
    uint64_t dropped_ = 0;
};

}  // namespace mirav::cli

#endif
