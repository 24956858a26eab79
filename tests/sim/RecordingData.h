// Location of the third-party recordings the tests read (never copied into the repository):
// $MIRAV_TEST_DATA, else the shared data folder beside the repository.
#ifndef MIRAV_TESTS_SIM_RECORDING_DATA_H
#define MIRAV_TESTS_SIM_RECORDING_DATA_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace mirav::test {

inline std::string RecordingPath(const std::string& name) {
    if (const char* dir = std::getenv("MIRAV_TEST_DATA")) return std::string(dir) + "/" + name;
    std::string here = __FILE__;  // <repo>/tests/sim/RecordingData.h
    for (int i = 0; i < 3; ++i) here = here.substr(0, here.find_last_of('/'));
    return here + "/../shared/data/" + name;
}

inline bool RecordingPresent(const std::string& name) {
    return std::ifstream(RecordingPath(name)).good();
}

}  // namespace mirav::test

// Skips the test when the recording is not on this machine.
#define MIRAV_REQUIRE_RECORDING(name)                                                    \
    do {                                                                                 \
        if (!::mirav::test::RecordingPresent(name)) {                                    \
            GTEST_SKIP() << "recording " << ::mirav::test::RecordingPath(name)           \
                         << " not found (set MIRAV_TEST_DATA to the folder holding it)"; \
        }                                                                                \
    } while (0)

#endif
