#pragma once
// frmMain: the notifier's one window. It owns all state and receives every event: start-up,
// unload, ticks of Timer1, tray callbacks and menu clicks, one at a time on the UI thread.

#include <cstdint>
#include <string>
#include <utility>

#include "app/FeedLineScanner.h"
#include "app/NotifierState.h"
#include "app/NumberStore.h"
#include "ports/CodePage.h"
#include "ports/Dialogs.h"
#include "ports/Shell.h"
#include "ports/Transfer.h"
#include "ports/Window.h"
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
    // Another start of the program from the same folder, which ended at once: the status
    // is shown in a balloon so the user sees the notifier is already running.
    void SecondStart();

    // Menu commands.
    void mnuStatus_Click();
    void mnuMyNumber_Click();
    void mnuExit_Click();

    // Routines of the window.
    std::u16string PollCycle();
    std::u16string FetchFeed(const std::u16string& baseUrl);
    std::u16string ReadNumber();
    void WriteNumber(const std::u16string& value);  // throws std::system_error

    [[nodiscard]] const NotifierState& State() const { return state_; }
    [[nodiscard]] const PollSchedule& Schedule() const { return schedule_; }
    [[nodiscard]] bool Ended() const { return ended_; }

private:
    void EnterStatus(const std::u16string& status, std::int16_t threshold);
    // Scans a reply into the link, category and current build-date line (the latter only
    // when the build-date test is made) and returns its description.
    std::u16string ScanReply(std::u16string_view reply, FeedLineScanner::BuildDate mode);
    void BalloonClicked();
    void ShowError(const std::u16string& message);
    void End();

    // Counts a handler as running for as long as it lives.
    class RunningHandler {
    public:
        explicit RunningHandler(int& count) : count_(count) { ++count_; }
        ~RunningHandler() { --count_; }
        RunningHandler(const RunningHandler&) = delete;
        RunningHandler& operator=(const RunningHandler&) = delete;
        RunningHandler(RunningHandler&&) = delete;
        RunningHandler& operator=(RunningHandler&&) = delete;

    private:
        int& count_;
    };

    // The one way into the window for every event. Once the window has ended (a confirmed
    // Exit or its unload) nothing runs, not even the rest of a handler that a modal wait
    // interrupted: each handler checks ended_ after a dialog, a pop-up menu or a fetch.
    // A handler counts as running until it returns, so a tick inside its wait is skipped.
    template <typename Body>
    void Handle(Body&& body) {
        if (ended_) return;
        const RunningHandler running(runningHandlers_);
        std::forward<Body>(body)();
    }

    Ports ports_;
    modSystray tray_;
    NumberStore numberStore_;
    NotifierState state_;
    PollSchedule schedule_;
    int runningHandlers_ = 0;
    bool ended_ = false;
};

}  // namespace tarvolin
