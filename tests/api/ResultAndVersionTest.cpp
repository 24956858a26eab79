// Argument checks that come before the connection check, and the version macros against the
// library's own version bytes.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "mirav/Mirav.h"

TEST(ClassResults, NullOutPointersAreBadArgumentsBeforeTheConnectionCheck) {
    MiravSDKClient client;  // never initialised: not connected
    char name[] = "Skeleton1";
    sDataDescriptions* out = nullptr;
    EXPECT_EQ(client.GetDataDescriptions(nullptr), MiravResult_InvalidArgument);
    EXPECT_EQ(client.GetDataDescriptionsEx(nullptr), MiravResult_InvalidArgument);
    EXPECT_EQ(client.GetTposeDataDescriptions(name, nullptr), MiravResult_InvalidArgument);
    EXPECT_EQ(client.GetServerDescription(nullptr), MiravResult_InvalidArgument);
    // With a pointer the connection decides.
    EXPECT_EQ(client.GetDataDescriptions(&out), MiravResult_NotConnected);
    EXPECT_EQ(out, nullptr);
}

TEST(VersionMacros, MatchTheLibraryVersionBytesAndText) {
    unsigned char bytes[4] = {};
    Solvanta_GetVersion(bytes);
    EXPECT_EQ(bytes[0], MIRAV_SDK_VERSION_MAJOR);
    EXPECT_EQ(bytes[1], MIRAV_SDK_VERSION_MINOR);
    EXPECT_EQ(bytes[2], MIRAV_SDK_VERSION_PATCH);
    EXPECT_EQ(bytes[3], MIRAV_SDK_VERSION_BUILD);
    char text[32];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", bytes[0], bytes[1], bytes[2], bytes[3]);
    EXPECT_EQ(std::string(text), MIRAV_SDK_VERSION_STRING);
}
