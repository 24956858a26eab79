// mirav-cli export: recordings written out as C3D and CSV and read back with the project's own
// C3D reader and a plain CSV parse; a take's export loaded by the substitute server gives the
// same frame messages as the take itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "C3dReader.h"
#include "CsvWriter.h"
#include "ExportModel.h"
#include "ExportSupport.h"
#include "Recording.h"
#include "RecordingReader.h"
#include "Scene.h"
#include "sim/RecordingData.h"

namespace mirav::test {
namespace {

using cli::C3dContent;
using cli::ExportOptions;
using cli::ExportSource;
using cli::RecordingReader;

std::vector<std::string> SplitCsv(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char ch = line[i];
        if (quoted && ch == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back() += '"';
            ++i;
        } else if (ch == '"') {
            quoted = !quoted;
        } else if (ch == ',' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += ch;
        }
    }
    return fields;
}

size_t Column(const std::vector<std::string>& header, const std::string& name) {
    for (size_t i = 0; i < header.size(); ++i) {
        if (header[i] == name) return i;
    }
    ADD_FAILURE() << "no column " << name;
    return 0;
}

bool LoadSource(const std::string& path, const ExportOptions& options, RecordingReader& reader,
                ExportSource& source) {
    std::string error;
    EXPECT_TRUE(reader.Open(path, error)) << error;
    EXPECT_TRUE(cli::LoadExportSource(reader, options, source, error)) << error;
    return error.empty();
}

sim::C3dFile ExportAndRead(const C3dContent& content) {
    std::vector<uint8_t> bytes;
    std::string error;
    sim::C3dFile file;
    EXPECT_TRUE(cli::WriteC3d(content, bytes, error)) << error;
    EXPECT_TRUE(sim::ParseC3d(bytes, file, error)) << error;
    return file;
}

TEST(Export, SyntheticSceneRoundTripsThroughC3dAndCsv) {
    const sim::Scene scene(100.0);
    SyntheticCapture capture;
    capture.descriptions = scene.DescriptionData();
    capture.body = [&](int32_t n) { return scene.FrameBody(n); };
    capture.firstFrame = 11;
    capture.frames = 60;
    capture.loseFragmentOf = 20;  // that frame must be dropped, not glued to the next one
    const std::string path = ::testing::TempDir() + "mirav_export_scene.mcap";
    WriteSyntheticCapture(path, capture);

    RecordingReader reader;
    ExportSource source;
    const ExportOptions options;
    ASSERT_TRUE(LoadSource(path, options, reader, source));
    ASSERT_EQ(source.frames.size(), 59u);
    EXPECT_GE(reader.Dropped(), 1u);
    EXPECT_DOUBLE_EQ(source.frameRate, 100.0);
    EXPECT_EQ(source.frames[9].frameNumber, 21);

    const C3dContent content = cli::MakeC3dContent(source, options);
    const sim::C3dFile file = ExportAndRead(content);
    // The lost frame keeps its place: no points, analog values held from the frame before.
    ASSERT_EQ(file.frameCount, 60);
    EXPECT_DOUBLE_EQ(file.frameRate, 100.0);
    EXPECT_EQ(file.pointUnits, "m");  // from the 14 mm markers, sent in metres
    ASSERT_GE(file.pointLabels.size(), static_cast<size_t>(sim::Scene::kMarkersPerSet));
    for (int k = 0; k < sim::Scene::kMarkersPerSet; ++k) {
        EXPECT_EQ(file.pointLabels[k], sim::Scene::MarkerName(k));
    }
    // The rigid bodies' labelled markers are points of their own.
    EXPECT_EQ(file.pointLabels.size(),
              static_cast<size_t>(sim::Scene::kMarkersPerSet + sim::Scene::kRigidBodies));
    for (int f = 0; f < file.frameCount; ++f) {
        if (f == 9) {
            EXPECT_FALSE(file.Point(f, 0).valid);
            EXPECT_EQ(file.Analog(f, 0, 1), file.Analog(f - 1, 0, 1));
            continue;
        }
        const sim::FrameScene expected = scene.Frame(capture.firstFrame + f);
        for (int k = 0; k < sim::Scene::kMarkersPerSet; ++k) {
            const sim::Point& p = expected.markerSets[0].markers[k];
            const sim::C3dPoint& got = file.Point(f, k);
            EXPECT_TRUE(got.valid);
            EXPECT_EQ(got.x, p.x);
            EXPECT_EQ(got.z, p.z);
        }
        ASSERT_EQ(file.analogChannelCount, static_cast<int>(expected.analog.size()));
        for (size_t a = 0; a < expected.analog.size(); ++a) {
            EXPECT_EQ(file.Analog(f, 0, static_cast<int>(a)), expected.analog[a]);
        }
    }

    // Integer storage keeps every value within half a scale step.
    ExportOptions integer;
    integer.integerStorage = true;
    const sim::C3dFile quantized = ExportAndRead(cli::MakeC3dContent(source, integer));
    ASSERT_FALSE(quantized.floatData);
    const double step = quantized.header.pointScale;
    EXPECT_GT(step, 0);
    for (int f = 0; f < quantized.frameCount; ++f) {
        EXPECT_NEAR(quantized.Point(f, 1).y, file.Point(f, 1).y, step / 2 + 1e-6);
        EXPECT_NEAR(quantized.Analog(f, 0, 0), file.Analog(f, 0, 0), 1e-3);
    }

    // CSV: names, units, one row per frame, the values of the stream.
    std::ostringstream csv;
    cli::WriteCsv(source, content, csv);
    std::istringstream lines(csv.str());
    std::string line;
    std::getline(lines, line);
    const auto header = SplitCsv(line);
    std::getline(lines, line);
    const auto units = SplitCsv(line);
    ASSERT_EQ(units.size(), header.size());
    EXPECT_EQ(header[0], "frame");
    EXPECT_EQ(header[1], "time");
    EXPECT_EQ(units[1], "s");
    const size_t bodyX = Column(header, sim::Scene::RigidBodyName(0) + " X");
    const size_t bodyQw = Column(header, sim::Scene::RigidBodyName(0) + " QW");
    const size_t bone =
        Column(header, sim::Scene::SkeletonName() + ":" + sim::Scene::BoneName(0) + " Y");
    EXPECT_EQ(units[bodyX], "m");
    EXPECT_EQ(units[bodyQw], "");
    size_t rows = 0;
    while (std::getline(lines, line)) {
        const auto fields = SplitCsv(line);
        ASSERT_EQ(fields.size(), header.size()) << line;
        const int32_t number = std::stoi(fields[0]);
        const sim::FrameScene expected = scene.Frame(number);
        EXPECT_EQ(std::stof(fields[bodyX]), expected.rigidBodies[0].x);
        EXPECT_EQ(std::stof(fields[bodyQw]), expected.rigidBodies[0].qw);
        EXPECT_EQ(std::stof(fields[bone]), expected.skeletons[0].bones[0].y);
        EXPECT_NEAR(std::stod(fields[1]), (number - capture.firstFrame) / 100.0, 1e-6);
        ++rows;
    }
    EXPECT_EQ(rows, 59u);
    std::remove(path.c_str());
}

// A take streamed by the substitute server, recorded, exported and loaded again: the export
// describes the same marker set and force plates, and every frame message is the same.
void CheckTakeRoundTrip(const std::string& name, int32_t frames) {
    sim::RecordedTake take;
    std::string error;
    ASSERT_TRUE(sim::LoadTake(RecordingPath(name), take, error)) << error;
    sim::C3dFile original;
    ASSERT_TRUE(sim::ReadC3dFile(RecordingPath(name), original, error)) << error;
    SyntheticCapture capture;
    capture.rate = take.frameRate;
    capture.frames = std::min<int32_t>(frames, static_cast<int32_t>(take.FrameCount()));
    capture.descriptions = sim::TakeDescriptionData(take);
    capture.body = [&](int32_t n) { return sim::TakeFrameBody(take, n); };
    capture.fragment = sim::kDefaultFragmentSize;
    // Named after the take: the takes' tests may run at the same time.
    const std::string path = ::testing::TempDir() + "mirav_export_" + name + ".mcap";
    WriteSyntheticCapture(path, capture);

    RecordingReader reader;
    ExportSource source;
    ExportOptions options;
    options.units = original.pointUnits.empty() ? "mm" : original.pointUnits;
    ASSERT_TRUE(LoadSource(path, options, reader, source));
    ASSERT_EQ(source.frames.size(), static_cast<size_t>(capture.frames));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(cli::WriteC3d(cli::MakeC3dContent(source, options), bytes, error)) << error;
    const std::string exported = ::testing::TempDir() + "mirav_export_" + name + ".out.c3d";
    {
        std::ofstream out(exported, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    }
    sim::RecordedTake again;
    ASSERT_TRUE(sim::LoadTake(exported, again, error)) << error;

    EXPECT_EQ(again.frameRate, take.frameRate);
    EXPECT_EQ(again.markerSetName, take.markerSetName);
    EXPECT_EQ(again.markerNames, take.markerNames);
    ASSERT_EQ(again.forcePlates.size(), take.forcePlates.size());
    for (size_t p = 0; p < take.forcePlates.size(); ++p) {
        const sForcePlateDescription& a = again.forcePlates[p];
        const sForcePlateDescription& b = take.forcePlates[p];
        EXPECT_EQ(a.plateKind, b.plateKind);
        EXPECT_EQ(a.channelCount, b.channelCount);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(a.origin[k], b.origin[k], 1e-3) << "plate " << p;
            EXPECT_NEAR(a.geometry[k], b.geometry[k], 1e-4) << "plate " << p;
        }
        for (int k = 0; k < 9; ++k) EXPECT_NEAR(a.orientation[k], b.orientation[k], 1e-5);
        for (int c = 0; c < b.channelCount; ++c) {
            EXPECT_STREQ(a.channelNames[c], b.channelNames[c]);
        }
    }
    ASSERT_EQ(again.FrameCount(), static_cast<size_t>(capture.frames));
    for (int32_t n = 1; n <= capture.frames; ++n) {
        const std::vector<uint8_t> got = sim::TakeFrameBody(again, n);
        const std::vector<uint8_t> want = sim::TakeFrameBody(take, n);
        ASSERT_EQ(got.size(), want.size()) << "frame " << n;
        const auto differ = std::mismatch(got.begin(), got.end(), want.begin());
        EXPECT_TRUE(differ.first == got.end())
            << "frame " << n << " differs from byte " << (differ.first - got.begin());
        if (::testing::Test::HasFailure()) break;
    }
    std::remove(path.c_str());
    std::remove(exported.c_str());
}

TEST(Export, TakeWithSixChannelPlatesStreamsTheSameFramesAfterExport) {
    MIRAV_REQUIRE_RECORDING("Walk1.c3d");
    CheckTakeRoundTrip("Walk1.c3d", 400);
}

TEST(Export, TakeWithEightChannelPlatesStreamsTheSameFramesAfterExport) {
    MIRAV_REQUIRE_RECORDING("Capture0004.c3d");
    CheckTakeRoundTrip("Capture0004.c3d", 400);
}

}  // namespace
}  // namespace mirav::test
