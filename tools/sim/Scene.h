// The synthetic scene the substitute server streams: moving rigid bodies, a walking skeleton,
// marker sets, labelled and unlabelled markers, analog values and timecode, with the data
// descriptions that name them all.
#ifndef MIRAV_SIM_SCENE_H
#define MIRAV_SIM_SCENE_H

#include <cstdint>
#include <string>
#include <vector>

#include "EncodersFrame.h"
#include "mirav/MiravTypes.h"

namespace mirav::sim {

struct RecordedTake;

class Scene {
public:
    static constexpr int kRigidBodies = 3;
    static constexpr int kBones = 5;
    static constexpr int kMarkersPerSet = 4;
    static constexpr int kAnalogChannels = 4;
    static constexpr int32_t kSkeletonId = 1;

    explicit Scene(double frameRate = 100.0) : frameRate_(frameRate) {}

    // Scene size: rigid bodies (each with a labelled marker), walking skeletons and markers in
    // the marker set. Defaults are kRigidBodies, 1 and kMarkersPerSet. Set before the server
    // starts.
    void SetSize(int rigidBodies, int skeletons, int markersPerSet);
    int RigidBodyCount() const { return rigidBodies_; }
    int SkeletonCount() const { return skeletons_; }
    int MarkersPerSet() const { return markersPerSet_; }

    // Plays a recorded take instead of the synthetic scene: frames, descriptions and T-pose
    // come from the take (which must outlive the scene). Set before the server starts.
    void SetTake(const RecordedTake* take) { take_ = take; }
    const RecordedTake* Take() const { return take_; }

    // The pose of every object at frame n (frame numbers start at 1).
    FrameScene Frame(int32_t frameNumber) const;
    std::vector<uint8_t> FrameBody(int32_t frameNumber) const;
    // Description data (the body of a type-101 reply) naming everything Frame produces.
    std::vector<uint8_t> DescriptionData() const;
    // Description data of the T-pose set called name: the skeleton in its rest pose.
    std::vector<uint8_t> TposeDescriptionData(const std::string& name) const;

    // Force plates the walker steps across, one after the other (none by default). Their channels
    // come first in every frame, then the scene's analog channels; frame 1 leaves them unloaded.
    // The descriptions gain the plates and an analog device naming the scene's analog channels
    // (AnalogName). Set before the server starts.
    void SetForcePlates(std::vector<sForcePlateDescription> plates) {
        forcePlates_ = std::move(plates);
    }
    const std::vector<sForcePlateDescription>& ForcePlates() const { return forcePlates_; }

    // Names used by the scene, for clients and tests.
    static std::string RigidBodyName(int index);     // "RigidBody1" ...
    static std::string BoneName(int index);          // "Hips", "Spine", ...
    static std::string MarkerSetName();              // "Wand"
    static std::string MarkerName(int index);        // "Wand_1" ...
    static std::string SkeletonName(int index = 0);  // "Walker", "Walker2" ...
    static std::string AnalogName(int index);  // "Analog 1" ... (named with force plates only)

private:
    double frameRate_;
    int rigidBodies_ = kRigidBodies;
    int skeletons_ = 1;
    int markersPerSet_ = kMarkersPerSet;
    const RecordedTake* take_ = nullptr;
    std::vector<sForcePlateDescription> forcePlates_;
};

}  // namespace mirav::sim

#endif
