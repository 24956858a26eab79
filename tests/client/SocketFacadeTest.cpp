// The socket facade and the channel socket against real loopback sockets.
#include <atomic>
#include <chrono>
#include <thread>

#include "NetTestSupport.h"
#include "gtest/gtest.h"
#include "platform/ChannelSocket.h"
#include "platform/SocketFacade.h"

using namespace System;
using nettest::MessageCapture;

namespace {
::testing::Environment* const gSocketLibrary =
    ::testing::AddGlobalTestEnvironment(new nettest::SocketLibraryEnvironment);
}  // namespace

TEST(SocketFacade, ParseAddressAcceptsOnlyDottedDecimal) {
    EXPECT_EQ(ParseAddress("127.0.0.1"), 0x7F000001u);
    EXPECT_EQ(ParseAddress("10.1.2.254"), 0x0A0102FEu);
    EXPECT_EQ(ParseAddress("255.255.255.255"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseAddress("localhost"), 0u);
    EXPECT_EQ(ParseAddress("1.2.3"), 0u);
    EXPECT_EQ(ParseAddress("1.2.3.4.5"), 0u);
    EXPECT_EQ(ParseAddress("256.1.1.1"), 0u);
    EXPECT_EQ(ParseAddress("1.2.3.4 "), 0u);
    EXPECT_EQ(ParseAddress(""), 0u);
    EXPECT_EQ(ParseAddress(nullptr), 0u);
}

TEST(SocketFacade, ResolveHostLooksUpOnlyNames) {
    MessageCapture capture;
    CSocketFacade facade;
    uint32_t address = 0;
    EXPECT_EQ(facade.ResolveHost("255.255.255.255", &address), kSocketOk);
    EXPECT_EQ(address, 0xFFFFFFFFu);
    EXPECT_TRUE(capture.Lines().empty());

    // A name is reported once as not dotted decimal, then resolved.
    EXPECT_EQ(facade.ResolveHost("localhost", &address), kSocketOk);
    EXPECT_EQ(address, 0x7F000001u);
    EXPECT_EQ(capture.Lines().size(), 1u);

    EXPECT_EQ(facade.ResolveHost("no-such-host.invalid", &address), kSocketBadArgument);
}

TEST(SocketFacade, UnknownSocketKindsCreateNothing) {
    MessageCapture capture;
    CSocketFacade facade;
    const size_t before = nettest::DescriptorCount();
    SocketHandle handle = kInvalidSocket;
    EXPECT_EQ(facade.BlockClient(&handle, "127.0.0.1", 5999, 2), kSocketFailed);
    EXPECT_EQ(facade.NoBlockClient(&handle, "127.0.0.1", 5999, 2, 100), kSocketBadArgument);
    EXPECT_EQ(facade.CreateServer(&handle, 5999, 2), kSocketFailed);
    EXPECT_TRUE(nettest::HandlesAsBefore(before));
    EXPECT_EQ(capture.Count("[MiravSDKClient] 60 Failed.\n"), 1u);
}

TEST(SocketFacade, SocketsAreCloseOnExecAndCloseOnce) {
    MessageCapture capture;
    CSocketFacade facade;
    SocketHandle handle = kInvalidSocket;
    ASSERT_EQ(facade.Connect(&handle, "127.0.0.1", 5999, kDatagramSocket, 0), kSocketOk);
    EXPECT_FALSE(testsupport::HandleIsInherited(handle));

    ChannelSocket channel;
    channel.Attach(handle, 1);
    EXPECT_EQ(channel.CloseSocket(), kSocketOk);
    EXPECT_EQ(channel.CloseSocket(), kSocketOk);
    EXPECT_EQ(capture.Lines().size(), 1u);
    EXPECT_EQ(capture.Lines()[0], "[BrisalSDKClient] SocketFacade System::CSocketFacade::Close " +
                                      std::string("520 h:") +
                                      std::to_string(static_cast<int>(handle)) + ".\n");

    // A closed holder refuses everything without touching the network.
    char buffer[16];
    int length = sizeof(buffer);
    uint32_t address = 0;
    int port = 0;
    EXPECT_EQ(channel.Receive(buffer, &length, &address, &port), kSocketFailed);
    EXPECT_EQ(channel.SendDefault(buffer, 4), kSocketFailed);
    EXPECT_EQ(channel.SendToPeer(buffer, 4, "127.0.0.1", 5999, nullptr, 0), kSocketFailed);
    EXPECT_EQ(channel.Rejoin("239.239.239.52"), kSocketFailed);
    EXPECT_EQ(capture.Lines().size(), 1u);
}

TEST(SocketFacade, WakeReleasesABlockedReceiveBeforeTheDescriptorCloses) {
    CSocketFacade facade;
    SocketHandle handle = kInvalidSocket;
    ASSERT_EQ(facade.CreateServer(&handle, 0, kDatagramSocket), kSocketOk);
    ChannelSocket channel;
    channel.Attach(handle, 1);
    std::atomic<bool> returned{false};
    std::thread receiver([&] {
        char buffer[64];
        int length = sizeof(buffer);
        uint32_t address = 0;
        int port = 0;
        channel.Receive(buffer, &length, &address, &port);
        returned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(returned.load());
    channel.Wake();
    receiver.join();
    EXPECT_TRUE(returned.load());
    // The descriptor is still the channel's until it is closed explicitly.
    EXPECT_FALSE(channel.IsClosed());
    EXPECT_TRUE(testsupport::HandleIsOpen(handle));
    channel.CloseSocket();
    EXPECT_FALSE(testsupport::HandleIsOpen(handle));
}

TEST(SocketFacade, LocalAddressesLeaveOutLoopbackAndStopAt32) {
    CSocketFacade facade;
    LocalAddressList list;
    list.count = 99;
    if (facade.GetLocalAddresses(list.addresses, &list.count) != kSocketOk) {
        GTEST_SKIP() << "the host name of this machine does not resolve";
    }
    EXPECT_LE(list.count, static_cast<uint32_t>(kMaxLocalAddresses));
    for (uint32_t i = 0; i < list.count; ++i) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(&list.addresses[i]);
        EXPECT_FALSE(bytes[0] == 127 && bytes[1] == 0 && bytes[2] == 0 && bytes[3] == 1);
    }
}

TEST(SocketFacade, NoBlockClientToSilentStreamPeerTimesOutAndClosesItsSocket) {
    MessageCapture capture;
    CSocketFacade facade;
    const size_t before = nettest::DescriptorCount();
    SocketHandle handle = kInvalidSocket;
    // Nothing listens on port 1 of loopback: the refusal is seen only as the time-out expiring
    // or as readiness, depending on the kernel; either way no socket is left behind on failure.
    const int result = facade.NoBlockClient(&handle, "127.0.0.1", 1, kStreamSocket, 200);
    if (result == kSocketOk) facade.Close(handle);
    EXPECT_TRUE(result == kSocketOk || result == kSocketConnectFailed);
    EXPECT_TRUE(nettest::HandlesAsBefore(before));
}
