// Start-up and unload.

#include <gtest/gtest.h>

#include "tests/unit/FormFixture.h"

namespace tarvolin::testing {
namespace {

TEST_F(FormTest, StartUpSetsTheUrlsAndPathAndAddsTheIconBeforeThePollRun) {
    form.Form_Load();
    const NotifierState& state = State();
    EXPECT_EQ(state.notifyUrl, u"http://localhost:9090/dataservices/notify?ver=1.0&msisdn=");
    EXPECT_EQ(state.statusUrl, u"http://localhost:9090/dataservices/status?ver=1.0&msisdn=");
    std::u16string expectedPath = folder.PathText();
    expectedPath.push_back(static_cast<char16_t>(std::filesystem::path::preferred_separator));
    expectedPath += u"MyNumber.txt";
    EXPECT_EQ(state.numberFilePath, expectedPath);

    ASSERT_FALSE(ports.shell.notifyCalls.empty());
    const auto& add = ports.shell.notifyCalls.front();
    EXPECT_EQ(add.message, NimAdd);
    EXPECT_EQ(add.record.szTip.Text(), u"Connecting...");
    EXPECT_EQ(add.record.hWnd, ports.window.handle);
    EXPECT_EQ(add.record.hIcon, ports.window.iconHandle);
    EXPECT_EQ(state.balloonVisible, FieldFalse);
}

TEST_F(FormTest, AFolderAtTheRootGivesADoubledSeparator) {
    ports.window.appPath = u"/";
    form.Form_Load();
    const std::u16string separator(
        1, static_cast<char16_t>(std::filesystem::path::preferred_separator));
    EXPECT_EQ(State().numberFilePath, u"/" + separator + u"MyNumber.txt");
}

TEST_F(FormTest, UnloadRemovesTheIconWhateverTheStatus) {
    WriteNumberFile("0803\r\n");
    QueueFailure();
    form.Form_Load();
    std::int16_t cancel = 0;
    form.Form_Unload(cancel);
    EXPECT_EQ(cancel, 0);
    EXPECT_EQ(ports.shell.notifyCalls.back().message, NimDelete);
    EXPECT_EQ(ports.window.endCalls, 0);
}

}  // namespace
}  // namespace tarvolin::testing
