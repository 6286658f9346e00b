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
    Handle([this] {
        state_.numberFilePath = NumberFilePath(ports_.window.AppPath());
        state_.notifyUrl = NotifyBaseUrl();
        state_.statusUrl = StatusBaseUrl();
        state_.statusText = StatusConnecting;
        tray_.TrayAdd(ports_.window, state_.statusText);
        state_.balloonVisible = FieldFalse;
        PollCycle();
    });
}

// After the unload nothing of the window runs again, as after a confirmed Exit, even when
// the unload came inside another handler's wait.
void frmMain::Form_Unload(std::int16_t& /*cancel*/) {
    Handle([this] {
        tray_.TrayDelete(ports_.window);
        ended_ = true;
    });
}

void frmMain::Timer1_Timer() {
    // A tick that arrives while a dialog, the pop-up menu or a fetch of another handler is
    // waiting is skipped: poll runs never nest, and a lasting file fault shows one box at
    // a time.
    if (runningHandlers_ > 0) return;
    Handle([this] { PollCycle(); });
}

void frmMain::SecondStart() {
    Handle([this] { tray_.TrayShowBalloon(ports_.window, state_.statusText, ProductTitle); });
}

}  // namespace tarvolin
