// The poll cycle: statuses, the run schedule and notice balloons.

#include <gtest/gtest.h>

#include "tests/unit/FormFixture.h"

namespace tarvolin::testing {
namespace {

using Strings = std::vector<std::u16string>;

const std::u16string DownloadNotice = u"A new version is ready. Click to download.";
const std::u16string NewsNotice = u"Your bundle renews tomorrow.";

TEST_F(FormTest, FirstStartWithoutNumberFileCreatesItAndAsksForANumber) {
    form.Form_Load();

    EXPECT_TRUE(folder.Exists("MyNumber.txt"));
    EXPECT_EQ(NumberFileBytes(), "");
    EXPECT_TRUE(ports.dialogs.msgBoxes.empty());
    EXPECT_EQ(Requests(), 0U);
    EXPECT_EQ(State().statusText, u"Phone number not configured");
    EXPECT_EQ(Tooltips(), (Strings{u"Connecting...", u"Phone number not configured"}));
    EXPECT_EQ(Balloons(), (Strings{u"Phone number not configured"}));
    EXPECT_EQ(ports.window.intervals, (std::vector<std::int32_t>{60000}));

    // Later runs reread the file and change nothing while it stays empty.
    Tick(3);
    EXPECT_EQ(Balloons().size(), 1U);
    EXPECT_EQ(Requests(), 0U);
}

TEST_F(FormTest, FirstSuccessfulReplyShowsConnectedThenTheNotice) {
    WriteNumberFile("0803\r\n");
    QueueReply("poll-notice-download.xml");
    form.Form_Load();

    ASSERT_EQ(Requests(), 1U);
    EXPECT_EQ(ports.transfer.requests[0],
              "http://localhost:9090/dataservices/notify?ver=1.0&msisdn=0803");
    EXPECT_EQ(State().statusText, u"Connected");
    EXPECT_EQ(Balloons(), (Strings{u"Connected", DownloadNotice}));
    EXPECT_EQ(State().category, u"Download");
    EXPECT_EQ(State().link, u"http://downloads.example.net/setup.html");
    EXPECT_EQ(State().currentBuildDate,
              u"<lastBuildDate>Sun, 06 Dec 2026 19:00:00 GMT</lastBuildDate>\n");
    EXPECT_EQ(State().lastShownBuildDate, State().currentBuildDate);
    EXPECT_EQ(form.Schedule().threshold, 59);
    EXPECT_EQ(form.Schedule().count, 0);
}

TEST_F(FormTest, ConnectedFetchesOnEverySixtiethRun) {
    WriteNumberFile("0803\r\n");
    ports.transfer.fallback = ReadTestData("replies/poll-notice-download.xml");
    form.Form_Load();
    ASSERT_EQ(Requests(), 1U);

    Tick(59);
    EXPECT_EQ(Requests(), 1U);
    EXPECT_EQ(form.Schedule().count, 59);
    Tick();
    EXPECT_EQ(Requests(), 2U);
    EXPECT_EQ(form.Schedule().count, 0);
    // Same build date: the notice is not shown again, and "Connected" is not re-entered.
    EXPECT_EQ(Balloons(), (Strings{u"Connected", DownloadNotice}));
}

TEST_F(FormTest, UnavailableServiceIsAskedOnEveryRunUntilItAnswers) {
    WriteNumberFile("0803\r\n");
    QueueFailure();
    form.Form_Load();
    EXPECT_EQ(State().statusText, u"Service unavailable");
    EXPECT_EQ(form.Schedule().threshold, 0);

    QueueFailure();
    QueueReply("poll-notice-news.xml");
    Tick(2);
    EXPECT_EQ(Requests(), 3U);
    EXPECT_EQ(State().statusText, u"Connected");
    EXPECT_EQ(Balloons(), (Strings{u"Service unavailable", u"Connected", NewsNotice}));
    EXPECT_EQ(Tooltips(), (Strings{u"Connecting...", u"Service unavailable", u"Connected"}));
    EXPECT_EQ(ports.window.intervals, (std::vector<std::int32_t>{60000, 60000}));
}

struct BlankReplyCase {
    const char* name;
    std::optional<std::string> reply;
};

class BlankReplyTest : public FormTest, public ::testing::WithParamInterface<BlankReplyCase> {};

TEST_P(BlankReplyTest, CountsAsServiceUnavailable) {
    WriteNumberFile("0803\r\n");
    ports.transfer.replies.push_back(GetParam().reply);
    form.Form_Load();
    EXPECT_EQ(State().statusText, u"Service unavailable");
    EXPECT_EQ(Balloons(), (Strings{u"Service unavailable"}));
}

INSTANTIATE_TEST_SUITE_P(Replies, BlankReplyTest,
                         ::testing::Values(BlankReplyCase{"failure", std::nullopt},
                                           BlankReplyCase{"empty", ""},
                                           BlankReplyCase{"spaces", "      "}),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(FormTest, ATabOnlyReplyIsNotBlank) {
    WriteNumberFile("0803\r\n");
    ports.transfer.replies.emplace_back("\t");
    form.Form_Load();
    EXPECT_EQ(State().statusText, u"Connected");
    EXPECT_EQ(form.Schedule().threshold, 10);  // no description in it
}

TEST_F(FormTest, ANewBuildDateShowsTheNextNoticeOnce) {
    WriteNumberFile("0803\r\n");
    QueueReply("poll-notice-download.xml");
    form.Form_Load();
    QueueReply("poll-notice-news.xml");
    QueueReply("poll-notice-news.xml");
    Tick(60);
    Tick(60);
    EXPECT_EQ(Requests(), 3U);
    EXPECT_EQ(Balloons(), (Strings{u"Connected", DownloadNotice, NewsNotice}));
}

TEST_F(FormTest, ReplyWithoutBuildDateShowsNoNoticeWhileBothDatesAreEmpty) {
    WriteNumberFile("0803\r\n");
    QueueReply("poll-no-build-date.xml");
    form.Form_Load();
    EXPECT_EQ(Balloons(), (Strings{u"Connected"}));
    // Category and link are taken all the same.
    EXPECT_EQ(State().link, u"http://downloads.example.net/other.html");
}

TEST_F(FormTest, BlankDescriptionShowsNothingAndAsksEveryEleventhRun) {
    WriteNumberFile("0803\r\n");
    ports.transfer.fallback = ReadTestData("replies/poll-no-description.xml");
    form.Form_Load();
    EXPECT_EQ(Balloons(), (Strings{u"Connected"}));
    EXPECT_EQ(form.Schedule().threshold, 10);
    EXPECT_TRUE(State().lastShownBuildDate.empty());

    Tick(10);
    EXPECT_EQ(Requests(), 1U);
    Tick();
    EXPECT_EQ(Requests(), 2U);
    // Only a new entry into "Connected" raises the threshold to 59 again.
    QueueReply("poll-notice-news.xml");
    Tick(11);
    EXPECT_EQ(Requests(), 3U);
    EXPECT_EQ(form.Schedule().threshold, 10);
    EXPECT_EQ(Balloons(), (Strings{u"Connected", NewsNotice}));
}

TEST_F(FormTest, ANumberWrittenWhileNotConfiguredIsUsedOnTheNextRun) {
    form.Form_Load();
    ASSERT_EQ(State().statusText, u"Phone number not configured");
    WriteNumberFile("0803\r\n");
    QueueReply("poll-notice-download.xml");
    Tick();
    EXPECT_EQ(Requests(), 1U);
    EXPECT_EQ(State().statusText, u"Connected");
    EXPECT_EQ(State().number, u"0803");
}

TEST_F(FormTest, EmptyingTheNumberFileWhileConnectedStopsFetching) {
    WriteNumberFile("0803\r\n");
    QueueReply("poll-notice-download.xml");
    form.Form_Load();
    WriteNumberFile("  \r\n");
    Tick(100);
    EXPECT_EQ(Requests(), 1U);
    EXPECT_EQ(State().statusText, u"Phone number not configured");
    EXPECT_EQ(State().number, u"  ");
    EXPECT_EQ(form.Schedule().threshold, 0);
}

TEST_F(FormTest, TheNumberIsReadUntrimmedAndSentWithUnsafeCharactersEncoded) {
    WriteNumberFile(" 0803 \r\n");
    QueueFailure();
    form.Form_Load();
    EXPECT_EQ(State().number, u" 0803 ");
    ASSERT_EQ(Requests(), 1U);
    EXPECT_EQ(ports.transfer.requests[0],
              "http://localhost:9090/dataservices/notify?ver=1.0&msisdn=%200803%20");
}

TEST_F(FormTest, ATickInsideAnErrorBoxIsSkipped) {
    // A folder in place of the number file: every run shows the "Error" box.
    std::filesystem::create_directory(folder.Path() / "MyNumber.txt");
    int nestedTicks = 0;
    ports.dialogs.duringMsgBox = [&] {
        ++nestedTicks;
        form.Timer1_Timer();
    };
    form.Form_Load();
    EXPECT_EQ(nestedTicks, 1);
    EXPECT_EQ(ports.dialogs.msgBoxes.size(), 1U);  // the nested tick showed no second box
    EXPECT_EQ(ports.dialogs.msgBoxes[0].title, u"Error");
    EXPECT_EQ(State().statusText, u"Phone number not configured");

    Tick();  // a tick of its own shows the box again
    EXPECT_EQ(ports.dialogs.msgBoxes.size(), 2U);
    EXPECT_TRUE(std::filesystem::is_directory(folder.Path() / "MyNumber.txt"));
}

TEST_F(FormTest, ExitChosenInsideAnErrorBoxEndsThePollRun) {
    std::filesystem::create_directory(folder.Path() / "MyNumber.txt");
    // The Exit question is answered first (Yes), then the "Error" box around it (OK).
    ports.dialogs.msgBoxAnswers = {MsgBoxResultYes, MsgBoxResultOk};
    ports.dialogs.duringMsgBox = [&] {
        ports.dialogs.duringMsgBox = nullptr;
        form.mnuExit_Click();
    };
    form.Form_Load();

    EXPECT_EQ(ports.window.endCalls, 1);
    EXPECT_EQ(ports.shell.notifyCalls.back().message, NimDelete);
    EXPECT_EQ(State().statusText, u"Connecting...");  // the run did not go on
    const std::size_t calls = ports.shell.notifyCalls.size();
    Tick();
    form.TrayNotification(TrayLeftButtonUp);
    form.mnuMyNumber_Click();
    EXPECT_EQ(ports.shell.notifyCalls.size(), calls);
    EXPECT_EQ(ports.dialogs.msgBoxes.size(), 2U);
}

}  // namespace
}  // namespace tarvolin::testing
