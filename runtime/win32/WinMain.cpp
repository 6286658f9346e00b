// The Windows program: one frmMain on the Win32 runtime. It loads the window, runs the
// message loop and leaves with the loop's exit code (0 once the window has ended). A start
// in a folder whose notifier runs already tells that notifier and leaves at once.

// clang-format off
#include <windows.h>  // before the other Windows headers, which need it
#include <objbase.h>
// clang-format on

#include "app/frmMain.h"
#include "runtime/win32/AnsiCodePage.h"
#include "runtime/win32/AppFolder.h"
#include "runtime/win32/SingleInstance.h"
#include "runtime/win32/Win32Dialogs.h"
#include "runtime/win32/Win32Shell.h"
#include "runtime/win32/Win32Window.h"
#include "runtime/win32/WinInetTransfer.h"

namespace {

// Releases COM, which the shell may use to open links, at the end of the program.
class ComApartment {
public:
    ComApartment()
        : initialized_(SUCCEEDED(
              CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~ComApartment() {
        if (initialized_) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ComApartment(ComApartment&&) = delete;
    ComApartment& operator=(ComApartment&&) = delete;

private:
    bool initialized_;
};

int RunMessageLoop() {
    MSG message{};
    for (;;) {
        const BOOL result = GetMessageW(&message, nullptr, 0, 0);
        if (result == 0) return static_cast<int>(message.wParam);  // WM_QUIT
        if (result == -1) return 1;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

int RunNotifier(HINSTANCE instance, const std::wstring& folderKey) {
    using namespace tarvolin;
    const ComApartment com;
    const AnsiCodePage codePage;
    Win32Window window(instance, NotifierWindowClass(folderKey));
    Win32Dialogs dialogs;
    Win32Shell shell(codePage);
    WinInetTransfer transfer;
    frmMain form(Ports{window, dialogs, shell, transfer, codePage});
    window.Attach(form, [&shell] { shell.ReAddIcon(); });

    form.Form_Load();
    if (window.HasEnded()) return 0;
    return RunMessageLoop();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    using namespace tarvolin;
    try {
        // Before anything of the window: a second start adds no icon, asks the service
        // nothing and leaves the number file alone.
        const std::wstring folderKey = FolderKey(ExecutableFolder());
        const InstanceLock instanceLock(folderKey);
        if (instanceLock.HeldElsewhere()) {
            TellRunningNotifier(NotifierWindowClass(folderKey));
            return 0;
        }
        return RunNotifier(instance, folderKey);
    } catch (const std::exception& error) {
        MessageBoxA(nullptr, error.what(), "Tarvolin Internet Notifier", MB_OK | MB_ICONERROR);
        return 1;
    }
}
