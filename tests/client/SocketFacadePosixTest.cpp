// Socket facade behaviour that only POSIX systems have (built on POSIX only).
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "NetTestSupport.h"
#include "gtest/gtest.h"
#include "platform/ChannelSocket.h"
#include "platform/Clock.h"
#include "platform/SocketFacade.h"

using namespace System;
using nettest::MessageCapture;

TEST(SocketFacade, StreamSendToAClosedPeerFailsWithoutSignal) {
    MessageCapture capture;
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    close(pair[1]);
    CSocketFacade facade;
    const char data[] = "data";
    const auto start = std::chrono::steady_clock::now();
    // Without MSG_NOSIGNAL this would end the process with SIGPIPE.
    EXPECT_EQ(facade.Send(static_cast<SocketHandle>(pair[0]), data, sizeof(data)), kSocketFailed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    close(pair[0]);
}

// A datagram socket reports the kernel's drop counter and arrival time with each datagram:
// flood a small receive buffer without reading, then read what the kernel kept.
TEST(SocketFacade, ReceiveReportsKernelDropsAndArrivalTimes) {
    CSocketFacade facade;
    SocketHandle handle = kInvalidSocket;
    ASSERT_EQ(facade.CreateServer(&handle, 0, kDatagramSocket), kSocketOk);
    ChannelSocket channel;
    channel.Attach(handle, 1);
    EXPECT_TRUE(channel.ReportsKernelDrops());
    ASSERT_EQ(channel.SetBufferSize(true, 4096), kSocketOk);
    sockaddr_in bound{};
    socklen_t size = sizeof(bound);
    ASSERT_EQ(getsockname(static_cast<int>(handle), reinterpret_cast<sockaddr*>(&bound), &size), 0);

    const int sender = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(sender, 0);
    sockaddr_in target = bound;
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int64_t before = MonotonicNs();
    char payload[1000] = {1};
    for (int i = 0; i < 200; ++i) {
        sendto(sender, payload, sizeof(payload), 0, reinterpret_cast<sockaddr*>(&target),
               sizeof(target));
    }
    // Each datagram carries the counter as it stood when the kernel queued it: drain what the
    // flood left, then the next datagram shows the drops.
    char buffer[2048];
    int length = sizeof(buffer);
    uint32_t address = 0;
    int port = 0;
    os::ReceiveMeta meta;
    pollfd ready{static_cast<int>(handle), POLLIN, 0};
    for (int i = 0; i < 300 && poll(&ready, 1, 0) > 0; ++i) {
        length = sizeof(buffer);
        ASSERT_EQ(channel.Receive(buffer, &length, &address, &port, &meta), kSocketOk);
        EXPECT_EQ(length, 1000);
    }
    sendto(sender, payload, 10, 0, reinterpret_cast<sockaddr*>(&target), sizeof(target));
    close(sender);
    length = sizeof(buffer);
    ASSERT_EQ(channel.Receive(buffer, &length, &address, &port, &meta), kSocketOk);
    const int64_t after = MonotonicNs();
    EXPECT_EQ(length, 10);
    EXPECT_TRUE(meta.arrivalFromKernel);
    EXPECT_GE(meta.arrivalNs, before - 1000000);  // the clocks convert within a millisecond
    EXPECT_LE(meta.arrivalNs, after);
    // A 4 kB buffer holds a few 1000-byte datagrams; the kernel dropped most of the 200.
    EXPECT_GT(meta.dropCounter, 100u);
    channel.CloseSocket();
}
