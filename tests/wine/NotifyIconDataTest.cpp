// What the Win32 shell port hands to Shell_NotifyIconA: the tray record's values in this
// build's NOTIFYICONDATAA, for each of the tray operations.

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "runtime/win32/AnsiCodePage.h"
#include "runtime/win32/NotifyIconData.h"
#include "runtime/win32/Win32Shell.h"
#include "tests/unit/Fakes.h"
#include "tray/tray.h"

namespace tarvolin::testing {
namespace {

struct SentCall {
    DWORD message;
    NOTIFYICONDATAA data;
};

// A Win32Shell whose notify-icon calls are recorded instead of reaching the shell.
struct RecordingShell {
    AnsiCodePage codePage;
    std::vector<SentCall> calls;
    Win32Shell shell{codePage, [this](DWORD message, PNOTIFYICONDATAA data) {
                         calls.push_back({message, *data});
                         return TRUE;
                     }};
};

std::string Field(const CHAR* chars, std::size_t width) { return std::string(chars, width); }

// "text", a NUL, then spaces up to the width.
std::string Filled(const std::string& text, std::size_t width) {
    std::string field = text + '\0';
    field.resize(width, ' ');
    return field;
}

// The structure's values, printed so a run of the tests shows what the shell receives.
std::string Describe(const SentCall& call) {
    const NOTIFYICONDATAA& d = call.data;
    const auto text = [](const CHAR* chars, std::size_t width) {
        const std::string field(chars, width);
        const std::size_t nul = field.find('\0');
        if (nul == std::string::npos) return "\"" + field + "\" (no NUL)";
        const std::string rest = field.substr(nul + 1);
        const std::string tail = rest.find_first_not_of(' ') == std::string::npos
                                     ? std::to_string(rest.size()) + " spaces"
                                 : rest.find_first_not_of('\0') == std::string::npos
                                     ? std::to_string(rest.size()) + " NULs"
                                     : std::string("other bytes");
        return "\"" + field.substr(0, nul) + "\" + NUL + " + tail;
    };
    char handles[64];
    std::snprintf(handles, sizeof(handles), "hWnd=%p hIcon=%p", static_cast<void*>(d.hWnd),
                  static_cast<void*>(d.hIcon));
    return "message=" + std::to_string(call.message) + " cbSize=" + std::to_string(d.cbSize) + " " +
           handles + " uID=" + std::to_string(d.uID) + " uFlags=" + std::to_string(d.uFlags) +
           " uCallbackMessage=" + std::to_string(d.uCallbackMessage) +
           " szTip=" + text(d.szTip, sizeof(d.szTip)) + " dwState=" + std::to_string(d.dwState) +
           " dwStateMask=" + std::to_string(d.dwStateMask) +
           " szInfo=" + text(d.szInfo, sizeof(d.szInfo)) +
           " uTimeout=" + std::to_string(d.uTimeout) +
           " szInfoTitle=" + text(d.szInfoTitle, sizeof(d.szInfoTitle)) +
           " dwInfoFlags=" + std::to_string(d.dwInfoFlags);
}

TEST(NotifyIconData, TheFirstAddCarriesTheTooltipAndZeroEverywhereElse) {
    RecordingShell recorder;
    FakeWindow window;
    window.handle = 0x000400A2;
    window.iconHandle = 0x00150037;
    modSystray tray(recorder.shell);

    tray.TrayAdd(window, u"  Connecting...  ");

    ASSERT_EQ(recorder.calls.size(), 1U);
    const SentCall& call = recorder.calls[0];
    std::printf("first TrayAdd: %s\n", Describe(call).c_str());
    const NOTIFYICONDATAA& d = call.data;
    EXPECT_EQ(call.message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(d.cbSize, NOTIFYICONDATAA_V2_SIZE);
    EXPECT_EQ(d.cbSize, sizeof(void*) == 8 ? 504U : 488U);
    EXPECT_EQ(d.hWnd, reinterpret_cast<HWND>(0x000400A2));
    EXPECT_EQ(d.hIcon, reinterpret_cast<HICON>(0x00150037));
    EXPECT_EQ(d.uID, 1U);
    EXPECT_EQ(d.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(d.uCallbackMessage, static_cast<UINT>(WM_MOUSEMOVE));
    EXPECT_EQ(Field(d.szTip, 128), Filled("Connecting...", 128));
    EXPECT_EQ(Field(d.szInfo, 256), std::string(256, '\0'));
    EXPECT_EQ(Field(d.szInfoTitle, 64), std::string(64, '\0'));
    EXPECT_EQ(d.dwState, 0U);
    EXPECT_EQ(d.dwStateMask, 0U);
    EXPECT_EQ(d.uTimeout, 0U);
    EXPECT_EQ(d.dwInfoFlags, 0U);
    const GUID noGuid{};
    EXPECT_EQ(std::memcmp(&d.guidItem, &noGuid, sizeof(GUID)), 0);
}

TEST(NotifyIconData, ABalloonIsAClearThenTheTextAndTitle) {
    RecordingShell recorder;
    FakeWindow window;
    modSystray tray(recorder.shell);
    tray.TrayAdd(window, u"Connecting...");

    tray.TrayShowBalloon(window, u" New notice ", u"Tarvolin Internet Notifier");

    ASSERT_EQ(recorder.calls.size(), 3U);
    for (std::size_t i = 1; i < 3; ++i) {
        std::printf("balloon call %zu: %s\n", i, Describe(recorder.calls[i]).c_str());
        const NOTIFYICONDATAA& d = recorder.calls[i].data;
        EXPECT_EQ(recorder.calls[i].message, static_cast<DWORD>(NIM_MODIFY));
        EXPECT_EQ(d.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_INFO));
        EXPECT_EQ(Field(d.szTip, 128), Filled("Connecting...", 128));  // kept, not read
    }
    const NOTIFYICONDATAA& clear = recorder.calls[1].data;
    EXPECT_EQ(Field(clear.szInfo, 256), Filled("", 256));
    EXPECT_EQ(Field(clear.szInfoTitle, 64), Filled("", 64));
    EXPECT_EQ(clear.dwInfoFlags, 0U);
    const NOTIFYICONDATAA& shown = recorder.calls[2].data;
    EXPECT_EQ(Field(shown.szInfo, 256), Filled(" New notice ", 256));
    EXPECT_EQ(Field(shown.szInfoTitle, 64), Filled("Tarvolin Internet Notifier", 64));
    EXPECT_EQ(shown.dwInfoFlags, static_cast<DWORD>(NIIF_INFO));
}

TEST(NotifyIconData, TextsThatFillTheirFieldsHaveNoNulAndAnsiCharactersAreOneByte) {
    RecordingShell recorder;
    FakeWindow window;
    modSystray tray(recorder.shell);

    tray.TrayAdd(window, std::u16string(200, u'a'));
    tray.TrayShowBalloon(window, std::u16string(300, u'b'), std::u16string(64, u'c'));

    EXPECT_EQ(Field(recorder.calls[0].data.szTip, 128), std::string(128, 'a'));
    EXPECT_EQ(Field(recorder.calls[2].data.szInfo, 256), std::string(256, 'b'));
    EXPECT_EQ(Field(recorder.calls[2].data.szInfoTitle, 64), std::string(64, 'c'));

    if (GetACP() == 1252) {
        tray.TraySetTip(window, u"Caf\u00E9 \u4E2D");
        EXPECT_EQ(Field(recorder.calls[3].data.szTip, 128), Filled("Caf\xE9 ?", 128));
    }
}

TEST(NotifyIconData, HandleFieldsAreSignExtendedAsSharedHandlesAre) {
    EXPECT_EQ(HandleFromField(0x00010042), reinterpret_cast<HANDLE>(0x00010042));
    EXPECT_EQ(HandleFromField(0xFFFF1234U),
              reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-0xEDCC)));
    EXPECT_EQ(FieldFromHandle(HandleFromField(0xFFFF1234U)), 0xFFFF1234U);
}

TEST(NotifyIconData, TaskbarCreatedReAddsTheLastIconWithItsTooltipUntilItIsDeleted) {
    RecordingShell recorder;
    FakeWindow window;
    modSystray tray(recorder.shell);

    recorder.shell.ReAddIcon();  // nothing added yet
    EXPECT_TRUE(recorder.calls.empty());

    tray.TrayAdd(window, u"Connecting...");
    tray.TraySetTip(window, u"Connected");
    tray.TrayShowBalloon(window, u"New notice", u"Tarvolin Internet Notifier");
    recorder.calls.clear();
    recorder.shell.ReAddIcon();
    ASSERT_EQ(recorder.calls.size(), 1U);
    EXPECT_EQ(recorder.calls[0].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(recorder.calls[0].data.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(Field(recorder.calls[0].data.szTip, 128), Filled("Connected", 128));
    EXPECT_EQ(recorder.calls[0].data.hWnd, reinterpret_cast<HWND>(window.handle));

    tray.TrayDelete(window);
    recorder.calls.clear();
    recorder.shell.ReAddIcon();
    EXPECT_TRUE(recorder.calls.empty());
}

}  // namespace
}  // namespace tarvolin::testing
