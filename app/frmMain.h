#pragma once
// frmMain: the notifier's one window. It owns all state and receives every event: start-up,
// unload, ticks of Timer1, tray callbacks and menu clicks, one at a time on the UI thread.

#include <cstdint>
#include <string>

#include "app/NotifierState.h"
#include "app/NumberStore.h"
#include "platform/CodePage.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"
#include "platform/Transfer.h"
#include "platform/Window.h"
#include "tray/tray.h"

namespace tarvolin {

// What the window needs of its runtime.
struct Ports {
    Window& window;
    Dialogs& dialogs;
    Shell& shell;
    Transfer& transfer;
    const CodePage& codePage;
};

// Tray notification codes, as the shell reports them.
inline constexpr std::int32_t TrayLeftButtonUp = 514;
inline constexpr std::int32_t TrayRightButtonUp = 517;
inline constexpr std::int32_t TrayBalloonShow = 1026;
inline constexpr std::int32_t TrayBalloonHide = 1027;
inline constexpr std::int32_t TrayBalloonTimeout = 1028;
inline constexpr std::int32_t TrayBalloonUserClick = 1029;

class frmMain {
public:
    explicit frmMain(Ports ports);

    // Window events.
    void Form_Load();
    void Form_Unload(std::int16_t& cancel);
    void Form_MouseMove(std::int16_t button, std::int16_t shift, float x, float y);
    void Form_MouseUp(std::int16_t button, std::int16_t shift, float x, float y);
    void Timer1_Timer();
    // Entry for runtimes without window messages: the tray notification code itself.
    void TrayNotification(std::int32_t code);

    // Menu commands.
    void mnuStatus_Click();
    void mnuMyNumber_Click();
    void mnuExit_Click();

    // Routines of the window.
    std::u16string PollCycle();
    std::u16string FetchFeed(const std::u16string& baseUrl);
    std::u16string ReadNumber();
    void CreateNumberFile();
    void WriteNumber(const std::u16string& value);  // throws std::system_error

    [[nodiscard]] const NotifierState& State() const { return state_; }
    [[nodiscard]] const PollSchedule& Schedule() const { return schedule_; }
    [[nodiscard]] const modSystray& Tray() const { return tray_; }
    [[nodiscard]] bool Ended() const { return ended_; }

private:
    void EnterStatus(const std::u16string& status, std::int16_t threshold);
    void BalloonClicked();
    void ShowError(const std::u16string& message);
    void End();

    // Counts the handlers running now; a tick that arrives inside another handler (from a
    // modal dialog or the pop-up menu) is skipped, so poll runs never nest.
    class HandlerScope {
    public:
        explicit HandlerScope(frmMain& form) : form_(form) { ++form_.runningHandlers_; }
        ~HandlerScope() { --form_.runningHandlers_; }
        HandlerScope(const HandlerScope&) = delete;
        HandlerScope& operator=(const HandlerScope&) = delete;
        HandlerScope(HandlerScope&&) = delete;
        HandlerScope& operator=(HandlerScope&&) = delete;

    private:
        frmMain& form_;
    };

    Ports ports_;
    modSystray tray_;
    NumberStore numberStore_;
    NotifierState state_;
    PollSchedule schedule_;
    int runningHandlers_ = 0;
    bool ended_ = false;
};

}  // namespace tarvolin
