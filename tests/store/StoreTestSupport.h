// Builders for store tests: frames shaped like decoded ones (count-0 arrays included) and
// description data in the wire layout.
#ifndef MIRAV_TESTS_STORE_TEST_SUPPORT_H
#define MIRAV_TESTS_STORE_TEST_SUPPORT_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "mirav/MiravTypes.h"
#include "store/FrameStore.h"

namespace storetest {

// Value stored at coordinate axis (0..2) of marker index in a frame, so content can be checked.
float MarkerValue(int32_t frameNumber, int32_t index, int axis);

// A zero-filled decoded frame with its number and a zero-length unlabelled marker array.
sFrameOfMocapData* NewFrame(int32_t frameNumber);
void AddMarkerSet(sFrameOfMocapData* frame, const std::string& name, int32_t markerCount);
void AddRigidBody(sFrameOfMocapData* frame, int32_t id, int32_t markerCount);
void AddSkeleton(sFrameOfMocapData* frame, int32_t skeletonId, const std::vector<int32_t>& boneIds,
                 int32_t markersPerBone);
void SetOtherMarkers(sFrameOfMocapData* frame, int32_t count);
void SetLabeledMarkers(sFrameOfMocapData* frame, int32_t count);
void SetAnalog(sFrameOfMocapData* frame, const std::vector<float>& values);

// The typical frame of the benchmark: 10 marker sets x 20 markers, 20 rigid bodies x 5 markers,
// 2 skeletons x 21 bones, 100 labelled markers, 16 analog values.
sFrameOfMocapData* NewTypicalFrame(int32_t frameNumber);

// Description data (the descriptions reply from its offset 8 on).
class DescriptionBytes {
public:
    DescriptionBytes& MarkerSet(const std::string& name, const std::vector<std::string>& markers);
    DescriptionBytes& RigidBody(const std::string& name, int32_t id);
    DescriptionBytes& Skeleton(const std::string& name, int32_t id,
                               const std::vector<std::pair<std::string, int32_t>>& bones);
    DescriptionBytes& ForcePlate(const std::vector<std::string>& channels);
    std::vector<uint8_t> Bytes() const;
    void ApplyTo(FrameStore& store) const;

private:
    void Int(int32_t value);
    void Name(const std::string& name);
    void RigidBodyPayload(const std::string& name, int32_t id);

    int32_t count_ = 0;
    std::vector<uint8_t> entries_;
};

// Polls until the queue is empty (bounded), for tests that use the process-wide store.
void Drain(FrameStore& store);

}  // namespace storetest

#endif
