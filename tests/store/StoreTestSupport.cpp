#include "StoreTestSupport.h"

#include <cstring>

#include "protocol/FrameDecoder.h"
#include "records/RecordMemory.h"

namespace storetest {
namespace {

void FillPoints(MarkerData* points, int32_t frameNumber, int32_t first, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        for (int axis = 0; axis < 3; ++axis) {
            points[i][axis] = MarkerValue(frameNumber, first + i, axis);
        }
    }
}

// Like the decoder, allocates the three arrays even for a count of 0.
void FillBody(sRigidBodyData& body, int32_t frameNumber, int32_t id, int32_t markerCount) {
    body.id = id;
    body.x = static_cast<float>(frameNumber);
    body.y = static_cast<float>(id);
    body.markerCount = markerCount;
    body.markers = mirav::NewArray<MarkerData>(markerCount);
    body.markerIds = mirav::NewArray<int32_t>(markerCount);
    body.markerSizes = mirav::NewArray<float>(markerCount);
    FillPoints(body.markers, frameNumber, id * 100, markerCount);
    for (int32_t i = 0; i < markerCount; ++i) {
        body.markerIds[i] = id * 100 + i;
        body.markerSizes[i] = 0.5f + static_cast<float>(i);
    }
}

}  // namespace

float MarkerValue(int32_t frameNumber, int32_t index, int axis) {
    return static_cast<float>(frameNumber) * 1000.0f + static_cast<float>(index) +
           0.25f * static_cast<float>(axis);
}

sFrameOfMocapData* NewFrame(int32_t frameNumber) {
    sFrameOfMocapData* frame = mirav::AllocateDecodedFrame();
    frame->frameNumber = frameNumber;
    frame->otherMarkers = mirav::NewArray<MarkerData>(0);
    return frame;
}

void AddMarkerSet(sFrameOfMocapData* frame, const std::string& name, int32_t markerCount) {
    sMarkerSetData& set = frame->mocapData[frame->markerSetCount++];
    std::strncpy(set.name, name.c_str(), sizeof(set.name) - 1);
    set.markerCount = markerCount;
    set.markers = mirav::NewArray<MarkerData>(markerCount);
    FillPoints(set.markers, frame->frameNumber, 0, markerCount);
}

void AddRigidBody(sFrameOfMocapData* frame, int32_t id, int32_t markerCount) {
    FillBody(frame->rigidBodies[frame->rigidBodyCount++], frame->frameNumber, id, markerCount);
}

void AddSkeleton(sFrameOfMocapData* frame, int32_t skeletonId, const std::vector<int32_t>& boneIds,
                 int32_t markersPerBone) {
    sSkeletonData& skeleton = frame->skeletons[frame->skeletonCount++];
    skeleton.skeletonId = skeletonId;
    skeleton.rigidBodyCount = static_cast<int32_t>(boneIds.size());
    skeleton.rigidBodyData = mirav::NewArray<sRigidBodyData>(boneIds.size());
    for (size_t j = 0; j < boneIds.size(); ++j) {
        FillBody(skeleton.rigidBodyData[j], frame->frameNumber, boneIds[j], markersPerBone);
    }
}

void SetOtherMarkers(sFrameOfMocapData* frame, int32_t count) {
    mirav::DeleteArray(frame->otherMarkers);
    frame->otherMarkerCount = count;
    frame->otherMarkers = mirav::NewArray<MarkerData>(count);
    FillPoints(frame->otherMarkers, frame->frameNumber, 0, count);
}

void SetLabeledMarkers(sFrameOfMocapData* frame, int32_t count) {
    frame->labeledMarkerCount = count;
    for (int32_t i = 0; i < count; ++i) {
        frame->labeledMarkers[i].id = i + 1;
        frame->labeledMarkers[i].x = MarkerValue(frame->frameNumber, i, 0);
    }
}

void SetAnalog(sFrameOfMocapData* frame, const std::vector<float>& values) {
    frame->analogDataCount = static_cast<int32_t>(values.size());
    std::memcpy(frame->analogData, values.data(), values.size() * sizeof(float));
}

sFrameOfMocapData* NewTypicalFrame(int32_t frameNumber) {
    sFrameOfMocapData* frame = NewFrame(frameNumber);
    for (int i = 0; i < 10; ++i) AddMarkerSet(frame, "Set" + std::to_string(i), 20);
    for (int i = 0; i < 20; ++i) AddRigidBody(frame, i + 1, 5);
    std::vector<int32_t> bones;
    for (int j = 0; j < 21; ++j) bones.push_back(j + 1);
    AddSkeleton(frame, 1, bones, 0);
    AddSkeleton(frame, 2, bones, 0);
    SetLabeledMarkers(frame, 100);
    SetAnalog(frame, std::vector<float>(16, 1.5f));
    return frame;
}

void DescriptionBytes::Int(int32_t value) {
    uint8_t bytes[4];
    std::memcpy(bytes, &value, 4);  // the test machines are little-endian, like the wire
    entries_.insert(entries_.end(), bytes, bytes + 4);
}

void DescriptionBytes::Name(const std::string& name) {
    std::vector<uint8_t> field(MAX_NAMELENGTH, 0);
    std::memcpy(field.data(), name.data(), std::min<size_t>(name.size(), MAX_NAMELENGTH - 1));
    entries_.insert(entries_.end(), field.begin(), field.end());
}

void DescriptionBytes::RigidBodyPayload(const std::string& name, int32_t id) {
    Name(name);
    Int(id);
    for (int i = 0; i < 8; ++i) Int(0);  // parent id, offset, orientation
}

DescriptionBytes& DescriptionBytes::MarkerSet(const std::string& name,
                                              const std::vector<std::string>& markers) {
    ++count_;
    Int(Descriptor_MarkerSet);
    Int(static_cast<int32_t>(markers.size()));
    Name(name);
    for (const std::string& marker : markers) Name(marker);
    return *this;
}

DescriptionBytes& DescriptionBytes::RigidBody(const std::string& name, int32_t id) {
    ++count_;
    Int(Descriptor_RigidBody);
    RigidBodyPayload(name, id);
    return *this;
}

DescriptionBytes& DescriptionBytes::Skeleton(
    const std::string& name, int32_t id,
    const std::vector<std::pair<std::string, int32_t>>& bones) {
    ++count_;
    Int(Descriptor_Skeleton);
    Name(name);
    Int(id);
    Int(static_cast<int32_t>(bones.size()));
    for (const auto& bone : bones) RigidBodyPayload(bone.first, bone.second);
    return *this;
}

DescriptionBytes& DescriptionBytes::ForcePlate(const std::vector<std::string>& channels) {
    ++count_;
    Int(Descriptor_ForcePlate);
    std::vector<uint8_t> plate(sizeof(sForcePlateDescription), 0);
    const int32_t channelCount = static_cast<int32_t>(channels.size());
    std::memcpy(&plate[offsetof(sForcePlateDescription, channelCount)], &channelCount, 4);
    for (size_t i = 0; i < channels.size(); ++i) {
        std::memcpy(&plate[offsetof(sForcePlateDescription, channelNames) + i * MAX_NAMELENGTH],
                    channels[i].data(), channels[i].size());
    }
    entries_.insert(entries_.end(), plate.begin(), plate.end());
    return *this;
}

std::vector<uint8_t> DescriptionBytes::Bytes() const {
    // Sized once and filled in place (growing a 4-byte vector trips a false bounds warning).
    std::vector<uint8_t> bytes(4 + entries_.size());
    std::memcpy(bytes.data(), &count_, 4);
    if (!entries_.empty()) std::memcpy(bytes.data() + 4, entries_.data(), entries_.size());
    return bytes;
}

void DescriptionBytes::ApplyTo(FrameStore& store) const {
    const std::vector<uint8_t> bytes = Bytes();
    store.SetDescriptions(bytes.data(), static_cast<int32_t>(bytes.size()));
}

void Drain(FrameStore& store) {
    for (size_t i = 0; i <= FrameStore::kMaxPendingFrames; ++i) store.TakeFrame();
}

}  // namespace storetest
