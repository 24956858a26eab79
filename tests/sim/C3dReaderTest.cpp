#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>

#include "C3dReader.h"
#include "sim/RecordingData.h"

namespace mirav::sim {
namespace {

// A small integer-format C3D file: 2 points, 2 analog channels x 2 samples, 3 frames.
class C3dBuilder {
public:
    std::vector<uint8_t> Build(uint8_t processor = 84) {
        std::vector<uint8_t> file(512 * 2, 0);
        file[0] = 2;
        file[1] = 0x50;
        PutWord(file, 2, 2);       // points
        PutWord(file, 3, 4);       // analog values per frame
        PutWord(file, 4, 10);      // first frame
        PutWord(file, 5, 12);      // last frame
        PutFloat(file, 12, 0.5f);  // point scale (integer data)
        PutWord(file, 9, 3);       // data start block
        PutWord(file, 10, 2);      // analog samples per frame
        PutFloat(file, 20, 50.0f);

        std::vector<uint8_t> p = {0, 0, 1, processor};
        Group(p, 1, "POINT");
        Param(p, 1, "SCALE", 4, {}, Floats({0.5f}));
        Param(p, 1, "RATE", 4, {}, Floats({50.0f}));
        Param(p, 1, "LABELS", -1, {4, 2}, Text("HEADTOE "));
        Param(p, 1, "UNITS", -1, {2}, Text("mm"));
        Group(p, 2, "ANALOG");
        Param(p, 2, "LABELS", -1, {3, 2}, Text("FZ EMG"));
        Param(p, 2, "SCALE", 4, {2}, Floats({2.0f, -0.5f}));
        Param(p, 2, "OFFSET", 2, {2}, Words({10, 0}));
        Param(p, 2, "GEN_SCALE", 4, {}, Floats({0.25f}));
        Param(p, 2, "MATRIX", 2, {2, 3}, Words({1, 2, 3, 4, 5, 6}));
        p.push_back(0);
        p.push_back(0);
        std::copy(p.begin(), p.end(), file.begin() + 512);

        // Frame f: point 0 at (2f, 4, 6) * scale, point 1 invalid; analog raw 100+f, 7.
        for (int f = 0; f < 3; ++f) {
            const int16_t values[] = {static_cast<int16_t>(2 * f),   4, 6,   0x0305, 1, 1, 1, -1,
                                      static_cast<int16_t>(100 + f), 7, 200, 8};
            for (int16_t v : values) {
                file.push_back(static_cast<uint8_t>(v & 0xff));
                file.push_back(static_cast<uint8_t>((v >> 8) & 0xff));
            }
        }
        return file;
    }

private:
    static void PutWord(std::vector<uint8_t>& f, int word, uint16_t v) {
        f[2 * (word - 1)] = v & 0xff;
        f[2 * (word - 1) + 1] = v >> 8;
    }
    static void PutFloat(std::vector<uint8_t>& f, size_t at, float v) {
        std::memcpy(&f[at], &v, 4);
    }
    static std::vector<uint8_t> Floats(std::vector<float> v) {
        std::vector<uint8_t> out(v.size() * 4);
        std::memcpy(out.data(), v.data(), out.size());
        return out;
    }
    static std::vector<uint8_t> Words(std::vector<int16_t> v) {
        std::vector<uint8_t> out(v.size() * 2);
        std::memcpy(out.data(), v.data(), out.size());
        return out;
    }
    static std::vector<uint8_t> Text(const std::string& s) { return {s.begin(), s.end()}; }
    static void Record(std::vector<uint8_t>& p, int8_t id, const std::string& name,
                       const std::vector<uint8_t>& body) {
        p.push_back(static_cast<uint8_t>(name.size()));
        p.push_back(static_cast<uint8_t>(id));
        p.insert(p.end(), name.begin(), name.end());
        const uint16_t next = static_cast<uint16_t>(body.size() + 2);
        p.push_back(next & 0xff);
        p.push_back(next >> 8);
        p.insert(p.end(), body.begin(), body.end());
    }
    static void Group(std::vector<uint8_t>& p, int8_t id, const std::string& name) {
        Record(p, static_cast<int8_t>(-id), name, {0});
    }
    static void Param(std::vector<uint8_t>& p, int8_t group, const std::string& name, int8_t type,
                      const std::vector<uint8_t>& dims, const std::vector<uint8_t>& data) {
        std::vector<uint8_t> body = {static_cast<uint8_t>(type), static_cast<uint8_t>(dims.size())};
        body.insert(body.end(), dims.begin(), dims.end());
        body.insert(body.end(), data.begin(), data.end());
        body.push_back(0);
        Record(p, group, name, body);
    }
};

TEST(C3dReader, DecodesIntegerPointsResidualsAndScaledAnalog) {
    C3dFile f;
    std::string error;
    ASSERT_TRUE(ParseC3d(C3dBuilder().Build(), f, error)) << error;
    EXPECT_EQ(f.frameCount, 3);
    EXPECT_EQ(f.firstFrame, 10);
    EXPECT_DOUBLE_EQ(f.frameRate, 50.0);
    EXPECT_FALSE(f.floatData);
    EXPECT_EQ(f.pointLabels, (std::vector<std::string>{"HEAD", "TOE"}));
    EXPECT_EQ(f.analogLabels, (std::vector<std::string>{"FZ", "EMG"}));
    EXPECT_EQ(f.analogChannelCount, 2);
    EXPECT_EQ(f.analogSamplesPerFrame, 2);

    const C3dPoint& p = f.Point(2, 0);
    EXPECT_TRUE(p.valid);
    EXPECT_FLOAT_EQ(p.x, 2.0f);  // 4 * 0.5
    EXPECT_FLOAT_EQ(p.y, 2.0f);
    EXPECT_FLOAT_EQ(p.z, 3.0f);
    EXPECT_EQ(p.cameraMask, 3);
    EXPECT_FLOAT_EQ(p.residual, 2.5f);  // 5 * |scale|
    EXPECT_FALSE(f.Point(0, 1).valid);

    // (raw - offset) * scale * gen_scale
    EXPECT_FLOAT_EQ(f.Analog(1, 0, 0), (101 - 10) * 2.0f * 0.25f);
    EXPECT_FLOAT_EQ(f.Analog(1, 0, 1), 7 * -0.5f * 0.25f);
    EXPECT_FLOAT_EQ(f.Analog(1, 1, 0), (200 - 10) * 2.0f * 0.25f);

    const C3dParameter* matrix = f.parameters.Find("analog", "matrix");
    ASSERT_NE(matrix, nullptr);
    EXPECT_EQ(matrix->dimensions, (std::vector<int>{2, 3}));
    EXPECT_EQ(matrix->numbers, (std::vector<double>{1, 2, 3, 4, 5, 6}));
}

TEST(C3dReader, RefusesOtherProcessorsAndDamagedFilesWithAReason) {
    C3dFile f;
    std::string error;
    EXPECT_FALSE(ParseC3d(C3dBuilder().Build(85), f, error));
    EXPECT_NE(error.find("DEC"), std::string::npos) << error;
    EXPECT_FALSE(ParseC3d(C3dBuilder().Build(86), f, error));
    EXPECT_NE(error.find("MIPS"), std::string::npos) << error;

    const std::vector<uint8_t> good = C3dBuilder().Build();
    for (size_t length = 0; length < good.size(); ++length) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + length);
        error.clear();
        EXPECT_FALSE(ParseC3d(cut, f, error)) << "length " << length;
        EXPECT_FALSE(error.empty()) << "length " << length;
    }

    // Every single byte of the header and parameter section set to every boundary value:
    // any outcome is fine as long as nothing is read out of bounds (ASan build).
    for (size_t at = 0; at < 512 + 200; ++at) {
        for (uint8_t value : {0x00, 0x01, 0x7f, 0x80, 0xff}) {
            std::vector<uint8_t> bad = good;
            bad[at] = value;
            ParseC3d(bad, f, error);
        }
    }
}

TEST(C3dReader, ReadsTheFiguresOfTheSampleRecordings) {
    MIRAV_REQUIRE_RECORDING("Walk1.c3d");
    struct Expected {
        const char* name;
        int points, channels, samples, first, frames;
        double rate, pointScale, validShare;
        int plateType, plates;
    };
    const Expected all[] = {
        {"Walk1.c3d", 49, 18, 16, 1, 151, 60, -0.0751, 0.837, 4, 2},
        {"Capture0004.c3d", 18, 16, 1, 389, 453, 240, -0.0581, 0.993, 3, 2},
        {"01_01.c3d", 42, 0, 0, 40, 2751, 120, -0.05, 0.976, 0, 0},
    };
    for (const Expected& e : all) {
        SCOPED_TRACE(e.name);
        C3dFile f;
        std::string error;
        ASSERT_TRUE(ReadC3dFile(test::RecordingPath(e.name), f, error)) << error;
        EXPECT_EQ(f.header.processorType, 84);
        EXPECT_EQ(f.header.pointCount, e.points);
        EXPECT_EQ(f.analogChannelCount, e.channels);
        EXPECT_EQ(f.analogSamplesPerFrame, e.samples);
        EXPECT_EQ(f.firstFrame, e.first);
        EXPECT_EQ(f.frameCount, e.frames);
        EXPECT_DOUBLE_EQ(f.frameRate, e.rate);
        EXPECT_NEAR(f.header.pointScale, e.pointScale, 1e-4);
        EXPECT_TRUE(f.floatData);
        EXPECT_EQ(f.pointUnits, "mm");
        size_t valid = 0;
        for (const C3dPoint& p : f.points) valid += p.valid;
        EXPECT_NEAR(static_cast<double>(valid) / f.points.size(), e.validShare, 0.0005);
        ASSERT_EQ(f.platforms.size(), static_cast<size_t>(e.plates));
        for (const C3dForcePlatform& plate : f.platforms) EXPECT_EQ(plate.type, e.plateType);
    }
}

TEST(C3dReader, ReadsForcePlatformParameters) {
    MIRAV_REQUIRE_RECORDING("Walk1.c3d");
    C3dFile walk;
    std::string error;
    ASSERT_TRUE(ReadC3dFile(test::RecordingPath("Walk1.c3d"), walk, error)) << error;
    ASSERT_EQ(walk.platforms.size(), 2u);
    const C3dForcePlatform& p2 = walk.platforms[1];
    EXPECT_EQ(p2.channels, (std::vector<int>{6, 7, 8, 9, 10, 11}));
    EXPECT_DOUBLE_EQ(p2.corners[0][0], 1175);
    EXPECT_DOUBLE_EQ(p2.corners[3][1], 464);
    EXPECT_NEAR(p2.origin[2], -36.97, 1e-4);
    ASSERT_EQ(p2.calibrationRows, 6);
    const double diagonal[] = {1.423, 1.419, 6.005, 602, 604, 287};
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(p2.calibration[i * 7], diagonal[i], 1e-3);
    EXPECT_EQ(walk.analogUnits[3], "Nmm");
    // Eleven labels occur more than once; the reader keeps them as stored.
    std::set<std::string> seen, repeated;
    for (const std::string& label : walk.pointLabels) {
        if (!seen.insert(label).second) repeated.insert(label);
    }
    EXPECT_EQ(repeated.size(), 11u);
    EXPECT_EQ(repeated.count("VMID"), 1u);

    MIRAV_REQUIRE_RECORDING("Capture0004.c3d");
    C3dFile capture;
    ASSERT_TRUE(ReadC3dFile(test::RecordingPath("Capture0004.c3d"), capture, error)) << error;
    ASSERT_EQ(capture.platforms.size(), 2u);
    EXPECT_EQ(capture.platforms[1].channels.front(), 8);
    EXPECT_EQ(capture.platforms[1].zeroFirst, 1);
    EXPECT_EQ(capture.platforms[1].zeroLast, 10);
    EXPECT_DOUBLE_EQ(capture.platforms[0].origin[2], 48);
    EXPECT_NEAR(capture.parameters.Number("ANALOG", "SCALE", 4).value(), -255.75, 0.01);
}

TEST(C3dReader, TruncatedOrGarbledRecordingsGiveAnError) {
    MIRAV_REQUIRE_RECORDING("Walk1.c3d");
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(ReadFileBytes(test::RecordingPath("Walk1.c3d"), bytes, error)) << error;
    C3dFile f;
    for (size_t length :
         {size_t{0}, size_t{1}, size_t{511}, size_t{512}, size_t{515}, size_t{1000},
          size_t{512 * 13}, size_t{512 * 13 + 1}, bytes.size() / 2, bytes.size() - 1}) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + length);
        error.clear();
        EXPECT_FALSE(ParseC3d(cut, f, error)) << "length " << length;
        EXPECT_FALSE(error.empty());
    }
    // Random bytes over the parameter section: never a crash.
    std::mt19937 random(8);
    for (int round = 0; round < 200; ++round) {
        std::vector<uint8_t> bad = bytes;
        for (int k = 0; k < 40; ++k) bad[512 + random() % (512 * 12)] = random() & 0xff;
        ParseC3d(bad, f, error);
    }
    std::vector<uint8_t> garbage(4096);
    for (uint8_t& b : garbage) b = random() & 0xff;
    garbage[1] = 0x50;
    garbage[0] = 2;
    EXPECT_FALSE(ParseC3d(garbage, f, error));
}

}  // namespace
}  // namespace mirav::sim
