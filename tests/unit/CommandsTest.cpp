// The context menu's commands with scripted dialogs.

#include <gtest/gtest.h>

#include "tests/unit/FormFixture.h"

namespace tarvolin::testing {
namespace {

using Strings = std::vector<std::u16string>;

class CommandsTest : public FormTest {
protected:
    // Started and connected, with the download notice shown.
    void StartConnected() {
        WriteNumberFile("0803\r\n");
        QueueReply("poll-notice-download.xml");
        form.Form_Load();
        ASSERT_EQ(State().statusText, u"Connected");
    }
};

// --- Status ---

TEST_F(CommandsTest, StatusWithABlankNumberMakesNoRequestAndShowsTheStatus) {
    form.Form_Load();
    form.mnuStatus_Click();
    EXPECT_EQ(Requests(), 0U);
    EXPECT_EQ(Balloons().back(), u"Phone number not configured");
}

TEST_F(CommandsTest, StatusShowsTheAnswerAndTakesItsCategoryAndLink) {
    StartConnected();
    const NotifierState before = State();
    const PollSchedule schedule = form.Schedule();
    QueueReply("status-answer.xml");
    form.mnuStatus_Click();

    ASSERT_EQ(Requests(), 2U);
    EXPECT_EQ(ports.transfer.requests[1],
              "http://localhost:9090/dataservices/status?ver=1.0&msisdn=0803");
    EXPECT_EQ(Balloons().back(), u"Number active: 2 GB left.");
    EXPECT_EQ(State().link, u"https://portal.example.net/plan");
    EXPECT_EQ(State().category, u"Download");
    // Neither build date, nor the status, nor the schedule moves.
    EXPECT_EQ(State().currentBuildDate, before.currentBuildDate);
    EXPECT_EQ(State().lastShownBuildDate, before.lastShownBuildDate);
    EXPECT_EQ(State().statusText, u"Connected");
    EXPECT_EQ(form.Schedule().count, schedule.count);
    EXPECT_EQ(form.Schedule().threshold, schedule.threshold);
    EXPECT_EQ(Tooltips().back(), u"Connected");
}

TEST_F(CommandsTest, StatusShowsTheLastOfTwoDescriptions) {
    StartConnected();
    QueueReply("status-two-descriptions.xml");
    form.mnuStatus_Click();
    EXPECT_EQ(Balloons().back(), u"Second answer");
    // No category or link lines: the values of the last poll stay.
    EXPECT_EQ(State().link, u"http://downloads.example.net/setup.html");
}

TEST_F(CommandsTest, StatusWithAFailedOrBlankAnswerShowsTheStatusText) {
    StartConnected();
    QueueFailure();
    ports.transfer.replies.emplace_back("<description><![CDATA[   ]]></description>\n");
    form.mnuStatus_Click();
    form.mnuStatus_Click();
    EXPECT_EQ(Balloons(), (Strings{u"Connected", u"A new version is ready. Click to download.",
                                   u"Connected", u"Connected"}));
    EXPECT_EQ(State().statusText, u"Connected");  // a failed Status does not change it
}

// --- My Number ---

TEST_F(CommandsTest, MyNumberSavesTheAnswerExactlyAsTyped) {
    form.Form_Load();
    ports.dialogs.inputBoxAnswers.emplace_back(u" 0803 ");
    QueueReply("poll-notice-download.xml");
    form.mnuMyNumber_Click();

    ASSERT_EQ(ports.dialogs.inputBoxes.size(), 1U);
    EXPECT_EQ(ports.dialogs.inputBoxes[0].prompt, u"Phone Number");
    EXPECT_EQ(ports.dialogs.inputBoxes[0].title, u"Tarvolin Internet Notifier");
    EXPECT_EQ(ports.dialogs.inputBoxes[0].defaultText, u"");
    EXPECT_EQ(NumberFileBytes(), " 0803 \r\n");
    EXPECT_EQ(State().number, u" 0803 ");
    // "Connecting..." is shown, then the poll run (threshold 0) fetches and connects.
    EXPECT_EQ(Tooltips(), (Strings{u"Connecting...", u"Phone number not configured",
                                   u"Connecting...", u"Connected"}));
    EXPECT_EQ(Balloons(), (Strings{u"Phone number not configured", u"Connecting...", u"Connected",
                                   u"A new version is ready. Click to download."}));
}

struct UnchangedAnswerCase {
    const char* name;
    std::u16string answer;
};

class MyNumberUnchangedTest : public CommandsTest,
                              public ::testing::WithParamInterface<UnchangedAnswerCase> {};

TEST_P(MyNumberUnchangedTest, KeepsTheFileYetRestartsTheStatus) {
    StartConnected();
    ports.dialogs.inputBoxAnswers.push_back(GetParam().answer);
    form.mnuMyNumber_Click();

    EXPECT_EQ(ports.dialogs.inputBoxes.at(0).defaultText, u"0803");
    EXPECT_EQ(NumberFileBytes(), "0803\r\n");
    EXPECT_EQ(State().number, u"0803");
    EXPECT_EQ(Tooltips().back(), u"Connecting...");
    EXPECT_EQ(Balloons().back(), u"Connecting...");
    // The poll run that follows only counts (threshold 59), so "Connecting..." stays.
    EXPECT_EQ(Requests(), 1U);
    EXPECT_EQ(form.Schedule().count, 1);
    EXPECT_EQ(State().statusText, u"Connecting...");

    // It leaves at the next run that fetches.
    QueueReply("poll-notice-download.xml");
    Tick(59);
    EXPECT_EQ(Requests(), 2U);
    EXPECT_EQ(State().statusText, u"Connected");
}

INSTANTIATE_TEST_SUITE_P(Answers, MyNumberUnchangedTest,
                         ::testing::Values(UnchangedAnswerCase{"cancel", u""},
                                           UnchangedAnswerCase{"spaces", u"   "}),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(CommandsTest, MyNumberOffersOnlyTheFirstLineAndSavesOneLine) {
    WriteNumberFile("0803\r\n0999\r\nrest");
    QueueFailure();
    form.Form_Load();
    ports.dialogs.inputBoxAnswers.emplace_back(u"0711");
    QueueFailure();
    form.mnuMyNumber_Click();
    EXPECT_EQ(ports.dialogs.inputBoxes.at(0).defaultText, u"0803");
    EXPECT_EQ(NumberFileBytes(), "0711\r\n");
}

TEST_F(CommandsTest, MyNumberWithTheFileDeletedShowsTheErrorAndChangesNothing) {
    StartConnected();
    std::filesystem::remove(folder.Path() / "MyNumber.txt");
    const std::size_t trayCalls = ports.shell.notifyCalls.size();
    form.mnuMyNumber_Click();

    EXPECT_TRUE(ports.dialogs.inputBoxes.empty());
    ASSERT_EQ(ports.dialogs.msgBoxes.size(), 1U);
    EXPECT_EQ(ports.dialogs.msgBoxes[0].title, u"Error");
    EXPECT_EQ(ports.dialogs.msgBoxes[0].buttons, MsgBoxOkOnly);
    EXPECT_EQ(ports.dialogs.msgBoxes[0].text,
              Utf8CodePage{}.ToText(
                  std::make_error_code(std::errc::no_such_file_or_directory).message()));
    EXPECT_EQ(ports.shell.notifyCalls.size(), trayCalls);
    EXPECT_EQ(State().statusText, u"Connected");
    EXPECT_FALSE(folder.Exists("MyNumber.txt"));  // the command does not create it
}

// --- Exit ---

TEST_F(CommandsTest, ExitAnsweredNoChangesNothing) {
    StartConnected();
    const std::size_t trayCalls = ports.shell.notifyCalls.size();
    ports.dialogs.msgBoxAnswers.push_back(MsgBoxResultNo);
    form.mnuExit_Click();

    ASSERT_EQ(ports.dialogs.msgBoxes.size(), 1U);
    EXPECT_EQ(ports.dialogs.msgBoxes[0].text, u"Are you sure you want to exit Notify");
    EXPECT_EQ(ports.dialogs.msgBoxes[0].buttons, MsgBoxYesNo);
    EXPECT_EQ(ports.dialogs.msgBoxes[0].title, u"Tarvolin Internet Notifier");
    EXPECT_EQ(ports.shell.notifyCalls.size(), trayCalls);
    EXPECT_EQ(ports.window.endCalls, 0);
    QueueReply("poll-notice-download.xml");
    Tick(60);
    EXPECT_EQ(Requests(), 2U);  // ticks go on
}

TEST_F(CommandsTest, ExitAnsweredYesRemovesTheIconAndEndsForGood) {
    StartConnected();
    ports.dialogs.msgBoxAnswers.push_back(MsgBoxResultYes);
    form.mnuExit_Click();

    EXPECT_EQ(ports.shell.notifyCalls.back().message, NimDelete);
    EXPECT_EQ(ports.window.endCalls, 1);
    const std::size_t trayCalls = ports.shell.notifyCalls.size();
    Tick(120);
    form.TrayNotification(TrayBalloonUserClick);
    form.mnuStatus_Click();
    EXPECT_EQ(ports.shell.notifyCalls.size(), trayCalls);
    EXPECT_EQ(Requests(), 1U);
    EXPECT_TRUE(ports.shell.openedUrls.empty());
}

}  // namespace
}  // namespace tarvolin::testing
