// Fuzz target for the frame decoder as the receive thread runs it: decoding into one reused
// record, then packing the frame for the queue and expanding it into a second reused record as a
// take does. The first input byte is the server's first version byte (so both sides of the
// extension gate are explored); the rest is the frame body. Every decoded array is read end to
// end so the sanitizers see any array shorter than its count.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "protocol/FrameDecoder.h"
#include "records/CompactFrame.h"
#include "records/ReusableRecord.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

volatile float gSink;

void TouchPoints(const MarkerData* points, int32_t count) {
    float sum = 0;
    for (int32_t i = 0; i < count; ++i) {
        sum += points[i][0] + points[i][2];
    }
    gSink = sum;
}

void TouchRigidBody(const sRigidBodyData& body) {
    Check(body.markerCount >= 0 && body.markerCount <= MAX_MARKERS);
    Check(body.markers && body.markerIds && body.markerSizes);
    TouchPoints(body.markers, body.markerCount);
    float sum = 0;
    for (int32_t m = 0; m < body.markerCount; ++m) {
        sum += static_cast<float>(body.markerIds[m]) + body.markerSizes[m];
    }
    gSink = sum;
}

void CheckFrame(const sFrameOfMocapData& f) {
    Check(f.markerSetCount >= 0 && f.markerSetCount <= MAX_MARKERSETS);
    for (int32_t i = 0; i < f.markerSetCount; ++i) {
        Check(f.mocapData[i].markerCount >= 0 && f.mocapData[i].markerCount <= MAX_MARKERS);
        Check(f.mocapData[i].name[MAX_NAMELENGTH - 1] == '\0');
        TouchPoints(f.mocapData[i].markers, f.mocapData[i].markerCount);
    }
    Check(f.otherMarkerCount >= 0 && f.otherMarkerCount <= MAX_UNLABELED_MARKERS);
    Check(f.otherMarkers != nullptr);
    TouchPoints(f.otherMarkers, f.otherMarkerCount);
    Check(f.rigidBodyCount >= 0 && f.rigidBodyCount <= MAX_RIGIDBODIES);
    for (int32_t i = 0; i < f.rigidBodyCount; ++i) {
        TouchRigidBody(f.rigidBodies[i]);
    }
    Check(f.skeletonCount >= 0 && f.skeletonCount <= MAX_SKELETONS);
    for (int32_t i = 0; i < f.skeletonCount; ++i) {
        const sSkeletonData& skeleton = f.skeletons[i];
        Check(skeleton.rigidBodyCount >= 0 && skeleton.rigidBodyCount <= MAX_SKELRIGIDBODIES);
        Check((skeleton.rigidBodyCount == 0) == (skeleton.rigidBodyData == nullptr));
        for (int32_t b = 0; b < skeleton.rigidBodyCount; ++b) {
            TouchRigidBody(skeleton.rigidBodyData[b]);
        }
    }
    Check(f.labeledMarkerCount >= 0 && f.labeledMarkerCount <= MAX_LABELED_MARKERS);
    Check(f.analogDataCount >= 0 && f.analogDataCount <= MAX_ANALOG_CHANNELS);
    const sFrameExtendData& ext = f.extendData;
    Check(ext.extendDataNum < MAX_EXTEND_BLOCKS);
    for (const sExtendDataBlock& block : ext.blocks) {
        Check(block.itemCount >= 0 && block.itemCount <= MAX_EXTEND_ITEMS);
        Check(block.byteLength >= 0);
        for (const uint8_t b : block.items[MAX_EXTEND_ITEMS - 1].reserved) {
            Check(b == 0);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 0x7FFFFFFF) {
        return 0;
    }
    // Kept across inputs, as the channel and the store keep theirs across frames.
    static mirav::OwnedReusableRecord decoded;
    static mirav::OwnedReusableRecord current;
    const uint32_t serverVersion = data[0];
    const int32_t length = static_cast<int32_t>(size - 1);
    int32_t consumed = -1;
    const int result =
        mirav::DecodeFrameReusing(data + 1, length, serverVersion, decoded.Get(), &consumed);
    if (result != 0) {
        Check(result == 1);
        return 0;
    }
    const sFrameOfMocapData& frame = decoded.Get().Record();
    Check(consumed >= 50 && consumed <= length);
    CheckFrame(frame);
    const mirav::CompactFrame packed = mirav::CompactFrame::Pack(frame);
    current.Get().Clear();
    packed.Unpack(current.Get());
    const sFrameOfMocapData& taken = current.Get().Record();
    Check(taken.frameNumber == frame.frameNumber && taken.rigidBodyCount == frame.rigidBodyCount &&
          taken.skeletonCount == frame.skeletonCount &&
          taken.extendData.extendDataNum == frame.extendData.extendDataNum);
    return 0;
}
