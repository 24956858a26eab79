#include "FrameQueue.h"

#include <algorithm>

#include "Descriptions.h"

namespace mirav::cli {
namespace {

int Clamp(int count, int capacity) { return std::min(std::max(count, 0), capacity); }

Pose PoseOf(const sRigidBodyData& body) {
    Pose pose;
    pose.id = body.id;
    pose.x = body.x, pose.y = body.y, pose.z = body.z;
    pose.qx = body.qx, pose.qy = body.qy, pose.qz = body.qz, pose.qw = body.qw;
    pose.meanError = body.meanError;
    pose.tracked = (body.params & 0x01) != 0;
    return pose;
}

}  // namespace

FrameCopy FrameCopy::From(const sFrameOfMocapData& frame, const sForcePlates* plates,
                          const std::set<int32_t>& onlyBodies) {
    FrameCopy copy;
    copy.frameNumber = frame.frameNumber;
    copy.timecode = frame.timecode;
    copy.subframe = frame.timecodeSubframe;
    copy.timeStamp = frame.timeStamp;
    copy.latency = frame.latency;
    for (int i = 0; i < Clamp(frame.rigidBodyCount, MAX_RIGIDBODIES); ++i) {
        if (onlyBodies.empty() || onlyBodies.count(frame.rigidBodies[i].id) != 0) {
            copy.rigidBodies.push_back(PoseOf(frame.rigidBodies[i]));
        }
    }
    if (!onlyBodies.empty()) return copy;  // only the chosen rigid bodies
    for (int s = 0; s < Clamp(frame.skeletonCount, MAX_SKELETONS); ++s) {
        const sSkeletonData& skeleton = frame.skeletons[s];
        Skeleton out;
        out.id = skeleton.skeletonId;
        for (int b = 0; b < skeleton.rigidBodyCount && skeleton.rigidBodyData != nullptr; ++b) {
            out.bones.push_back(PoseOf(skeleton.rigidBodyData[b]));
        }
        copy.skeletons.push_back(std::move(out));
    }
    for (int m = 0; m < Clamp(frame.markerSetCount, MAX_MARKERSETS); ++m) {
        const sMarkerSetData& set = frame.mocapData[m];
        MarkerSet out;
        out.name = FixedText(set.name, MAX_NAMELENGTH);
        for (int k = 0; k < set.markerCount && set.markers != nullptr; ++k) {
            out.markers.push_back({set.markers[k][0], set.markers[k][1], set.markers[k][2]});
        }
        copy.markerSets.push_back(std::move(out));
    }
    const int labeled = Clamp(frame.labeledMarkerCount, MAX_LABELED_MARKERS);
    copy.labeledMarkers.assign(frame.labeledMarkers, frame.labeledMarkers + labeled);
    for (int k = 0; k < frame.otherMarkerCount && frame.otherMarkers != nullptr; ++k) {
        copy.otherMarkers.push_back(
            {frame.otherMarkers[k][0], frame.otherMarkers[k][1], frame.otherMarkers[k][2]});
    }
    const int analog = Clamp(frame.analogDataCount, MAX_ANALOG_CHANNELS);
    copy.analog.assign(frame.analogData, frame.analogData + analog);
    if (plates != nullptr) {
        const int count = Clamp(plates->forcePlateCount, MAX_FORCEPLATES);
        copy.forcePlates.assign(plates->forcePlates, plates->forcePlates + count);
    }
    return copy;
}

void FrameQueue::Push(FrameCopy frame) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (frames_.size() >= capacity_) {
            frames_.pop_front();
            ++dropped_;
        }
        frames_.push_back(std::move(frame));
    }
    ready_.notify_one();
}

bool FrameQueue::Pop(FrameCopy* frame, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> guard(lock_);
    if (!ready_.wait_for(guard, timeout, [this] { return !frames_.empty(); })) return false;
    *frame = std::move(frames_.front());
    frames_.pop_front();
    return true;
}

uint64_t FrameQueue::Dropped() const {
    std::lock_guard<std::mutex> guard(lock_);
    return dropped_;
}

}  // namespace mirav::cli
