// Connects to a capture server, prints live frames and the frame rate once a second for a
// while, then disconnects. Usage: live_frames [server address] [seconds]
#include <mirav/Mirav.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

namespace {

// What the data callback keeps of the newest frame; the frame itself is valid only during
// the call.
struct LiveState {
    std::atomic<uint64_t> frames{0};
    std::mutex lock;
    int32_t frameNumber = 0;
    int32_t rigidBodies = 0;
    int32_t skeletons = 0;
    int32_t labeledMarkers = 0;
    float firstBody[3] = {0, 0, 0};
    uint32_t timecode = 0;
    uint32_t subframe = 0;
};

void OnFrame(sFrameOfMocapData* frame, void* context) {
    auto* state = static_cast<LiveState*>(context);
    if (state == nullptr) return;
    std::lock_guard<std::mutex> guard(state->lock);
    state->frameNumber = frame->frameNumber;
    state->rigidBodies = frame->rigidBodyCount;
    state->skeletons = frame->skeletonCount;
    state->labeledMarkers = frame->labeledMarkerCount;
    if (frame->rigidBodyCount > 0) {
        state->firstBody[0] = frame->rigidBodies[0].x;
        state->firstBody[1] = frame->rigidBodies[0].y;
        state->firstBody[2] = frame->rigidBodies[0].z;
    }
    state->timecode = frame->timecode;
    state->subframe = frame->timecodeSubframe;
    state->frames.fetch_add(1);
}

void OnMessage(int level, char* message) {
    if (level >= 3) std::fprintf(stderr, "library: %s", message);
}

void PrintDescriptions(MiravSDKClient& client) {
    sDataDescriptions* descriptions = nullptr;
    if (client.GetDataDescriptions(&descriptions) != 0 || descriptions == nullptr) {
        std::printf("no data descriptions\n");
        return;
    }
    std::printf("the server describes %d items:", descriptions->descriptionCount);
    for (int i = 0; i < descriptions->descriptionCount && i < MAX_MODELS; ++i) {
        const sDataDescription& entry = descriptions->descriptions[i];
        if (entry.type == Descriptor_RigidBody && entry.Data.RigidBodyDescription != nullptr) {
            std::printf(" rigid body '%s'", entry.Data.RigidBodyDescription->name);
        } else if (entry.type == Descriptor_Skeleton && entry.Data.SkeletonDescription) {
            std::printf(" skeleton '%s'", entry.Data.SkeletonDescription->name);
        } else if (entry.type == Descriptor_MarkerSet && entry.Data.MarkerSetDescription) {
            std::printf(" marker set '%s'", entry.Data.MarkerSetDescription->name);
        }
    }
    std::printf("\n");
    client.FreeDataDescriptions(descriptions);
}

}  // namespace

int main(int argc, char** argv) {
    std::string address = argc > 1 ? argv[1] : "127.0.0.1";
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 10;

    LiveState state;
    MiravSDKClient client;
    client.SetMessageCallback(&OnMessage);
    client.SetDataCallback(&OnFrame, &state);

    const int result = client.Initialize(address.c_str());
    if (result != 0) {
        std::fprintf(stderr, "live_frames: cannot connect to %s (result %d)\n", address.c_str(),
                     result);
        return 1;
    }
    sServerDescription description{};
    if (client.GetServerDescription(&description) == 0) {
        std::printf("connected to %s (%s), protocol %u.%u.%u.%u\n", description.hostApp,
                    description.hostComputerName, description.sdkVersion[0],
                    description.sdkVersion[1], description.sdkVersion[2],
                    description.sdkVersion[3]);
    }
    PrintDescriptions(client);

    using Clock = std::chrono::steady_clock;
    uint64_t previous = state.frames.load();
    auto last = Clock::now();
    for (int s = 0; s < seconds; ++s) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const auto now = Clock::now();
        const uint64_t frames = state.frames.load();
        const double rate = static_cast<double>(frames - previous) /
                            std::chrono::duration<double>(now - last).count();
        previous = frames;
        last = now;
        char timecode[32] = "";
        std::lock_guard<std::mutex> guard(state.lock);
        client.TimecodeStringify(state.timecode, state.subframe, timecode, sizeof(timecode));
        std::printf(
            "frame %6d  %6.1f fps  %d rigid bodies (first at %.3f %.3f %.3f)  %d skeletons  "
            "%d labelled markers  timecode %s\n",
            state.frameNumber, rate, state.rigidBodies, state.firstBody[0], state.firstBody[1],
            state.firstBody[2], state.skeletons, state.labeledMarkers, timecode);
        std::fflush(stdout);
    }
    client.Uninitialize();
    const uint64_t total = state.frames.load();
    std::printf("received %llu frames in %d s\n", static_cast<unsigned long long>(total), seconds);
    return total > 0 ? 0 : 1;
}
