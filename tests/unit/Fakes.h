#pragma once
// Fakes of the ports for the unit tests: each records what the logic asked of it and plays
// scripted answers. A hook may run inside a call, the way a modal wait lets other events in.

#include <deque>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "app/frmMain.h"

namespace tarvolin::testing {

inline std::string Utf8(std::u16string_view text) { return Utf8CodePage{}.ToBytes(text); }

// Runs a one-shot hook, cleared first so that what it does may arm the next one.
inline void RunOnce(std::function<void()>& hook) {
    if (hook) std::exchange(hook, nullptr)();
}

// Pops the next scripted answer, or gives the fallback when none is left.
template <typename T>
T Next(std::deque<T>& answers, T fallback) {
    if (answers.empty()) return fallback;
    T answer = std::move(answers.front());
    answers.pop_front();
    return answer;
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
        popups += menu == TopMenu::mnuContext ? 1 : 0;
        if (menu == TopMenu::mnuContext) RunOnce(duringPopup);
    }
    void End() override { ++endCalls; }
};

class FakeDialogs final : public Dialogs {
public:
    struct Box {
        std::u16string text;  // the prompt of an input box
        int buttons;          // -1 for an input box
        std::u16string title;
        std::u16string defaultText;
    };
    std::vector<Box> msgBoxes;
    std::vector<Box> inputBoxes;
    std::deque<int> msgBoxAnswers;               // default: OK for OK boxes, No for Yes/No
    std::deque<std::u16string> inputBoxAnswers;  // default: "" (Cancel)
    std::function<void()> duringDialog;          // inside a message box or the input box

    int MsgBox(const std::u16string& text, int buttons, const std::u16string& title) override {
        msgBoxes.push_back({text, buttons, title, {}});
        RunOnce(duringDialog);
        return Next<int>(msgBoxAnswers, buttons == MsgBoxYesNo ? MsgBoxResultNo : MsgBoxResultOk);
    }
    std::u16string InputBox(const std::u16string& prompt, const std::u16string& title,
                            const std::u16string& defaultText) override {
        inputBoxes.push_back({prompt, -1, title, defaultText});
        RunOnce(duringDialog);
        return Next(inputBoxAnswers, std::u16string());
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
    // The texts of the balloons shown (a balloon's second call) and of the tooltips sent.
    [[nodiscard]] std::vector<std::u16string> Balloons() const {
        std::vector<std::u16string> texts;
        for (const auto& [message, r] : notifyCalls) {
            if (message == NimModify && (r.uFlags & NifInfo) && r.dwInfoFlags == NiifInfo)
                texts.emplace_back(r.szInfo.Text());
        }
        return texts;
    }
    [[nodiscard]] std::vector<std::u16string> Tooltips() const {
        std::vector<std::u16string> texts;
        for (const auto& [message, r] : notifyCalls) {
            if (message != NimDelete && (r.uFlags & NifTip)) texts.emplace_back(r.szTip.Text());
        }
        return texts;
    }
};

class FakeTransfer final : public Transfer {
public:
    std::vector<std::string> requests;
    std::deque<std::optional<std::string>> replies;  // one per request; nothing = failure
    std::optional<std::string> fallback;             // when no reply is queued
    std::function<void()> duringGet;
    bool throwNext = false;

    std::optional<std::string> Get(std::string_view url) override {
        requests.emplace_back(url);
        if (std::exchange(throwNext, false)) throw std::runtime_error("the transfer broke");
        std::optional<std::string> reply = Next(replies, fallback);
        RunOnce(duringGet);
        return reply;
    }
};

// The platform's text for what a write of the number file throws, or "" when it succeeds.
inline std::string WriteError(NumberStore& store, const std::u16string& path,
                              const std::u16string& value) {
    try {
        store.WriteNumber(path, value);
        return {};
    } catch (const std::system_error& error) {
        return error.code().message();
    }
}

struct FakePorts {
    FakeWindow window;
    FakeDialogs dialogs;
    FakeShell shell;
    FakeTransfer transfer;
    Utf8CodePage codePage;

    Ports ports() { return Ports{window, dialogs, shell, transfer, codePage}; }
};

}  // namespace tarvolin::testing
