// Encoder of description data (the body of a type-101 reply) and of the type-105 reply image.
#ifndef MIRAV_SIM_ENCODERS_DESCRIPTION_H
#define MIRAV_SIM_ENCODERS_DESCRIPTION_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "EncodersWire.h"
#include "mirav/MiravTypes.h"

namespace mirav::sim {

// Collects description entries in order; Encode writes the count and the entries.
class DescriptionDataEncoder {
public:
    DescriptionDataEncoder& MarkerSet(const std::string& name,
                                      const std::vector<std::string>& markerNames);
    DescriptionDataEncoder& RigidBody(const sRigidBodyDescription& body);
    DescriptionDataEncoder& Skeleton(const std::string& name, int32_t id,
                                     const std::vector<sRigidBodyDescription>& bones);
    DescriptionDataEncoder& ForcePlate(const sForcePlateDescription& plate);
    DescriptionDataEncoder& PositionSet(const std::string& name, const std::vector<Point>& points);
    DescriptionDataEncoder& Opaque(const sOpaqueDescription& opaque);
    // An entry with any type and a hand-made payload (unknown types, malformed entries).
    DescriptionDataEncoder& Raw(int32_t type, const std::vector<uint8_t>& payload);

    int32_t Count() const { return count_; }
    // The count (Count() unless countOnWire replaces it) followed by the entries.
    std::vector<uint8_t> Encode(std::optional<int32_t> countOnWire = std::nullopt) const;

private:
    WireWriter entries_;
    int32_t count_ = 0;
};

sRigidBodyDescription MakeRigidBodyDescription(const std::string& name, int32_t id,
                                               int32_t parentId);
// A six-channel plate with distinct calibration values and channel names.
sForcePlateDescription MakeForcePlateDescription(int32_t seed);

// Body of a type-105 message: an image of a reply record (record type, 2 unused bytes, length,
// then the description data). fullImage pads it to the whole 300,008-byte record.
std::vector<uint8_t> EncodeReplyImage(const std::vector<uint8_t>& descriptionData,
                                      uint16_t recordType = 101, bool fullImage = false);

}  // namespace mirav::sim

#endif
