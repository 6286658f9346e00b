// The setup program's hand on a notifier that runs from the folder it is about to replace or
// remove. It ends that notifier the way Windows closes a program's window: WM_CLOSE to the
// window of the folder's notifier, which unloads and takes its icon away, never a kill. Then
// it waits until the notifier's process is gone, so that its files can be replaced.
//
// Usage: close-notifier.exe FOLDER
// Exit code: 0 no notifier ran from FOLDER, 1 one ran and has ended, 2 one still runs after
// the wait (or holds the folder's instance lock and never shows a window), 3 no single
// folder was given.

// clang-format off
#include <windows.h>  // before the other Windows headers, which need it
#include <shellapi.h>
// clang-format on

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "runtime/win32/SingleInstance.h"

namespace {

enum class Outcome : int { NoneRan = 0, Ended = 1, StillRuns = 2, NoFolder = 3 };

// The notifier answers WM_CLOSE at once, inside a fetch or a dialog too: this is ample.
constexpr DWORD EndWaitMs = 10'000;
// A notifier that has only just started holds the folder's lock before it has its window.
constexpr DWORD StartWaitMs = 3'000;
constexpr DWORD PollMs = 50;

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

struct ArgumentsFreer {
    void operator()(LPWSTR* arguments) const { LocalFree(static_cast<HLOCAL>(arguments)); }
};

std::u16string FolderArgument() {
    int count = 0;
    const std::unique_ptr<LPWSTR, ArgumentsFreer> arguments(
        CommandLineToArgvW(GetCommandLineW(), &count));
    if (!arguments || count != 2) return {};
    const std::wstring_view folder(arguments.get()[1]);
    return {folder.begin(), folder.end()};
}

// Waits for the process to end; without a handle to it, for its window to go.
bool EndedWithin(HWND window, HANDLE process, DWORD waitMs) {
    if (process != nullptr) return WaitForSingleObject(process, waitMs) == WAIT_OBJECT_0;
    for (DWORD waited = 0; IsWindow(window) != FALSE; waited += PollMs) {
        if (waited >= waitMs) return false;
        Sleep(PollMs);
    }
    return true;
}

bool LockHeld(const std::wstring& key) {
    return Handle(OpenMutexW(SYNCHRONIZE, FALSE, tarvolin::InstanceMutexName(key).c_str())) !=
           nullptr;
}

// The window of the folder's notifier; while the lock is held without one, it is waited for.
HWND NotifierWindow(const std::wstring& key) {
    const std::wstring windowClass = tarvolin::NotifierWindowClass(key);
    for (DWORD waited = 0;; waited += PollMs) {
        if (const HWND window = FindWindowW(windowClass.c_str(), nullptr)) return window;
        if (waited >= StartWaitMs || !LockHeld(key)) return nullptr;
        Sleep(PollMs);
    }
}

Outcome CloseNotifierOf(std::u16string_view folder) {
    // The folder's key is the one the notifier makes of its own folder, so the same folder
    // written otherwise (case, "/", 8.3 names) finds it as well.
    const std::wstring key = tarvolin::FolderKey(folder);
    const HWND window = NotifierWindow(key);
    if (window == nullptr) return LockHeld(key) ? Outcome::StillRuns : Outcome::NoneRan;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    const Handle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    PostMessageW(window, WM_CLOSE, 0, 0);
    return EndedWithin(window, process.get(), EndWaitMs) ? Outcome::Ended : Outcome::StillRuns;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    const std::u16string folder = FolderArgument();
    const Outcome outcome = folder.empty() ? Outcome::NoFolder : CloseNotifierOf(folder);
    return static_cast<int>(outcome);
}
