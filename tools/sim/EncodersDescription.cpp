#include "EncodersDescription.h"

#include <cstring>

namespace mirav::sim {

DescriptionDataEncoder& DescriptionDataEncoder::MarkerSet(
    const std::string& name, const std::vector<std::string>& markerNames) {
    entries_.Int32(Descriptor_MarkerSet);
    entries_.Int32(static_cast<int32_t>(markerNames.size()));
    entries_.Name(name);
    for (const std::string& marker : markerNames) {
        entries_.Name(marker);
    }
    ++count_;
    return *this;
}

DescriptionDataEncoder& DescriptionDataEncoder::RigidBody(const sRigidBodyDescription& body) {
    entries_.Int32(Descriptor_RigidBody);
    entries_.Bytes(&body, sizeof body);
    ++count_;
    return *this;
}

DescriptionDataEncoder& DescriptionDataEncoder::Skeleton(
    const std::string& name, int32_t id, const std::vector<sRigidBodyDescription>& bones) {
    entries_.Int32(Descriptor_Skeleton);
    entries_.Name(name);
    entries_.Int32(id);
    entries_.Int32(static_cast<int32_t>(bones.size()));
    for (const sRigidBodyDescription& bone : bones) {
        entries_.Bytes(&bone, sizeof bone);
    }
    ++count_;
    return *this;
}

DescriptionDataEncoder& DescriptionDataEncoder::ForcePlate(const sForcePlateDescription& plate) {
    entries_.Int32(Descriptor_ForcePlate);
    entries_.Bytes(&plate, sizeof plate);
    ++count_;
    return *this;
}

DescriptionDataEncoder& DescriptionDataEncoder::PositionSet(const std::string& name,
                                                            const std::vector<Point>& points) {
    entries_.Int32(Descriptor_PositionSet);
    entries_.Int32(static_cast<int32_t>(points.size()));
    entries_.Name(name);
    for (const Point& p : points) {
        entries_.PointXyz(p);
    }
    ++count_;
    return *this;
}

DescriptionDataEncoder& DescriptionDataEncoder::Opaque(const sOpaqueDescription& opaque) {
    entries_.Int32(Descriptor_Opaque);
    entries_.Bytes(&opaque, sizeof opaque);
    ++count_;
    return *this;
}

DescriptionDataEncoder& DescriptionDataEncoder::Raw(int32_t type,
                                                    const std::vector<uint8_t>& payload) {
    entries_.Int32(type);
    entries_.Bytes(payload);
    ++count_;
    return *this;
}

std::vector<uint8_t> DescriptionDataEncoder::Encode(std::optional<int32_t> countOnWire) const {
    WireWriter w;
    w.Int32(countOnWire.value_or(count_));
    w.Bytes(entries_.Data());
    return w.Take();
}

sRigidBodyDescription MakeRigidBodyDescription(const std::string& name, int32_t id,
                                               int32_t parentId) {
    sRigidBodyDescription body;
    std::memset(&body, 0, sizeof body);
    std::strncpy(body.name, name.c_str(), sizeof body.name - 1);
    body.id = id;
    body.parentId = parentId;
    body.offsetX = 0.1f * static_cast<float>(id);
    body.offsetY = 0.2f;
    body.offsetZ = -0.3f;
    body.qw = 1.0f;
    return body;
}

sForcePlateDescription MakeForcePlateDescription(int32_t seed) {
    sForcePlateDescription plate;
    std::memset(&plate, 0, sizeof plate);
    plate.channelScale = 1000 + seed;
    for (int i = 0; i < 3; ++i) {
        plate.origin[i] = static_cast<float>(seed + i);
        plate.geometry[i] = 0.5f * static_cast<float>(i + 1);
    }
    for (int i = 0; i < 9; ++i) {
        plate.orientation[i] = (i % 4 == 0) ? 1.0f : 0.0f;
    }
    for (int i = 0; i < 8; ++i) {
        plate.calibration[i][i] = 1.0f + 0.125f * static_cast<float>(i);
    }
    plate.plateKind = 4;
    plate.channelCount = 6;
    for (int c = 0; c < 6; ++c) {
        std::string channel = "Plate" + std::to_string(seed) + "Ch" + std::to_string(c);
        std::strncpy(plate.channelNames[c], channel.c_str(), sizeof plate.channelNames[c] - 1);
    }
    return plate;
}

std::vector<uint8_t> EncodeReplyImage(const std::vector<uint8_t>& descriptionData,
                                      uint16_t recordType, bool fullImage) {
    constexpr size_t kRecordSize = 300008;
    WireWriter w;
    w.UInt16(recordType);
    w.UInt16(0);
    w.Int32(static_cast<int32_t>(descriptionData.size()));
    w.Bytes(descriptionData);
    std::vector<uint8_t> image = w.Take();
    if (fullImage) {
        image.resize(kRecordSize, 0);
    } else if (image.size() > kRecordSize) {
        image.resize(kRecordSize);
    }
    return image;
}

}  // namespace mirav::sim
