// Start-up, unload and the tick: the window's life from the runtime's point of view.

#include <filesystem>

#include "app/ServiceUrls.h"
#include "app/frmMain.h"

namespace tarvolin {

namespace {

// The number file lives beside the program. The folder and the name are joined with the
// platform's separator by plain concatenation: a root folder gives a doubled separator,
// which every file system reads as one.
std::u16string NumberFilePath(const std::u16string& appPath) {
    std::u16string path = appPath;
    path.push_back(static_cast<char16_t>(std::filesystem::path::preferred_separator));
    path += u"MyNumber.txt";
    return path;
}

}  // namespace

void frmMain::Form_Load() {
    if (ended_) return;
    const HandlerScope scope(*this);
    state_.numberFilePath = NumberFilePath(ports_.window.AppPath());
    state_.notifyUrl = NotifyBaseUrl();
    state_.statusUrl = StatusBaseUrl();
    state_.statusText = StatusConnecting;
    tray_.TrayAdd(ports_.window, state_.statusText);
    state_.balloonVisible = FieldFalse;
    PollCycle();
}

void frmMain::Form_Unload(std::int16_t& /*cancel*/) {
    if (ended_) return;
    const HandlerScope scope(*this);
    tray_.TrayDelete(ports_.window);
}

void frmMain::Timer1_Timer() {
    // A tick that arrives while a dialog or the pop-up menu of another handler is open is
    // skipped: poll runs never nest, and a lasting file fault shows one box at a time.
    if (ended_ || runningHandlers_ > 0) return;
    const HandlerScope scope(*this);
    PollCycle();
}

}  // namespace tarvolin
