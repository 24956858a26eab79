// Writes the seed corpora of the fuzz targets from the server-side encoders:
//   mirav_fuzz_seeds <corpus folder>
// creates <folder>/frame_decoder/ and <folder>/description_decoder/. Frame seeds start with the
// server's first version byte, as the frame target expects.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "EncodersDescription.h"
#include "EncodersFrame.h"

namespace {

using namespace mirav::sim;

bool Write(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::vector<uint8_t> WithVersion(uint8_t version, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> seed{version};
    seed.insert(seed.end(), body.begin(), body.end());
    return seed;
}

RigidBodyPose Body(int32_t id, int markers) {
    RigidBodyPose body;
    body.id = id;
    body.qw = 1;
    for (int m = 0; m < markers; ++m) {
        body.markers.push_back({1.0f * m, 2, 3});
        body.markerIds.push_back(m);
        body.markerSizes.push_back(0.5f);
    }
    return body;
}

FrameScene SmallScene() {
    FrameScene scene;
    scene.frameNumber = 17;
    scene.markerSets.push_back({"set", {{1, 2, 3}, {4, 5, 6}}});
    scene.otherMarkers = {{7, 8, 9}};
    scene.rigidBodies.push_back(Body(1, 2));
    scene.skeletons.push_back({3, {Body(4, 1), Body(5, 0)}});
    scene.skeletons.push_back({6, {}});
    scene.labeledMarkers.resize(2, sMarker{1, 2, 3, 4, 5, 6});
    scene.analog = {1, 2};
    ExtensionBlock skipped;
    skipped.type = 2;
    skipped.payload = {1, 2, 3, 4, 5};
    ExtensionBlock kinematics;
    kinematics.items = {MakeExtendItem(1), MakeExtendItem(2)};
    scene.extension = EncodeExtension({skipped, kinematics});
    return scene;
}

std::vector<std::pair<std::string, std::vector<uint8_t>>> FrameSeeds() {
    const FrameScene small = SmallScene();
    FrameScene malformed = small;
    ExtensionBlock bad;
    bad.items = {MakeExtendItem(3)};
    bad.payloadLengthOnWire = -12;
    malformed.extension = EncodeExtension({bad});
    return {
        {"empty_v3", WithVersion(3, EncodeFrameBody(FrameScene{}))},
        {"empty_v4", WithVersion(4, EncodeFrameBody(FrameScene{}))},
        {"small_v4", WithVersion(4, EncodeFrameBody(small))},
        {"small_v3", WithVersion(3, EncodeFrameBody(small))},
        {"malformed_extension_v4", WithVersion(4, EncodeFrameBody(malformed))},
        {"typical_v4", WithVersion(4, EncodeFrameBody(MakeTypicalFrameScene(1)))},
    };
}

std::vector<std::pair<std::string, std::vector<uint8_t>>> DescriptionSeeds() {
    std::vector<sRigidBodyDescription> bones;
    for (int b = 0; b < 3; ++b) {
        bones.push_back(MakeRigidBodyDescription("bone" + std::to_string(b), b + 1, b));
    }
    sOpaqueDescription opaque{};
    DescriptionDataEncoder all;
    all.MarkerSet("Body", {"Head", "Chest", "Hip"})
        .RigidBody(MakeRigidBodyDescription("Wand", 7, -1))
        .Skeleton("Actor", 3, bones)
        .ForcePlate(MakeForcePlateDescription(1))
        .PositionSet("Floor", {{1, 2, 3}, {4, 5, 6}})
        .Opaque(opaque);
    DescriptionDataEncoder unknown;
    unknown.Raw(9, {}).MarkerSet("m", {"a"}).Raw(42, {1, 2, 3, 4}).Opaque(opaque);
    return {
        {"empty", DescriptionDataEncoder().Encode()},
        {"all_kinds", all.Encode()},
        {"marker_set", DescriptionDataEncoder().MarkerSet("Set", {"a", "b", "c"}).Encode()},
        {"skeleton", DescriptionDataEncoder().Skeleton("S", 1, bones).Encode()},
        {"unknown_types", unknown.Encode()},
    };
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path root(argv[1]);
    const std::pair<const char*, std::vector<std::pair<std::string, std::vector<uint8_t>>>>
        targets[] = {{"frame_decoder", FrameSeeds()}, {"description_decoder", DescriptionSeeds()}};
    for (const auto& [target, seeds] : targets) {
        std::filesystem::create_directories(root / target);
        for (const auto& [name, bytes] : seeds) {
            if (!Write(root / target / (name + ".bin"), bytes)) {
                std::fprintf(stderr, "cannot write %s\n", name.c_str());
                return 1;
            }
        }
    }
    return 0;
}
