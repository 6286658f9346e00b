// Tray callbacks: decoding X into a code, the balloon-visible flag and link opening.

#include <gtest/gtest.h>

#include "tests/unit/FormFixture.h"

namespace tarvolin::testing {
namespace {

class TrayDispatchTest : public FormTest {
protected:
    // Started and connected; the last poll left `category` and `link` behind.
    void StartWith(const std::string& category, const std::string& link) {
        WriteNumberFile("0803\r\n");
        ports.transfer.replies.emplace_back("<category>" + category + "</category>\n<link>" + link +
                                            "</link>\n");
        form.Form_Load();
        ASSERT_EQ(State().statusText, u"Connected");
    }
    void Code(std::int32_t code) { form.TrayNotification(code); }
    [[nodiscard]] std::size_t StatusRequests() const {
        std::size_t n = 0;
        for (const auto& url : ports.transfer.requests)
            n += url.find("/status?") != std::string::npos;
        return n;
    }
};

// X in twips at 15 twips per pixel, and what the window makes of it.
struct DecodeCase {
    const char* name;
    float x;
    float twipsPerPixel;
    int popups;          // 517
    int statusRequests;  // 514 with no balloon up
};

class DecodeTest : public TrayDispatchTest, public ::testing::WithParamInterface<DecodeCase> {};

TEST_P(DecodeTest, RoundsTheQuotientHalfToEven) {
    StartWith("News", "http://x.example/");
    ports.window.twipsPerPixel = GetParam().twipsPerPixel;
    form.Form_MouseMove(0, 0, GetParam().x, 0.0F);
    EXPECT_EQ(static_cast<int>(ports.window.popups.size()), GetParam().popups);
    EXPECT_EQ(static_cast<int>(StatusRequests()), GetParam().statusRequests);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, DecodeTest,
    ::testing::Values(DecodeCase{"left_up", 514 * 15.0F, 15.0F, 0, 1},
                      DecodeCase{"right_up", 517 * 15.0F, 15.0F, 1, 0},
                      DecodeCase{"half_down_to_even_514", 514.5F * 15.0F, 15.0F, 0, 1},
                      DecodeCase{"half_up_to_even_516_ignored", 515.5F * 15.0F, 15.0F, 0, 0},
                      DecodeCase{"just_above_half_rounds_up", 516.51F * 15.0F, 15.0F, 1, 0},
                      DecodeCase{"at_120_dpi", 514 * 12.0F, 12.0F, 0, 1},
                      DecodeCase{"mouse_move_512_ignored", 512 * 15.0F, 15.0F, 0, 0},
                      DecodeCase{"left_down_513_ignored", 513 * 15.0F, 15.0F, 0, 0},
                      DecodeCase{"negative_ignored", -514 * 15.0F, 15.0F, 0, 0},
                      DecodeCase{"huge_ignored", 3.0e38F, 15.0F, 0, 0},
                      DecodeCase{"zero_twips_ignored", 514 * 15.0F, 0.0F, 0, 0}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// The flag table: flag before, code, stored category and link → flag after, links opened,
// Status run.
struct FlagCase {
    const char* name;
    bool balloonUp;
    std::int32_t code;
    const char* category;
    const char* link;
    std::int16_t flagAfter;
    std::vector<std::u16string> opened;
    bool statusRan;
};

class FlagTest : public TrayDispatchTest, public ::testing::WithParamInterface<FlagCase> {};

TEST_P(FlagTest, FollowsTheTable) {
    const FlagCase& c = GetParam();
    StartWith(c.category, c.link);
    if (c.balloonUp) Code(TrayBalloonShow);
    Code(c.code);
    EXPECT_EQ(State().balloonVisible, c.flagAfter);
    EXPECT_EQ(ports.shell.openedUrls, c.opened);
    EXPECT_EQ(StatusRequests(), c.statusRan ? 1U : 0U);
    EXPECT_TRUE(ports.window.popups.empty());
}

const std::u16string Setup = u"http://dl.example/setup.exe";

INSTANTIATE_TEST_SUITE_P(
    Codes, FlagTest,
    ::testing::Values(
        FlagCase{"show_sets", false, 1026, "News", "", -1, {}, false},
        FlagCase{
            "timeout_clears", true, 1028, "Download", "http://dl.example/setup.exe", 0, {}, false},
        FlagCase{
            "hide_keeps", true, 1027, "Download", "http://dl.example/setup.exe", -1, {}, false},
        FlagCase{"click_opens_download",
                 true,
                 1029,
                 "Download",
                 "http://dl.example/setup.exe",
                 0,
                 {Setup},
                 false},
        FlagCase{"click_without_balloon_opens_too",
                 false,
                 1029,
                 "Download",
                 "http://dl.example/setup.exe",
                 0,
                 {Setup},
                 false},
        FlagCase{"left_up_on_balloon_opens",
                 true,
                 514,
                 "Download",
                 "http://dl.example/setup.exe",
                 0,
                 {Setup},
                 false},
        FlagCase{"left_up_without_balloon_runs_status",
                 false,
                 514,
                 "Download",
                 "http://dl.example/setup.exe",
                 0,
                 {},
                 true},
        FlagCase{"category_case_differs",
                 true,
                 1029,
                 "download",
                 "http://dl.example/setup.exe",
                 0,
                 {},
                 false},
        FlagCase{"category_trailing_space",
                 true,
                 1029,
                 "Download ",
                 "http://dl.example/setup.exe",
                 0,
                 {},
                 false},
        FlagCase{"empty_link", true, 1029, "Download", "", 0, {}, false},
        FlagCase{"link_without_scheme_gets_prefix",
                 true,
                 1029,
                 "Download",
                 "dl.example/a",
                 0,
                 {u"http://dl.example/a"},
                 false},
        FlagCase{"unsafe_link_never_opened", true, 1029, "Download", "httpd.exe", 0, {}, false}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(TrayDispatchTest, ASecondLeftClickAfterTheBalloonClickRunsStatus) {
    StartWith("Download", "http://dl.example/setup.exe");
    Code(TrayBalloonShow);
    Code(TrayLeftButtonUp);
    EXPECT_EQ(StatusRequests(), 0U);
    Code(TrayLeftButtonUp);
    EXPECT_EQ(StatusRequests(), 1U);
    EXPECT_EQ(ports.shell.openedUrls.size(), 1U);
}

TEST_F(TrayDispatchTest, RightClickPopsUpTheContextMenuAndKeepsTheFlag) {
    StartWith("News", "http://x.example/");
    Code(TrayBalloonShow);
    Code(TrayRightButtonUp);
    EXPECT_EQ(ports.window.popups, (std::vector<TopMenu>{TopMenu::mnuContext}));
    EXPECT_EQ(State().balloonVisible, FieldTrue);
}

TEST_F(TrayDispatchTest, AMenuItemChosenInThePopupRunsAndTicksInsideItAreSkipped) {
    StartWith("News", "http://x.example/");
    const std::size_t requests = Requests();
    ports.window.onPopup = [&](TopMenu) {
        Tick(200);  // ticks delivered while the menu is open
        form.mnuStatus_Click();
    };
    Code(TrayRightButtonUp);
    EXPECT_EQ(Requests(), requests + 1);  // only the Status request
    EXPECT_EQ(form.Schedule().count, 0);
}

TEST_F(TrayDispatchTest, MouseUpChangesNothing) {
    StartWith("Download", "http://dl.example/setup.exe");
    Code(TrayBalloonShow);
    const std::size_t calls = ports.shell.notifyCalls.size();
    for (const float x : {514 * 15.0F, 1029 * 15.0F, 517 * 15.0F}) form.Form_MouseUp(1, 0, x, 0);
    EXPECT_EQ(ports.shell.notifyCalls.size(), calls);
    EXPECT_EQ(State().balloonVisible, FieldTrue);
    EXPECT_TRUE(ports.shell.openedUrls.empty());
    EXPECT_TRUE(ports.window.popups.empty());
}

}  // namespace
}  // namespace tarvolin::testing
