// The message box and the input box, answered from a second thread as a user would.

#include <gtest/gtest.h>
#include <string>

#include "runtime/win32/InputDialog.h"
#include "runtime/win32/Win32Dialogs.h"
#include "tests/wine/DialogDriver.h"

namespace tarvolin::testing {
namespace {

class Win32DialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!CanCreateWindows()) {
            GTEST_SKIP() << "no display to show dialogs on";
        }
    }
};

TEST_F(Win32DialogsTest, MsgBoxAnswersAreOkYesAndNoWithTheFirstButtonTheDefault) {
    Win32Dialogs dialogs;
    const struct {
        int buttons;
        int press;
        int expected;
        int expectedDefault;
    } cases[] = {
        {MsgBoxOkOnly, IDOK, MsgBoxResultOk, IDOK},
        {MsgBoxYesNo, IDYES, MsgBoxResultYes, IDYES},
        {MsgBoxYesNo, IDNO, MsgBoxResultNo, IDYES},
    };
    for (const auto& c : cases) {
        int defaultId = 0;
        const DialogDriver driver(L"#32770", L"Tarvolin Internet Notifier", [&](HWND box) {
            for (const int id : {IDOK, IDYES, IDNO}) {
                const HWND button = GetDlgItem(box, id);
                if (button != nullptr &&
                    (GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
                    defaultId = id;
                }
            }
            PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(c.press), 0);
        });
        EXPECT_EQ(dialogs.MsgBox(u"Are you sure you want to exit Notify", c.buttons,
                                 u"Tarvolin Internet Notifier"),
                  c.expected);
        EXPECT_EQ(defaultId, c.expectedDefault);
    }
}

TEST_F(Win32DialogsTest, InputBoxShowsPromptAndDefaultAndReturnsTheTypedTextOnOk) {
    Win32Dialogs dialogs;
    std::wstring shownPrompt;
    std::wstring shownDefault;
    int defaultId = 0;
    const DialogDriver driver(L"#32770", L"Tarvolin Internet Notifier", [&](HWND box) {
        shownPrompt = WindowText(GetDlgItem(box, InputPromptId));
        shownDefault = WindowText(GetDlgItem(box, InputEditId));
        defaultId = LOWORD(SendMessageW(box, DM_GETDEFID, 0, 0));
        SetWindowTextW(GetDlgItem(box, InputEditId), L" 0803 \u00E9\u4E2D");
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(dialogs.InputBox(u"Phone Number", u"Tarvolin Internet Notifier", u"0803 555"),
              u" 0803 \u00E9\u4E2D");
    EXPECT_EQ(shownPrompt, L"Phone Number");
    EXPECT_EQ(shownDefault, L"0803 555");
    EXPECT_EQ(defaultId, IDOK);
}

TEST_F(Win32DialogsTest, InputBoxGivesEmptyTextOnCancelEscapeAndClose) {
    Win32Dialogs dialogs;
    const std::function<void(HWND)> ways[] = {
        [](HWND box) { PostMessageW(box, WM_COMMAND, IDCANCEL, 0); },
        [](HWND box) { PostMessageW(box, WM_CLOSE, 0, 0); },
        [](HWND box) { PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0); },
    };
    for (const auto& way : ways) {
        const DialogDriver driver(L"#32770", L"Title", [&](HWND box) {
            SetWindowTextW(GetDlgItem(box, InputEditId), L"typed but cancelled");
            way(box);
        });
        EXPECT_EQ(dialogs.InputBox(u"Prompt", u"Title", u"default"), u"");
    }
}

TEST_F(Win32DialogsTest, InputBoxOkWithAnEmptyBoxIsEmptyText) {
    const DialogDriver driver(L"#32770", L"Title",
                              [](HWND box) { PostMessageW(box, WM_COMMAND, IDOK, 0); });
    EXPECT_EQ(RunInputDialog(u"Prompt", u"Title", u""), std::optional<std::u16string>(u""));
}

}  // namespace
}  // namespace tarvolin::testing
