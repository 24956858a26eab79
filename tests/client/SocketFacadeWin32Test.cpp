// Socket facade behaviour particular to Winsock (built on Windows only): the error numbers of
// the stream-send rule, keep-alive on connected streams, and bound datagram sockets that do not
// turn unreachable-peer reports into receive errors.
#include <winsock2.h>

#include <chrono>
#include <string>
#include <vector>

#include "NetTestSupport.h"
#include "gtest/gtest.h"
#include "platform/SocketFacade.h"

using namespace System;
using nettest::MessageCapture;
using Clock = std::chrono::steady_clock;

namespace {

::testing::Environment* const gSocketLibrary =
    ::testing::AddGlobalTestEnvironment(new nettest::SocketLibraryEnvironment);

constexpr uint32_t kLoopback = 0x7F000001u;

sockaddr_in LoopbackAddress(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(kLoopback);
    address.sin_port = htons(port);
    return address;
}

uint16_t LocalPort(SOCKET socket) {
    sockaddr_in address{};
    int size = sizeof(address);
    getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size);
    return ntohs(address.sin_port);
}

// A listening stream socket on an ephemeral loopback port.
SOCKET Listener(uint16_t* port) {
    const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const sockaddr_in address = LoopbackAddress(0);
    bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    listen(listener, 1);
    *port = LocalPort(listener);
    return listener;
}

bool HasLineStartingWith(MessageCapture& capture, const std::string& start,
                         const std::string& end) {
    for (const std::string& line : capture.Lines()) {
        if (line.rfind(start, 0) == 0 && line.size() >= end.size() &&
            line.compare(line.size() - end.size(), end.size(), end) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

TEST(SocketFacadeWin32, StreamSendToAResetPeerFailsAtOnceAndConnectedStreamsKeepAlive) {
    MessageCapture capture;
    uint16_t port = 0;
    const SOCKET listener = Listener(&port);
    CSocketFacade facade;
    SocketHandle handle = kInvalidSocket;
    ASSERT_EQ(facade.BlockClient(&handle, "127.0.0.1", port, kStreamSocket), kSocketOk);
    BOOL keepAlive = FALSE;
    int size = sizeof(keepAlive);
    getsockopt(static_cast<SOCKET>(handle), SOL_SOCKET, SO_KEEPALIVE,
               reinterpret_cast<char*>(&keepAlive), &size);
    EXPECT_TRUE(keepAlive);

    // An abortive close resets the connection.
    const SOCKET peer = accept(listener, nullptr, nullptr);
    ASSERT_NE(peer, INVALID_SOCKET);
    const linger abortive{1, 0};
    setsockopt(peer, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive),
               sizeof(abortive));
    closesocket(peer);
    closesocket(listener);
    Sleep(100);

    capture.Clear();
    const std::vector<char> data(64 * 1024, 'x');
    const auto start = Clock::now();
    // The first send may still be taken before the reset is seen; a later one fails for good.
    int result = kSocketOk;
    for (int attempt = 0; attempt < 10 && result == kSocketOk; ++attempt) {
        result = facade.Send(handle, data.data(), static_cast<int>(data.size()));
    }
    EXPECT_EQ(result, kSocketFailed);
    // No pauses of the retry rule: a reset is final.
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100));
    const std::string handleText = std::to_string(static_cast<int>(handle));
    EXPECT_TRUE(HasLineStartingWith(capture, "[MiravSDKClient] 434 Failed:" + handleText, "\n"))
        << "expected the permanent-error line of the stream send";
    facade.Close(handle);
}

TEST(SocketFacadeWin32, StreamSendThatWouldBlockIsRetriedFiveTimes) {
    MessageCapture capture;
    uint16_t port = 0;
    const SOCKET listener = Listener(&port);
    CSocketFacade facade;
    SocketHandle handle = kInvalidSocket;
    ASSERT_EQ(facade.BlockClient(&handle, "127.0.0.1", port, kStreamSocket), kSocketOk);
    const SOCKET peer = accept(listener, nullptr, nullptr);  // never reads
    ASSERT_NE(peer, INVALID_SOCKET);
    ASSERT_EQ(facade.SetNonBlocking(handle, true), kSocketOk);

    // Fill both buffers until a send would block, then the facade meets WSAEWOULDBLOCK
    // (10035) on every try: five pauses of 30 ms, then the sixth failure is final.
    const std::vector<char> data(16 * 1024 * 1024, 'x');
    capture.Clear();
    const auto start = Clock::now();
    EXPECT_EQ(facade.Send(handle, data.data(), static_cast<int>(data.size())), kSocketFailed);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(150));
    const std::string handleText = std::to_string(static_cast<int>(handle));
    EXPECT_TRUE(HasLineStartingWith(capture, "[MiravSDKClient] 442 Failed:" + handleText,
                                    " syserr:10035\n"));

    closesocket(peer);
    closesocket(listener);
    facade.Close(handle);
}

TEST(SocketFacadeWin32, BoundDatagramSocketKeepsReceivingAfterAnUnreachablePeer) {
    CSocketFacade facade;
    SocketHandle server = kInvalidSocket;
    ASSERT_EQ(facade.CreateServer(&server, 0, kDatagramSocket), kSocketOk);
    const uint16_t serverPort = LocalPort(static_cast<SOCKET>(server));

    // A port on which nothing listens any more.
    const SOCKET gone = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    const sockaddr_in any = LoopbackAddress(0);
    bind(gone, reinterpret_cast<const sockaddr*>(&any), sizeof(any));
    const uint16_t gonePort = LocalPort(gone);
    closesocket(gone);

    const char probe[] = "probe";
    EXPECT_EQ(facade.SendTo(server, probe, sizeof(probe), kLoopback, gonePort, nullptr, 0),
              kSocketOk);
    Sleep(50);  // the unreachable report has arrived

    const SOCKET sender = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    const sockaddr_in target = LoopbackAddress(serverPort);
    const char payload[] = "frame";
    sendto(sender, payload, sizeof(payload), 0, reinterpret_cast<const sockaddr*>(&target),
           sizeof(target));
    char buffer[64] = {};
    int length = sizeof(buffer);
    uint32_t address = 0;
    int port = 0;
    // Without SIO_UDP_CONNRESET switched off this receive would fail with WSAECONNRESET.
    EXPECT_EQ(facade.RecvFrom(server, buffer, &length, &address, &port), kSocketOk);
    EXPECT_EQ(length, static_cast<int>(sizeof(payload)));
    EXPECT_STREQ(buffer, "frame");
    EXPECT_EQ(address, kLoopback);
    EXPECT_EQ(port, LocalPort(sender));
    closesocket(sender);
    facade.Close(server);
}
