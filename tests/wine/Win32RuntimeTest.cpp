// What only the Win32 runtime shows: the tray as the shell receives it, byte for byte, and the
// icon added again when Explorer restarts; the ANSI code page; the program folder's key.

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <system_error>
#include <tuple>
#include <vector>

#include "runtime/win32/AnsiCodePage.h"
#include "runtime/win32/AppFolder.h"
#include "runtime/win32/NotifyIconData.h"
#include "runtime/win32/SingleInstance.h"
#include "runtime/win32/Win32Shell.h"
#include "runtime/win32/Win32Window.h"
#include "tests/unit/Fakes.h"
#include "tray/tray.h"

namespace tarvolin::testing {
namespace {

using namespace std::string_literals;

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

TEST(Win32Tray, TheShellGetsTheRecordsFieldsAndTheIconAgainWhenExplorerRestarts) {
    std::unique_ptr<Win32Window> window;
    try {
        window = std::make_unique<Win32Window>(GetModuleHandleW(nullptr));
    } catch (const std::system_error&) {
        GTEST_SKIP() << "no display to create the window on";
    }
    const AnsiCodePage codePage;
    std::vector<std::pair<DWORD, NOTIFYICONDATAA>> calls;  // message and structure
    Win32Shell shell(codePage, [&calls](DWORD message, PNOTIFYICONDATAA data) {
        calls.emplace_back(message, *data);
        return TRUE;
    });
    modSystray tray(shell);
    FakePorts fakes;
    frmMain form(Ports{*window, fakes.dialogs, shell, fakes.transfer, codePage});
    window->Attach(form, [&shell] { shell.ReAddIcon(); });
    tray.TrayAdd(*window, u"  Connecting...  ");
    tray.TraySetTip(*window, u"Connected");
    tray.TrayShowBalloon(*window, u" New notice ", u"Tarvolin Internet Notifier");
    SendMessageW(window->Hwnd(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    ASSERT_EQ(calls.size(), 5U);  // add, tooltip, the balloon's clear and its text, add again
    // Tray callbacks carry their code where X goes: in twips of the system's resolution.
    EXPECT_FLOAT_EQ(window->TwipsPerPixelX() * static_cast<float>(GetDpiForSystem()), 1440.0F);
    const auto& [message, add] = calls[0];
    EXPECT_EQ(std::tuple(add.hWnd, add.hIcon),
              std::tuple(window->Hwnd(), static_cast<HICON>(HandleFromField(window->IconHandle()))));
    // NIM_ADD; cbSize: the version-2 size of x86_64, which carries balloons; uID; uFlags
    // (NIF_MESSAGE | NIF_ICON | NIF_TIP); uCallbackMessage (WM_MOUSEMOVE); the rest 0
    EXPECT_EQ(std::tuple(message, add.cbSize, add.uID, add.uFlags, add.uCallbackMessage,
                         add.dwState, add.dwStateMask, add.uTimeout, add.dwInfoFlags),
              std::tuple(DWORD{NIM_ADD}, DWORD{504}, 1U, 7U, 512U, 0UL, 0UL, 0U, 0UL));
    EXPECT_EQ(Field(add.szTip), Filled("Connecting...", 128));
    EXPECT_EQ(Field(add.szInfo) + Field(add.szInfoTitle), std::string(256 + 64, '\0'));
    const auto& [modify, balloon] = calls[3];
    EXPECT_EQ(
        std::tuple(modify, balloon.uFlags, balloon.dwInfoFlags),
        std::tuple(DWORD{NIM_MODIFY}, UINT{NIF_MESSAGE | NIF_ICON | NIF_INFO}, DWORD{NIIF_INFO}));
    EXPECT_EQ(Field(balloon.szInfo) + Field(balloon.szInfoTitle),
              Filled(" New notice ", 256) + Filled("Tarvolin Internet Notifier", 64));
    // Explorer restarted: the icon comes back with the last tooltip, and no balloon again.
    const auto& [again, readded] = calls[4];
    EXPECT_EQ(std::tuple(again, readded.uFlags, Field(readded.szTip)),
              std::tuple(DWORD{NIM_ADD}, 7U, Filled("Connected", 128)));
}

// With the values of Windows-1252: the ANSI code page of Western European and US systems, and
// Wine's under an English locale.
TEST(AnsiCodePage, BytesAndTextConvertBothWaysAndWhatItLacksBecomesQuestionMarks) {
    if (GetACP() != 1252) GTEST_SKIP() << "the ANSI code page is " << GetACP();
    const AnsiCodePage codePage;
    const std::string bytes = "<link>?a=1&b=2</link>\r\n\0 \xE9t\xE9 \x80 \x93q\x94 caf\xC3\xA9"s;
    // A UTF-8 body is read byte by byte: "é" in UTF-8 arrives as two characters.
    const std::u16string text =
        u"<link>?a=1&b=2</link>\r\n\0 \u00E9t\u00E9 \u20AC \u201Cq\u201D caf\u00C3\u00A9"s;
    EXPECT_EQ(codePage.ToText(bytes), text);
    EXPECT_EQ(codePage.ToBytes(text), bytes);
    EXPECT_EQ(codePage.ToBytes(u"a\u4E2Db\xD800"s), "a?b?");
}

// The key that allows one notifier per program folder.
TEST(AppFolder, HasOneKeyWhateverItsSpelling) {
    const std::u16string folder = ExecutableFolder();
    std::wstring shortName(MAX_PATH, L'\0');
    shortName.resize(GetShortPathNameW(reinterpret_cast<const wchar_t*>(folder.c_str()),
                                       shortName.data(), MAX_PATH));
    EXPECT_EQ(FolderKey(std::u16string(shortName.begin(), shortName.end())), FolderKey(folder));
    const std::wstring key = FolderKey(u"C:\\Tools\\Tarvolin");
    for (const char16_t* same :
         {u"c:\\TOOLS\\tarvolin", u"C:/Tools/Tarvolin/", u"C:\\Tools\\x\\..\\Tarvolin"}) {
        EXPECT_EQ(FolderKey(same), key);
    }
    for (const char16_t* other : {u"C:\\Tools\\Tarvolin2", u"C:\\Tools", u"D:\\Tools\\Tarvolin"}) {
        EXPECT_NE(FolderKey(other), key);
    }
}

}  // namespace
}  // namespace tarvolin::testing
