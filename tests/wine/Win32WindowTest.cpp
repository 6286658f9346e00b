// The host window: its design, and how its messages reach frmMain.

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <thread>

#include "app/WindowDesign.h"
#include "app/frmMain.h"
#include "runtime/win32/AppFolder.h"
#include "runtime/win32/MenuBar.h"
#include "runtime/win32/NotifyIconData.h"
#include "runtime/win32/Win32Window.h"
#include "tests/unit/Fakes.h"
#include "tests/wine/DialogDriver.h"

namespace tarvolin::testing {
namespace {

std::wstring MenuText(HMENU menu, UINT position) {
    wchar_t text[64] = {};
    GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
    return text;
}

// Delivers the queued messages of this thread until `done` holds or the time passes.
template <typename Done>
bool PumpUntil(Done done, std::chrono::milliseconds time = std::chrono::seconds(2)) {
    const auto giveUp = std::chrono::steady_clock::now() + time;
    MSG message{};
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp) return false;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(message.wParam));  // leave it for the test
                return done();
            }
            DispatchMessageW(&message);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The exit code of a WM_QUIT waiting in this thread's queue, or -1.
int QuitCode() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
    }
    return -1;
}

class Win32WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!CanCreateWindows()) {
            GTEST_SKIP() << "no display to create windows on";
        }
        window = std::make_unique<Win32Window>(GetModuleHandleW(nullptr));
        form = std::make_unique<frmMain>(
            Ports{*window, fakes.dialogs, fakes.shell, fakes.transfer, fakes.codePage});
        window->Attach(*form, [this] { ++taskbarCreated; });
    }
    void TearDown() override {
        form.reset();
        window.reset();
        QuitCode();  // drop a quit message a test left
    }

    FakePorts fakes;
    std::unique_ptr<Win32Window> window;
    std::unique_ptr<frmMain> form;
    int taskbarCreated = 0;
};

TEST_F(Win32WindowTest, IsAHiddenTopLevelWindowCaptionedRss) {
    const HWND hwnd = window->Hwnd();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(WindowText(hwnd), L"RSS");
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_EQ(GetAncestor(hwnd, GA_PARENT), GetDesktopWindow());  // not message-only
    EXPECT_EQ(FindWindowW(nullptr, L"RSS"), hwnd);
    EXPECT_EQ(HandleFromField(window->Handle()), hwnd);
}

TEST_F(Win32WindowTest, MenuBarIsContextWithItsThreeItemsThenX) {
    const HMENU bar = GetMenu(window->Hwnd());
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(GetMenuItemCount(bar), 2);
    EXPECT_EQ(MenuText(bar, 0), L"Context");
    EXPECT_EQ(MenuText(bar, 1), L"X");
    EXPECT_EQ(GetSubMenu(bar, 1), nullptr);

    const HMENU context = GetSubMenu(bar, 0);
    ASSERT_EQ(GetMenuItemCount(context), 3);
    EXPECT_EQ(MenuText(context, 0), L"Status");
    EXPECT_EQ(MenuText(context, 1), L"My Number");
    EXPECT_EQ(MenuText(context, 2), L"Exit");
    for (UINT i = 0; i < 3; ++i) {
        const UINT state = GetMenuState(context, i, MF_BYPOSITION);
        EXPECT_EQ(state & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_SEPARATOR), 0U) << i;
        EXPECT_EQ(GetMenuItemID(context, static_cast<int>(i)), FirstContextCommand + i);
        EXPECT_EQ(HandlerOfCommand(FirstContextCommand + i), ContextMenuItems[i].handler);
    }
    EXPECT_FALSE(HandlerOfCommand(CloseMenuCommand).has_value());
}

TEST_F(Win32WindowTest, IconTwipsAndFolderComeFromTheSystem) {
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(static_cast<HICON>(HandleFromField(window->IconHandle())), &info));
    BITMAP bitmap{};
    GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
    EXPECT_EQ(bitmap.bmWidth, GetSystemMetrics(SM_CXSMICON));
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
    if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);

    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    EXPECT_FLOAT_EQ(window->TwipsPerPixelX(), 1440.0F / static_cast<float>(dpi));

    EXPECT_EQ(window->AppPath(), ExecutableFolder());
}

TEST_F(Win32WindowTest, TrayCallbacksArriveAsMouseMovesWithTheCodeInX) {
    const HWND hwnd = window->Hwnd();
    // The shell sends the icon's id in wParam and the code in the low word of lParam.
    PostMessageW(hwnd, WM_MOUSEMOVE, 1, 1026);
    ASSERT_TRUE(PumpUntil([&] { return form->State().balloonVisible == FieldTrue; }));
    PostMessageW(hwnd, WM_MOUSEMOVE, 1, 1027);  // hidden: not handled
    PostMessageW(hwnd, WM_MOUSEMOVE, 1, 512);
    PumpUntil([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_EQ(form->State().balloonVisible, FieldTrue);
    PostMessageW(hwnd, WM_MOUSEMOVE, 1, 1028);
    ASSERT_TRUE(PumpUntil([&] { return form->State().balloonVisible == FieldFalse; }));

    // A left click with no balloon up runs Status, whose balloon is a clear and a show.
    PostMessageW(hwnd, WM_MOUSEMOVE, 1, 514);
    ASSERT_TRUE(PumpUntil([&] { return fakes.shell.notifyCalls.size() == 2; }));
    EXPECT_EQ(fakes.shell.notifyCalls[1].record.dwInfoFlags, NiifInfo);

    // Button releases over the window itself go to Form_MouseUp, which does nothing.
    PostMessageW(hwnd, WM_LBUTTONUP, 0, 514);
    PostMessageW(hwnd, WM_RBUTTONUP, 0, 517);
    PumpUntil([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_EQ(fakes.shell.notifyCalls.size(), 2U);
}

TEST_F(Win32WindowTest, Timer1TicksOnlyAfterAnIntervalIsSet) {
    const HWND hwnd = window->Hwnd();
    MSG message{};
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(PeekMessageW(&message, hwnd, WM_TIMER, WM_TIMER, PM_NOREMOVE));
    window->SetTimerInterval(20);
    EXPECT_TRUE(PumpUntil(
        [&] { return PeekMessageW(&message, hwnd, WM_TIMER, WM_TIMER, PM_NOREMOVE) != FALSE; }));
    // A tick runs a poll: with no number known the status becomes "not configured".
    DispatchMessageW(&message);
    PeekMessageW(&message, hwnd, WM_TIMER, WM_TIMER, PM_REMOVE);
    const auto tips = fakes.shell.Tooltips();
    ASSERT_FALSE(tips.empty());
    EXPECT_EQ(tips.back(), StatusNumberNotConfigured);
}

TEST_F(Win32WindowTest, ConfirmedExitFromTheMenuDeletesTheIconAndEndsWithCodeZero) {
    fakes.dialogs.msgBoxAnswers = {MsgBoxResultNo, MsgBoxResultYes};
    const HWND hwnd = window->Hwnd();
    PostMessageW(hwnd, WM_COMMAND, CloseMenuCommand, 0);         // "X": nothing
    PostMessageW(hwnd, WM_COMMAND, FirstContextCommand + 2, 0);  // Exit, answered No
    PumpUntil([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_EQ(fakes.dialogs.msgBoxes.size(), 1U);
    EXPECT_FALSE(window->HasEnded());

    PostMessageW(hwnd, WM_COMMAND, FirstContextCommand + 2, 0);  // Exit, answered Yes
    ASSERT_TRUE(PumpUntil([&] { return window->HasEnded(); }));
    EXPECT_EQ(fakes.dialogs.msgBoxes.size(), 2U);
    ASSERT_FALSE(fakes.shell.notifyCalls.empty());
    EXPECT_EQ(fakes.shell.notifyCalls.back().message, NimDelete);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(QuitCode(), 0);
}

TEST_F(Win32WindowTest, CloseUnloadsTheFormAndEnds) {
    const HWND hwnd = window->Hwnd();
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return window->HasEnded(); }));
    ASSERT_EQ(fakes.shell.notifyCalls.size(), 1U);
    EXPECT_EQ(fakes.shell.notifyCalls[0].message, NimDelete);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(QuitCode(), 0);
}

TEST_F(Win32WindowTest, AfterEndNoEventReachesTheForm) {
    window->End();
    EXPECT_TRUE(window->HasEnded());
    window->SetTimerInterval(10);
    window->PopupMenu(TopMenu::mnuContext);
    window->Unload(true);
    EXPECT_TRUE(fakes.shell.notifyCalls.empty());
    EXPECT_EQ(QuitCode(), 0);
}

TEST_F(Win32WindowTest, TaskbarCreatedIsPassedOn) {
    PostMessageW(window->Hwnd(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return taskbarCreated == 1; }));
}

TEST_F(Win32WindowTest, TheContextMenuPopsUpAndAChosenItemRaisesItsHandler) {
    // Choose the third item, Exit, with the keyboard; answer its question with No.
    const DialogDriver driver(L"#32768", L"", [](HWND menu) {
        for (const WPARAM key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}) {
            PostMessageW(menu, WM_KEYDOWN, key, 0);
        }
    });
    window->PopupMenu(TopMenu::mnuContext);
    ASSERT_EQ(fakes.dialogs.msgBoxes.size(), 1U);
    EXPECT_EQ(fakes.dialogs.msgBoxes[0].text, u"Are you sure you want to exit Notify");
}

}  // namespace
}  // namespace tarvolin::testing
