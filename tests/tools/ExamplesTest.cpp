// Every example program runs for a few seconds against mirav-sim and ends successfully.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "ToolsSupport.h"

namespace mirav::test {
namespace {

bool Exists(const std::string& path) { return std::ifstream(path).good(); }

TEST(Examples, EachRunsAgainstTheSimulator) {
    auto sim = StartSim({"--rate", "100", "--duration", "120"});
    struct Example {
        std::vector<std::string> command;
        std::string expected;  // a line part the example prints while frames arrive
    };
    std::vector<Example> examples = {
        {{MIRAV_EXAMPLE_LIVE_FRAMES, kServer, "2"}, "rigid bodies (first at"},
        {{MIRAV_EXAMPLE_POLLING, kServer, "2"}, "found RigidBody1 and Walker/Hips in"},
        {{MIRAV_EXAMPLE_FLAT_C, kServer, "2"}, "frames so far; newest frame"},
    };
    const std::string java = MIRAV_JAVA_PROGRAM;
    const std::string sdkJar = MIRAV_JAVA_SDK_JAR, exampleJar = MIRAV_JAVA_EXAMPLE_JAR;
    const bool haveJava = !java.empty() && Exists(sdkJar) && Exists(exampleJar);
    if (haveJava) {
        examples.push_back(
            {{java, "-cp", sdkJar + ":" + exampleJar, "PrintFrames", kServer, "20"}, "server: "});
    }
    for (const Example& example : examples) {
        const RunResult r = RunProgram(example.command, kRunTimeout);
        EXPECT_EQ(r.exitCode, 0) << example.command[0] << "\n" << r.output << r.errors;
        EXPECT_NE(r.output.find(example.expected), std::string::npos) << example.command[0] << "\n"
                                                                      << r.output;
    }
    sim->Interrupt();
    EXPECT_EQ(sim->Wait(std::chrono::seconds(10)), 0);
    if (!haveJava) {
        std::printf(
            "note: the Java example was not built here (no JDK, or a sanitizer build); "
            "the C and C++ examples ran\n");
    }
}

}  // namespace
}  // namespace mirav::test
