// mirav-cli's JSON: analog values carry their channel names, force plates the ids that describe
// gives them, and floats the shortest text that reads back the same float.
#include <gtest/gtest.h>

#include "ToolsSupport.h"

namespace mirav::test {
namespace {

TEST(CliJson, NamesAnalogValuesNumbersPlatesAndPrintsShortestFloats) {
    auto sim = StartSim({"--rate", "100", "--duration", "30"});
    const RunResult r =
        RunProgram(Command(kCli, {"stream", kServer, "--duration", "0.5", "--json"}), kRunTimeout);
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    const std::vector<Json> frames = JsonLines(r.output);
    ASSERT_FALSE(frames.empty()) << r.errors;
    for (const Json& frame : frames) {
        // The plates took their channels: the four values left are the analog device's.
        const Json& names = frame["analogNames"];
        ASSERT_EQ(names.size(), frame["analog"].size());
        ASSERT_EQ(names.size(), 4u);
        EXPECT_EQ(names[0].text, "Analog 1");
        EXPECT_EQ(names[3].text, "Analog 4");
        ASSERT_EQ(frame["forcePlates"].size(), 2u);
        EXPECT_EQ(frame["forcePlates"][0]["id"].Int(), 1);
        EXPECT_EQ(frame["forcePlates"][1]["id"].Int(), 2);
    }
    // 2.5, 0.014f and 0.0002f as written by a person, not 0.0140000004 or 0.000199999995.
    EXPECT_NE(r.output.find("\"latency\":2.5,"), std::string::npos);
    EXPECT_NE(r.output.find("\"size\":0.014}"), std::string::npos) << r.output.substr(0, 2000);
    EXPECT_NE(r.output.find("\"meanError\":0.0002,"), std::string::npos);

    const RunResult described =
        RunProgram(Command(kCli, {"describe", kServer, "--json"}), kRunTimeout);
    ASSERT_EQ(described.exitCode, 0) << described.errors;
    Json descriptions;
    ASSERT_TRUE(
        Json::Parse(described.output.substr(0, described.output.size() - 1), &descriptions));
    const Json& plates = descriptions["forcePlates"];
    ASSERT_EQ(plates.size(), 3u);
    EXPECT_EQ(plates[0]["id"].Int(), 1);
    EXPECT_EQ(plates[1]["id"].Int(), 2);
    EXPECT_EQ(plates[2]["id"].kind, Json::kNull);  // the analog device is not a plate
    EXPECT_EQ(plates[2]["channels"][0].text, "Analog 1");
    sim->Interrupt();
    EXPECT_EQ(sim->Wait(std::chrono::seconds(10)), 0);
}

}  // namespace
}  // namespace mirav::test
