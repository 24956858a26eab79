// Writer of C3D motion files (Intel byte order): 3D points with labels and validity, analog
// channels with their rate, scale and units, and force platform definitions. Points and analog
// values are stored as floats, or as 16-bit integers with a scale chosen from the largest value.
#ifndef MIRAV_CLI_EXPORT_C3D_WRITER_H
#define MIRAV_CLI_EXPORT_C3D_WRITER_H

#include <cstdint>
#include <string>
#include <vector>

namespace mirav::cli {

struct C3dSample {
    float x = 0, y = 0, z = 0;
    bool valid = false;  // false: occluded, written with a residual of -1
};

struct C3dPlateOut {
    int type = 2;               // 2: six channels (forces, moments), 3: eight channels
    std::vector<int> channels;  // 0-based analog channel of each plate channel
    double corners[4][3] = {};  // lab coordinates, corner 1 first
    double origin[3] = {};      // type 2: plate centre -> transducer origin; 3: a, b, az0
};

struct C3dContent {
    double frameRate = 0;
    std::string pointUnits = "mm";
    std::vector<std::string> pointLabels;
    std::vector<C3dSample> points;  // frames x pointLabels.size()
    size_t frameCount = 0;
    uint32_t firstFrame = 1;  // number of the first frame
    std::vector<std::string> analogLabels;
    std::vector<std::string> analogUnits;  // may be shorter than analogLabels
    std::vector<float> analog;             // frames x analogLabels.size(), one sample a frame
    std::vector<C3dPlateOut> plates;
    std::string subjectName;  // written to SUBJECTS:NAMES when not empty
    bool integerStorage = false;
};

// Builds the file image. Fails with a reason when the content does not fit the format (more
// than 65535 points or analog channels, a label list that does not match the data).
bool WriteC3d(const C3dContent& content, std::vector<uint8_t>& bytes, std::string& error);

}  // namespace mirav::cli

#endif
