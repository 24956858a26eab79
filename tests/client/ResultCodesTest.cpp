// Result codes where the written table and the observed behaviour once disagreed: a null out
// pointer is a bad argument (2) before anything is sent, the server description request does not
// check the connection (1 before Initialize), and a second client whose data port is taken gets 1.
#include "NetTestSupport.h"
#include "gtest/gtest.h"
#include "mirav/MiravResult.h"

using namespace nettest;

TEST(ResultCodes, NullOutPointersOfRequestsAreBadArgumentsAndSendNothing) {
    Connection connection;
    ASSERT_TRUE(connection.started) << connection.server.Error();
    ASSERT_EQ(connection.Initialize(), MiravResult_Ok);
    char name[] = "Skeleton1";
    EXPECT_EQ(connection.core->GetServerDescription(nullptr), MiravResult_InvalidArgument);
    EXPECT_EQ(connection.core->GetDataDescriptions(nullptr), MiravResult_InvalidArgument);
    EXPECT_EQ(connection.core->GetDataDescriptionsEx(nullptr), MiravResult_InvalidArgument);
    EXPECT_EQ(connection.core->GetTposeDataDescriptions(name, nullptr),
              MiravResult_InvalidArgument);
    for (const auto& command : connection.server.Commands()) {
        EXPECT_NE(command.type, 101);
        EXPECT_NE(command.type, 102);
        EXPECT_NE(command.type, 107);
        EXPECT_NE(command.type, 109);
    }
    connection.core->Uninitialize();
}

TEST(ResultCodes, ServerDescriptionBeforeInitializeFailsAtOnceWithOne) {
    ClientCore core;
    sServerDescription description{};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(core.GetServerDescription(&description), MiravResult_Failed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    // The description requests check the connection instead.
    sDataDescriptions* descriptions = nullptr;
    EXPECT_EQ(core.GetDataDescriptions(&descriptions), MiravResult_NotConnected);
}

TEST(ResultCodes, SecondClientWhoseUnicastDataPortIsTakenGetsOne) {
    Connection connection;
    ASSERT_TRUE(connection.started) << connection.server.Error();
    ASSERT_EQ(connection.Initialize(), MiravResult_Ok);
    ClientCore second;
    second.SetTeardownPauseMs(kShortTeardownMs);
    EXPECT_EQ(second.Initialize(nullptr, "127.0.0.1", kCommandPort, kDataPort), MiravResult_Failed);
    EXPECT_EQ(second.Uninitialize(), MiravResult_Ok);
    // The first client keeps working.
    sServerDescription description{};
    EXPECT_EQ(connection.core->GetServerDescription(&description), MiravResult_Ok);
    connection.core->Uninitialize();
}
