// Polls the newest frame ten times a second and looks items up by name: a rigid body, a bone
// of a skeleton, a marker of a marker set and an analog channel. The names default to those of
// the substitute server's scene.
// Usage: polling_client [server address] [seconds] [rigid body] [skeleton] [bone]
#include <mirav/Mirav.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

void OnMessage(int level, char* message) {
    if (level >= 3) std::fprintf(stderr, "library: %s", message);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string address = argc > 1 ? argv[1] : "127.0.0.1";
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 10;
    const std::string bodyName = argc > 3 ? argv[3] : "RigidBody1";
    const std::string skeletonName = argc > 4 ? argv[4] : "Walker";
    const std::string boneName = argc > 5 ? argv[5] : "Hips";

    MiravSDKClient client;
    client.SetMessageCallback(&OnMessage);
    const int result = client.Initialize(address.c_str());
    if (result != 0) {
        std::fprintf(stderr, "polling_client: cannot connect to %s (result %d)\n", address.c_str(),
                     result);
        return 1;
    }
    // The look-ups by name use the descriptions the library keeps from this request.
    sDataDescriptions* descriptions = nullptr;
    if (client.GetDataDescriptions(&descriptions) != 0) {
        std::fprintf(stderr, "polling_client: no data descriptions from %s\n", address.c_str());
        client.Uninitialize();
        return 1;
    }
    client.FreeDataDescriptions(descriptions);

    int found = 0;
    int lastFrame = -1;
    for (int poll = 0; poll < seconds * 10; ++poll) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        // Each call makes the oldest waiting frame (up to 32 wait) the library's current frame;
        // calling until the frame number repeats catches up with the newest. The pointer and
        // everything the look-ups return stay valid until the next GetLastFrameOfMocapData in
        // this process.
        const sFrameOfMocapData* frame = nullptr;
        int newest = lastFrame;
        for (int i = 0; i < 64; ++i) {
            frame = client.GetLastFrameOfMocapData();
            if (frame == nullptr || frame->frameNumber == newest) break;
            newest = frame->frameNumber;
        }
        if (frame == nullptr || frame->frameNumber == lastFrame) continue;
        lastFrame = frame->frameNumber;

        sRigidBodyData* body = nullptr;
        sRigidBodyData* bone = nullptr;
        float* marker = nullptr;
        float analog = 0;
        const bool haveBody = client.GetLastFrameRigidBodyByName(bodyName.c_str(), &body) == 0;
        const bool haveBone =
            client.GetLastFrameSkeletonByName(skeletonName.c_str(), boneName.c_str(), &bone) == 0;
        const bool haveMarker = client.GetLastFrameMarkerByName("Wand", "Wand_1", &marker) == 0;
        const bool haveAnalog = client.GetLastFrameAnalogdata("Analog 1", &analog) == 0;
        if (poll % 10 == 0) {
            std::printf("frame %d", frame->frameNumber);
            if (haveBody)
                std::printf("  %s %.3f %.3f %.3f", bodyName.c_str(), body->x, body->y, body->z);
            if (haveBone) {
                std::printf("  %s/%s %.3f %.3f %.3f", skeletonName.c_str(), boneName.c_str(),
                            bone->x, bone->y, bone->z);
            }
            if (haveMarker) std::printf("  Wand_1 %.3f %.3f %.3f", marker[0], marker[1], marker[2]);
            if (haveAnalog) std::printf("  Analog 1 %.3f", analog);
            std::printf("\n");
            std::fflush(stdout);
        }
        if (haveBody && haveBone) ++found;
    }
    client.Uninitialize();
    std::printf("found %s and %s/%s in %d polled frames\n", bodyName.c_str(), skeletonName.c_str(),
                boneName.c_str(), found);
    return found > 0 ? 0 : 1;
}
