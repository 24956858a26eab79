// Socket facade behaviour that only POSIX systems have (built on POSIX only).
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "NetTestSupport.h"
#include "gtest/gtest.h"
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
