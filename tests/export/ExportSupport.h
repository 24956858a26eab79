// Recordings made without a network: capture files written with the server's own encoders, as
// `mirav-cli record` would have received them.
#ifndef MIRAV_TESTS_EXPORT_EXPORT_SUPPORT_H
#define MIRAV_TESTS_EXPORT_EXPORT_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "CaptureFile.h"
#include "EncodersMessage.h"

namespace mirav::test {

struct SyntheticCapture {
    double rate = 100;
    int32_t firstFrame = 1;
    int32_t frames = 50;
    std::vector<uint8_t> descriptions;                  // body of the type-101 reply
    std::function<std::vector<uint8_t>(int32_t)> body;  // frame body for a frame number
    // Fragment size of frame messages (small, so frames span several datagrams).
    size_t fragment = 200;
    // Frame number whose second datagram is lost (0: none).
    int32_t loseFragmentOf = 0;
};

inline void WriteSyntheticCapture(const std::string& path, const SyntheticCapture& s) {
    capture::CaptureWriter writer;
    std::string error;
    capture::CaptureHeader header;
    header.serverAddress = 0x7F000001;
    ASSERT_TRUE(writer.Open(path, header, error)) << error;
    std::vector<uint8_t> connect(272, 0);
    const uint8_t version[4] = {4, 0, 56, 34};
    for (int i = 0; i < 4; ++i) connect[260 + i] = version[i];
    const auto write = [&](int64_t micros, uint8_t channel, uint8_t type,
                           const std::vector<uint8_t>& body, size_t fragment, bool loseSecond) {
        const auto datagrams = sim::EncodeMessage(type, 0, body, fragment);
        ASSERT_FALSE(datagrams.empty());
        for (size_t i = 0; i < datagrams.size(); ++i) {
            if (loseSecond && i == 1) continue;
            ASSERT_TRUE(writer.Write(micros, channel, datagrams[i].data(), datagrams[i].size()));
        }
    };
    write(0, capture::kCommandChannel, 1, connect, sim::kDefaultFragmentSize, false);
    write(1000, capture::kCommandChannel, 101, s.descriptions, sim::kDefaultFragmentSize, false);
    for (int32_t n = s.firstFrame; n < s.firstFrame + s.frames; ++n) {
        const auto micros = static_cast<int64_t>(2000 + (n - s.firstFrame) * 1e6 / s.rate);
        write(micros, capture::kDataChannel, sim::kWireFrame, s.body(n), s.fragment,
              n == s.loseFragmentOf);
    }
    ASSERT_TRUE(writer.Close(error)) << error;
}

}  // namespace mirav::test

#endif
