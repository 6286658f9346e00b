// The tray as the shell receives it from the Win32 runtime, byte for byte: the record's
// values in this build's NOTIFYICONDATAA, and the icon added again when Explorer restarts.

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <system_error>
#include <tuple>
#include <vector>

#include "runtime/win32/AnsiCodePage.h"
#include "runtime/win32/Win32Shell.h"
#include "runtime/win32/Win32Window.h"
#include "tests/unit/Fakes.h"
#include "tray/tray.h"

namespace tarvolin::testing {
namespace {

// "text", a NUL, then spaces up to the field's width, as the record fills its fields.
std::string Filled(const std::string& text, std::size_t width) {
    std::string field = text + '\0';
    field.resize(width, ' ');
    return field;
}

template <std::size_t Width>
std::string Field(const CHAR (&chars)[Width]) {
    return std::string(chars, Width);
}

class Win32TrayTest : public ::testing::Test {
protected:
    void SetUp() override {
        try {
            window = std::make_unique<Win32Window>(GetModuleHandleW(nullptr));
        } catch (const std::system_error&) {
            GTEST_SKIP() << "no display to create the window on";
        }
    }

    AnsiCodePage codePage;
    std::vector<std::pair<DWORD, NOTIFYICONDATAA>> calls;  // message and structure
    Win32Shell shell{codePage, [this](DWORD message, PNOTIFYICONDATAA data) {
                         calls.emplace_back(message, *data);
                         return TRUE;
                     }};
    modSystray tray{shell};
    std::unique_ptr<Win32Window> window;
};

TEST_F(Win32TrayTest, TheFirstAddCarriesTheTooltipAndABalloonIsAClearThenTextAndTitle) {
    tray.TrayAdd(*window, u"  Connecting...  ");
    tray.TrayShowBalloon(*window, u" New notice ", u"Tarvolin Internet Notifier");
    ASSERT_EQ(calls.size(), 3U);
    // Tray callbacks carry their code where X goes: in twips of the system's resolution.
    EXPECT_FLOAT_EQ(window->TwipsPerPixelX() * static_cast<float>(GetDpiForSystem()), 1440.0F);
    const auto& [message, add] = calls[0];
    EXPECT_EQ(message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(add.cbSize, 504U);  // the version-2 size of x86_64, which carries balloons
    EXPECT_EQ(std::tuple(add.hWnd, add.hIcon), std::tuple(window->Hwnd(), window->SmallIcon()));
    // uID, uFlags (NIF_MESSAGE | NIF_ICON | NIF_TIP), uCallbackMessage (WM_MOUSEMOVE), the rest 0
    EXPECT_EQ(std::tuple(add.uID, add.uFlags, add.uCallbackMessage, add.dwState, add.dwStateMask,
                         add.uTimeout, add.dwInfoFlags),
              std::tuple(1U, 7U, 512U, 0UL, 0UL, 0U, 0UL));
    EXPECT_EQ(Field(add.szTip), Filled("Connecting...", 128));
    EXPECT_EQ(Field(add.szInfo) + Field(add.szInfoTitle), std::string(256 + 64, '\0'));
    for (const auto& [modify, balloon] : {calls[1], calls[2]}) {
        EXPECT_EQ(modify, static_cast<DWORD>(NIM_MODIFY));
        EXPECT_EQ(balloon.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_INFO));
        EXPECT_EQ(Field(balloon.szTip), Filled("Connecting...", 128));
    }
    EXPECT_EQ(Field(calls[1].second.szInfo) + Field(calls[1].second.szInfoTitle),
              Filled("", 256) + Filled("", 64));
    EXPECT_EQ(Field(calls[2].second.szInfo), Filled(" New notice ", 256));
    EXPECT_EQ(Field(calls[2].second.szInfoTitle), Filled("Tarvolin Internet Notifier", 64));
    EXPECT_EQ(calls[2].second.dwInfoFlags, static_cast<DWORD>(NIIF_INFO));
}

TEST_F(Win32TrayTest, TaskbarCreatedAddsTheIconAgainWithTheLastTooltip) {
    FakePorts fakes;
    frmMain form(Ports{*window, fakes.dialogs, shell, fakes.transfer, codePage});
    window->Attach(form, [this] { shell.ReAddIcon(); });
    tray.TrayAdd(*window, u"Connecting...");
    tray.TraySetTip(*window, u"Connected");
    tray.TrayShowBalloon(*window, u"New notice", u"Tarvolin Internet Notifier");
    SendMessageW(window->Hwnd(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    ASSERT_EQ(calls.size(), 5U);
    EXPECT_EQ(calls[4].first, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(calls[4].second.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(Field(calls[4].second.szTip), Filled("Connected", 128));
}

}  // namespace
}  // namespace tarvolin::testing
