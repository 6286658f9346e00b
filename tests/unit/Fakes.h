#pragma once
// Fakes of the ports for the unit tests: each records what the logic asked of it and plays
// scripted answers. A hook may run inside a call, the way a modal wait lets other events in.

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/frmMain.h"

namespace tarvolin::testing {

inline std::string Utf8(std::u16string_view text) { return Utf8CodePage{}.ToBytes(text); }

// Runs a one-shot hook: it is cleared first, so what it does may arm the next one.
inline void RunOnce(std::function<void()>& hook) {
    if (!hook) return;
    const std::function<void()> run = std::exchange(hook, nullptr);
    run();
}

class FakeWindow final : public Window {
public:
    std::uint32_t handle = 0x00010042;
    std::uint32_t iconHandle = 0x00020077;
    std::u16string appPath = u"/opt/tarvolin";
    float twipsPerPixel = 15.0F;
    std::vector<std::int32_t> intervals;
    int popups = 0;
    int endCalls = 0;
    std::function<void()> duringPopup;

    std::uint32_t Handle() const override { return handle; }
    std::uint32_t IconHandle() const override { return iconHandle; }
    std::u16string AppPath() const override { return appPath; }
    void SetTimerInterval(std::int32_t ms) override { intervals.push_back(ms); }
    float TwipsPerPixelX() const override { return twipsPerPixel; }
    void PopupMenu(TopMenu menu) override {
        if (menu != TopMenu::mnuContext) return;
        ++popups;
        RunOnce(duringPopup);
    }
    void End() override { ++endCalls; }
};

class FakeDialogs final : public Dialogs {
public:
    struct Box {
        std::u16string text;
        int buttons;
        std::u16string title;
    };
    struct Input {
        std::u16string prompt;
        std::u16string title;
        std::u16string defaultText;
    };
    std::vector<Box> msgBoxes;
    std::vector<Input> inputBoxes;
    std::deque<int> msgBoxAnswers;               // default: OK for OK boxes, No for Yes/No
    std::deque<std::u16string> inputBoxAnswers;  // default: "" (Cancel)
    std::function<void()> duringDialog;  // inside a message box or the input box

    int MsgBox(const std::u16string& text, int buttons, const std::u16string& title) override {
        msgBoxes.push_back({text, buttons, title});
        RunOnce(duringDialog);
        if (msgBoxAnswers.empty()) return buttons == MsgBoxYesNo ? MsgBoxResultNo : MsgBoxResultOk;
        const int answer = msgBoxAnswers.front();
        msgBoxAnswers.pop_front();
        return answer;
    }
    std::u16string InputBox(const std::u16string& prompt, const std::u16string& title,
                            const std::u16string& defaultText) override {
        inputBoxes.push_back({prompt, title, defaultText});
        RunOnce(duringDialog);
        if (inputBoxAnswers.empty()) return {};
        std::u16string answer = std::move(inputBoxAnswers.front());
        inputBoxAnswers.pop_front();
        return answer;
    }
};

class FakeShell final : public Shell {
public:
    struct NotifyCall {
        int message;
        TrayIconRecord record;
    };
    std::vector<NotifyCall> notifyCalls;
    std::vector<std::u16string> openedUrls;
    bool openResult = true;

    void NotifyIcon(int message, const TrayIconRecord& record) override {
        notifyCalls.push_back({message, record});
    }
    bool OpenUrl(const std::u16string& url) override {
        openedUrls.push_back(url);
        return openResult;
    }

    // Texts of the balloons shown (the second call of each TrayShowBalloon) and of the
    // tooltips sent (an add, or a modify with the tooltip flags).
    [[nodiscard]] std::vector<std::u16string> Balloons() const {
        return Texts(
            [](const TrayIconRecord& r) { return (r.uFlags & NifInfo) && r.dwInfoFlags == NiifInfo; },
            &TrayIconRecord::szInfo);
    }
    [[nodiscard]] std::vector<std::u16string> Tooltips() const {
        return Texts([](const TrayIconRecord& r) { return (r.uFlags & NifTip) != 0; },
                     &TrayIconRecord::szTip);
    }

private:
    template <typename Wanted, typename Field>
    [[nodiscard]] std::vector<std::u16string> Texts(Wanted wanted, Field field) const {
        std::vector<std::u16string> texts;
        for (const NotifyCall& call : notifyCalls) {
            if (call.message != NimDelete && wanted(call.record))
                texts.emplace_back((call.record.*field).Text());
        }
        return texts;
    }
};

class FakeTransfer final : public Transfer {
public:
    std::vector<std::string> requests;
    // Scripted replies, one per request; nothing = failure. When none is left: `fallback`.
    std::deque<std::optional<std::string>> replies;
    std::optional<std::string> fallback;
    std::function<void()> duringGet;
    bool throwNext = false;

    std::optional<std::string> Get(std::string_view url) override {
        requests.emplace_back(url);
        if (std::exchange(throwNext, false)) throw std::runtime_error("the transfer broke");
        std::optional<std::string> reply = fallback;
        if (!replies.empty()) {
            reply = std::move(replies.front());
            replies.pop_front();
        }
        RunOnce(duringGet);
        return reply;
    }
};

struct FakePorts {
    FakeWindow window;
    FakeDialogs dialogs;
    FakeShell shell;
    FakeTransfer transfer;
    Utf8CodePage codePage;

    Ports ports() { return Ports{window, dialogs, shell, transfer, codePage}; }
};

}  // namespace tarvolin::testing
