// The poll cycle: reread the number, fetch when the schedule allows, move the status and
// show new notices.

#include "app/FeedLineScanner.h"
#include "app/frmMain.h"
#include "tray/Text.h"

namespace tarvolin {

std::u16string frmMain::PollCycle() {
    std::u16string reply;
    std::u16string number = ReadNumber();
    if (ended_) return reply;  // Exit was chosen while an "Error" box was open
    state_.number = std::move(number);

    if (IsBlank(state_.number)) {
        if (state_.statusText != StatusNumberNotConfigured) {
            EnterStatus(StatusNumberNotConfigured, ThresholdEveryRun);
        }
        return reply;
    }

    if (schedule_.count < schedule_.threshold) {
        ++schedule_.count;
        return reply;
    }

    reply = FetchFeed(state_.notifyUrl);
    if (ended_) return reply;  // the program ended while the fetch was waiting
    schedule_.count = 0;

    if (IsBlank(reply)) {
        if (state_.statusText != StatusServiceUnavailable) {
            EnterStatus(StatusServiceUnavailable, ThresholdEveryRun);
        }
        return reply;
    }

    if (state_.statusText != StatusConnected) EnterStatus(StatusConnected, ThresholdConnected);

    FeedItem item{state_.currentBuildDate, state_.category, state_.link, u""};
    FeedLineScanner::scan(reply, item, FeedLineScanner::BuildDate::Test);
    state_.currentBuildDate = std::move(item.buildDate);
    state_.category = std::move(item.category);
    state_.link = std::move(item.link);

    // A notice is new only when its build-date line changed, never by its text.
    if (!IsBlank(item.description) && state_.currentBuildDate != state_.lastShownBuildDate) {
        tray_.TrayShowBalloon(ports_.window, item.description, ProductTitle);
        state_.lastShownBuildDate = state_.currentBuildDate;
    }
    if (IsBlank(item.description)) schedule_.threshold = ThresholdNoNotice;
    return reply;
}

void frmMain::EnterStatus(const std::u16string& status, std::int16_t threshold) {
    state_.statusText = status;
    tray_.TraySetTip(ports_.window, state_.statusText);
    tray_.TrayShowBalloon(ports_.window, state_.statusText, ProductTitle);
    ports_.window.SetTimerInterval(TickIntervalMs);
    schedule_.threshold = threshold;
    schedule_.count = 0;
}

}  // namespace tarvolin
