// The context menu's commands: Status, My Number and Exit.

#include <exception>
#include <system_error>

#include "app/frmMain.h"
#include "tray/Text.h"

namespace tarvolin {

namespace {
const std::u16string PhoneNumberPrompt = u"Phone Number";
const std::u16string ExitQuestion = u"Are you sure you want to exit Notify";
}  // namespace

void frmMain::mnuStatus_Click() {
    Handle([this] {
        const std::u16string reply = FetchFeed(state_.statusUrl);
        if (ended_) return;

        // The Status answer replaces category and link but never touches the build dates.
        const std::u16string description = ScanReply(reply, FeedLineScanner::BuildDate::Skip);
        tray_.TrayShowBalloon(ports_.window, IsBlank(description) ? state_.statusText : description,
                              ProductTitle);
    });
}

void frmMain::mnuMyNumber_Click() {
    Handle([this] {
        // One failure trap around the whole command: the first failure stops it and shows
        // the "Error" box; the steps already done stay done.
        try {
            std::u16string answer = numberStore_.ReadFirstLine(state_.numberFilePath);
            answer = ports_.dialogs.InputBox(PhoneNumberPrompt, ProductTitle, answer);
            if (ended_) return;
            if (!IsBlank(answer)) {
                WriteNumber(answer);
                state_.number = answer;
            }
            state_.statusText = StatusConnecting;
            tray_.TraySetTip(ports_.window, state_.statusText);
            tray_.TrayShowBalloon(ports_.window, state_.statusText, ProductTitle);
            PollCycle();
        } catch (const std::system_error& error) {
            ShowError(ports_.codePage.ToText(error.code().message()));
        } catch (const std::exception& error) {
            ShowError(ports_.codePage.ToText(error.what()));
        }
    });
}

void frmMain::mnuExit_Click() {
    Handle([this] {
        const int answer = ports_.dialogs.MsgBox(ExitQuestion, MsgBoxYesNo, ProductTitle);
        if (ended_ || answer != MsgBoxResultYes) return;
        tray_.TrayDelete(ports_.window);
        End();
    });
}

}  // namespace tarvolin
