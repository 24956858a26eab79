// Frames of three sizes for the frame-path benchmarks, and the baselines they are read against.
#ifndef MIRAV_BENCH_FRAME_PATH_SUPPORT_H
#define MIRAV_BENCH_FRAME_PATH_SUPPORT_H

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "EncodersFrame.h"

namespace mirav::bench {

// Server version bytes 4, 0, 56, 34 (first byte low): the extension block is decoded.
constexpr uint32_t kServerVersion = 4u | (0u << 8) | (56u << 16) | (34u << 24);

enum FrameSize { kSmall = 0, kTypical = 1, kLarge = 2 };

inline const char* SizeName(int64_t size) {
    return size == kSmall ? "small" : size == kTypical ? "typical" : "large";
}

inline sim::RigidBodyPose Body(int32_t id, int markers) {
    sim::RigidBodyPose body;
    body.id = id;
    body.qw = 1;
    for (int m = 0; m < markers; ++m) {
        body.markers.push_back({0.1f * static_cast<float>(m), 1, 2});
        body.markerIds.push_back(m);
        body.markerSizes.push_back(0.01f);
    }
    return body;
}

// small: one rigid body; typical: the substitute server's typical frame (about 13.6 kB); large:
// every count of the record at its capacity (marker sets, unlabelled and labelled markers, rigid
// bodies, skeletons, analog values, 1000 extended items).
inline sim::FrameScene Scene(int64_t size, int32_t frameNumber) {
    if (size == kTypical) return sim::MakeTypicalFrameScene(frameNumber);
    sim::FrameScene scene;
    scene.frameNumber = frameNumber;
    if (size == kSmall) {
        scene.rigidBodies.push_back(Body(1, 3));
        return scene;
    }
    for (int s = 0; s < MAX_MARKERSETS; ++s) {
        scene.markerSets.push_back({"Set" + std::to_string(s), std::vector<sim::Point>(5)});
    }
    scene.otherMarkers.resize(MAX_UNLABELED_MARKERS);
    for (int b = 0; b < MAX_RIGIDBODIES; ++b) scene.rigidBodies.push_back(Body(b + 1, 3));
    for (int k = 0; k < MAX_SKELETONS; ++k) {
        sim::SkeletonPose skeleton;
        skeleton.id = k + 1;
        for (int b = 0; b < 20; ++b) skeleton.bones.push_back(Body(b + 1, 0));
        scene.skeletons.push_back(skeleton);
    }
    scene.labeledMarkers.resize(MAX_LABELED_MARKERS);
    scene.analog.resize(MAX_ANALOG_CHANNELS);
    sim::ExtensionBlock block;
    for (int i = 0; i < MAX_EXTEND_ITEMS; ++i) block.items.push_back(sim::MakeExtendItem(i));
    scene.extension = sim::EncodeExtension({block});
    return scene;
}

inline std::vector<uint8_t> Body(int64_t size, int32_t frameNumber = 1) {
    return sim::EncodeFrameBody(Scene(size, frameNumber));
}

using Clock = std::chrono::steady_clock;

// Mean microseconds of one call of operation over rounds warm rounds.
template <class Operation>
double MeanMicroseconds(Operation operation, int rounds = 200) {
    operation();
    const auto start = Clock::now();
    for (int i = 0; i < rounds; ++i) operation();
    const std::chrono::duration<double, std::micro> elapsed = Clock::now() - start;
    return elapsed.count() / rounds;
}

// The baseline every cost is read against: one memcpy of the frame body.
inline double MemcpyMicroseconds(size_t bytes) {
    std::vector<uint8_t> source(bytes, 1), destination(bytes);
    return MeanMicroseconds([&] {
        std::memcpy(destination.data(), source.data(), bytes);
        benchmark::ClobberMemory();
    });
}

// Pushes the frame's data out of the caches, as an application that did other work between
// two polls finds it.
inline void EvictCaches() {
    static std::vector<uint8_t> sweep(32u << 20);
    for (size_t i = 0; i < sweep.size(); i += 64) sweep[i] = static_cast<uint8_t>(sweep[i] + 1);
    benchmark::ClobberMemory();
}

// Resident memory of the process in kB (0 where /proc is not available).
inline double ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6));
    }
    return 0;
}

}  // namespace mirav::bench

#endif
