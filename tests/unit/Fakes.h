#pragma once
// Fakes of the ports for the unit tests: each records what the logic asked of it and plays
// scripted answers. Text shown in failures is UTF-8.

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/frmMain.h"
#include "ports/CodePage.h"
#include "ports/Dialogs.h"
#include "ports/Shell.h"
#include "ports/Transfer.h"
#include "ports/Window.h"
#include "ports/TrayIconRecord.h"

namespace tarvolin::testing {

inline std::string Utf8(std::u16string_view text) { return Utf8CodePage{}.ToBytes(text); }

class FakeWindow final : public Window {
public:
    std::uint32_t handle = 0x00010042;
    std::uint32_t iconHandle = 0x00020077;
    std::u16string appPath = u"/opt/tarvolin";
    float twipsPerPixel = 15.0F;
    std::vector<std::int32_t> intervals;  // every SetTimerInterval call
    std::vector<TopMenu> popups;
    int endCalls = 0;
    std::function<void(TopMenu)> onPopup;  // runs inside PopupMenu, as a modal menu would

    std::uint32_t Handle() const override { return handle; }
    std::uint32_t IconHandle() const override { return iconHandle; }
    std::u16string AppPath() const override { return appPath; }
    void SetTimerInterval(std::int32_t ms) override { intervals.push_back(ms); }
    float TwipsPerPixelX() const override { return twipsPerPixel; }
    void PopupMenu(TopMenu menu) override {
        popups.push_back(menu);
        if (onPopup) onPopup(menu);
    }
    void End() override { ++endCalls; }
};

class FakeDialogs final : public Dialogs {
public:
    struct MsgBoxCall {
        std::u16string text;
        int buttons;
        std::u16string title;
    };
    struct InputBoxCall {
        std::u16string prompt;
        std::u16string title;
        std::u16string defaultText;
    };
    std::vector<MsgBoxCall> msgBoxes;
    std::vector<InputBoxCall> inputBoxes;
    std::deque<int> msgBoxAnswers;               // default: OK for OK boxes, No for Yes/No
    std::deque<std::u16string> inputBoxAnswers;  // default: "" (Cancel)
    std::function<void()> duringMsgBox;          // runs while a message box is open

    int MsgBox(const std::u16string& text, int buttons, const std::u16string& title) override {
        msgBoxes.push_back({text, buttons, title});
        if (duringMsgBox) duringMsgBox();
        if (!msgBoxAnswers.empty()) {
            const int answer = msgBoxAnswers.front();
            msgBoxAnswers.pop_front();
            return answer;
        }
        return buttons == MsgBoxYesNo ? MsgBoxResultNo : MsgBoxResultOk;
    }
    std::u16string InputBox(const std::u16string& prompt, const std::u16string& title,
                            const std::u16string& defaultText) override {
        inputBoxes.push_back({prompt, title, defaultText});
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

    // Texts of the balloons actually shown (the second call of each TrayShowBalloon).
    [[nodiscard]] std::vector<std::u16string> Balloons() const {
        std::vector<std::u16string> texts;
        for (const auto& call : notifyCalls) {
            if (call.message == NimModify &&
                call.record.uFlags == (NifMessage | NifIcon | NifInfo) &&
                call.record.dwInfoFlags == NiifInfo) {
                texts.emplace_back(call.record.szInfo.Text());
            }
        }
        return texts;
    }
    // Tooltips sent with NIM_ADD or a tooltip modify.
    [[nodiscard]] std::vector<std::u16string> Tooltips() const {
        std::vector<std::u16string> tips;
        for (const auto& call : notifyCalls) {
            if ((call.message == NimAdd || call.message == NimModify) &&
                call.record.uFlags == (NifMessage | NifIcon | NifTip)) {
                tips.emplace_back(call.record.szTip.Text());
            }
        }
        return tips;
    }
};

class FakeTransfer final : public Transfer {
public:
    std::vector<std::string> requests;
    // Scripted replies, one per request; nothing = failure. When empty: `fallback`.
    std::deque<std::optional<std::string>> replies;
    std::optional<std::string> fallback;

    std::optional<std::string> Get(std::string_view url) override {
        requests.emplace_back(url);
        if (replies.empty()) return fallback;
        auto reply = std::move(replies.front());
        replies.pop_front();
        return reply;
    }
};

// Everything a frmMain needs, in one place for the tests.
struct FakePorts {
    FakeWindow window;
    FakeDialogs dialogs;
    FakeShell shell;
    FakeTransfer transfer;
    Utf8CodePage codePage;

    Ports ports() { return Ports{window, dialogs, shell, transfer, codePage}; }
};

}  // namespace tarvolin::testing
