// Reader of C3D motion files (Intel byte order): header, parameters, 3D points with residuals,
// analog channels in physical units and the force platform definitions.
#ifndef MIRAV_SIM_C3D_READER_H
#define MIRAV_SIM_C3D_READER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "C3dParameters.h"

namespace mirav::sim {

struct C3dHeader {
    int parameterBlock = 0;
    int pointCount = 0;
    int analogPerFrame = 0;  // analog values per 3D frame (channels x samples)
    int firstFrame = 0;
    int lastFrame = 0;
    float pointScale = 0;  // negative: data stored as floats
    int dataStartBlock = 0;
    int analogSamplesPerFrame = 0;
    float frameRate = 0;
    int processorType = 0;  // 84 Intel, 85 DEC, 86 MIPS
    int parameterBlockCount = 0;
};

// One 3D sample. Invalid samples (negative residual word in the file) keep their coordinates
// as stored but have valid false.
struct C3dPoint {
    float x = 0, y = 0, z = 0;
    float residual = 0;  // in point units; -1 when invalid
    uint8_t cameraMask = 0;
    bool valid = false;
};

// One force platform from the FORCE_PLATFORM group. Channel numbers are 0-based analog indices.
struct C3dForcePlatform {
    int type = 0;
    std::vector<int> channels;
    double corners[4][3] = {};
    double origin[3] = {};
    std::vector<double> calibration;  // row-major, rows x rows; empty when the file has none
    int calibrationRows = 0;
    int zeroFirst = 0, zeroLast = 0;  // frame range of the zero level; 0,0: none
};

struct C3dFile {
    C3dHeader header;
    C3dParameters parameters;
    int frameCount = 0;
    int firstFrame = 0;
    double frameRate = 0;
    double analogRate = 0;
    bool floatData = false;

    std::vector<std::string> pointLabels;  // as in the file (may repeat); pointCount entries
    std::string pointUnits;
    std::vector<C3dPoint> points;  // frameCount x pointCount

    int analogChannelCount = 0;
    int analogSamplesPerFrame = 0;
    std::vector<std::string> analogLabels;  // analogChannelCount entries
    std::vector<std::string> analogUnits;
    // Physical values (stored value - OFFSET) * SCALE * GEN_SCALE, frame by frame, sample by
    // sample, channel by channel.
    std::vector<float> analog;

    std::vector<C3dForcePlatform> platforms;

    const C3dPoint& Point(int frame, int point) const {
        return points[static_cast<size_t>(frame) * header.pointCount + point];
    }
    float Analog(int frame, int sample, int channel) const {
        return analog[(static_cast<size_t>(frame) * analogSamplesPerFrame + sample) *
                          analogChannelCount +
                      channel];
    }
};

// Parses a whole file image. Returns false with a one-line reason for anything it cannot read
// (truncated or corrupt sections, unsupported processor types); never reads out of bounds.
bool ParseC3d(const std::vector<uint8_t>& bytes, C3dFile& out, std::string& error);

// Reads and parses a file from disk.
bool ReadC3dFile(const std::string& path, C3dFile& out, std::string& error);

// Reads a whole file into memory (shared by the readers); false with a reason.
bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

}  // namespace mirav::sim

#endif
