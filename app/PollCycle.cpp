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

    // A notice is new only when its build-date line changed, never by its text.
    const std::u16string description = ScanReply(reply, FeedLineScanner::BuildDate::Test);
    if (IsBlank(description)) {
        schedule_.threshold = ThresholdNoNotice;
    } else if (state_.currentBuildDate != state_.lastShownBuildDate) {
        tray_.TrayShowBalloon(ports_.window, description, ProductTitle);
        state_.lastShownBuildDate = state_.currentBuildDate;
    }
    return reply;
}

std::u16string frmMain::ScanReply(std::u16string_view reply, FeedLineScanner::BuildDate mode) {
    // Fields the reply has no line for keep the values of earlier replies.
    FeedItem item{state_.currentBuildDate, state_.category, state_.link, u""};
    FeedLineScanner::scan(reply, item, mode);
    state_.currentBuildDate = std::move(item.buildDate);  // left alone when the test is skipped
    state_.category = std::move(item.category);
    state_.link = std::move(item.link);
    return std::move(item.description);
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
