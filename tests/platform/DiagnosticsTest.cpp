#include "platform/Diagnostics.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/MessageCapture.h"

namespace {

using mirav_test::Message;
using mirav_test::MessageCapture;
using Messages = std::vector<Message>;

void EmitOneOfEach() {
    System::EmitLevel1("one %d", 1);
    System::EmitLevel2("two %s", "2");
    System::EmitLevel3("three %d", 3);
}

TEST(Diagnostics, VerbosityAdmitsLevelsUpToItself) {
    MessageCapture capture;

    System::SetVerbosityLevel(0);
    EmitOneOfEach();
    System::ReportSysError(39, 12);
    EXPECT_TRUE(MessageCapture::Take().empty());

    System::SetVerbosityLevel(-5);
    EmitOneOfEach();
    EXPECT_TRUE(MessageCapture::Take().empty());

    System::SetVerbosityLevel(1);
    EmitOneOfEach();
    EXPECT_EQ(MessageCapture::Take(), (Messages{{1, "one 1"}}));

    System::SetVerbosityLevel(2);
    EmitOneOfEach();
    EXPECT_EQ(MessageCapture::Take(), (Messages{{1, "one 1"}, {2, "two 2"}}));

    System::SetVerbosityLevel(System::kDefaultVerbosityLevel);
    EmitOneOfEach();
    EXPECT_EQ(MessageCapture::Take(), (Messages{{1, "one 1"}, {2, "two 2"}, {3, "three 3"}}));
}

TEST(Diagnostics, LongMessagesAreCutTo1023Characters) {
    MessageCapture capture;
    const std::string fits(1023, 'a');
    const std::string tooLong(5000, 'b');

    System::EmitLevel1("%s", fits.c_str());
    System::EmitLevel3("%s", tooLong.c_str());
    System::EmitLevel2("%s!", fits.c_str());  // 1024 characters: the '!' is cut

    Messages got = MessageCapture::Take();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].second, fits);
    EXPECT_EQ(got[1].second, std::string(1023, 'b'));
    EXPECT_EQ(got[2].second, fits);
}

TEST(Diagnostics, WithoutCallbackNothingIsDelivered) {
    MessageCapture capture;
    System::SetMessageCallback(nullptr);
    EXPECT_EQ(System::EmitLevel1("x"), 0);
    EXPECT_EQ(System::EmitLevel3("%s", std::string(3000, 'z').c_str()), 0);
    System::ReportFailed(1);
    EXPECT_TRUE(MessageCapture::Take().empty());
}

TEST(Diagnostics, ReportLinesHaveTheirExactTexts) {
    MessageCapture capture;
    System::ReportFailed(63);
    System::ReportWarning(34);
    System::ReportSysError(39, 12);
    System::ReportValueSysError(228, -1, 104);
    EXPECT_EQ(MessageCapture::Take(), (Messages{
                                          {1, "[MiravSDKClient] 63 Failed.\n"},
                                          {1, "[MiravSDKClient] 34 Warning.\n"},
                                          {3, "[MiravSDKClient] 39 Failed syserr:12\n"},
                                          {3, "[MiravSDKClient] 228 Failed:-1 syserr:104\n"},
                                      }));
}

}  // namespace
