// The context menu's commands: Status, My Number and Exit.

#include <exception>
#include <system_error>

#include "app/FeedLineScanner.h"
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
        FeedItem item{u"", state_.category, state_.link, u""};
        FeedLineScanner::scan(reply, item, FeedLineScanner::BuildDate::Skip);
        state_.category = std::move(item.category);
        state_.link = std::move(item.link);

        const std::u16string& text =
            IsBlank(item.description) ? state_.statusText : item.description;
        tray_.TrayShowBalloon(ports_.window, text, ProductTitle);
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
