// Paths of the programs under test and the steps the tools tests share: starting mirav-sim and
// waiting until it serves, and reading the JSON lines of mirav-cli stream.
#ifndef MIRAV_TESTS_TOOLS_TOOLS_SUPPORT_H
#define MIRAV_TESTS_TOOLS_TOOLS_SUPPORT_H

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "MiniJson.h"

namespace mirav::test {

inline const std::string kSim = MIRAV_SIM_PROGRAM;
inline const std::string kCli = MIRAV_CLI_PROGRAM;
inline const std::string kServer = "127.0.0.1";

// Loading a large take under the sanitizers takes a while.
constexpr auto kSimStartTimeout = std::chrono::seconds(60);
constexpr auto kRunTimeout = std::chrono::seconds(60);

inline std::vector<std::string> Command(const std::string& program, std::vector<std::string> args) {
    args.insert(args.begin(), program);
    return args;
}

// Starts mirav-sim with the arguments (bounded by --duration) and waits until it serves.
inline std::unique_ptr<ChildProcess> StartSim(const std::vector<std::string>& args) {
    auto sim = std::make_unique<ChildProcess>(Command(kSim, args));
    EXPECT_TRUE(sim->Started());
    EXPECT_TRUE(sim->WaitForOutput("mirav-sim: serving", kSimStartTimeout))
        << "stdout: " << sim->Output() << "\nstderr: " << sim->Errors();
    return sim;
}

// Every line of text that parses as a JSON object.
inline std::vector<Json> JsonLines(const std::string& text) {
    std::vector<Json> out;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        Json value;
        EXPECT_TRUE(Json::Parse(line, &value)) << "not JSON: " << line.substr(0, 200);
        out.push_back(std::move(value));
    }
    return out;
}

// The number after "label: " in the summary of mirav-cli stream, or -1.
inline long long SummaryCount(const std::string& text, const std::string& label) {
    const size_t at = text.find(label + ": ");
    return at == std::string::npos ? -1 : std::atoll(text.c_str() + at + label.size() + 2);
}

inline long long FramesReceived(const std::string& text) {
    const size_t at = text.find("received ");
    return at == std::string::npos ? -1 : std::atoll(text.c_str() + at + 9);
}

}  // namespace mirav::test

#endif
