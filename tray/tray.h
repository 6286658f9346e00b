#pragma once
// modSystray: the notifier's one tray icon. Each operation writes its fields of the record
// in a fixed order and hands the record to the shell once (TrayShowBalloon twice).

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ports/CodePage.h"
#include "ports/Shell.h"
#include "ports/Window.h"
#include "ports/TrayIconRecord.h"

namespace tarvolin {

class modSystray {
public:
    explicit modSystray(Shell& shell) : shell_(shell) {}

    void TrayAdd(const Window& window, const std::u16string& tip);
    void TraySetTip(const Window& window, const std::u16string& tip);
    void TrayShowBalloon(const Window& window, const std::u16string& text,
                         const std::u16string& title);
    void TrayClearBalloon(const Window& window);
    void TrayDelete(const Window& window);

    // Opens a link from the service with the desktop's default handler: a link that does
    // not begin with "http" (any case) gets "http://" in front; the result is opened only
    // when ApproveLink accepts it. Returns whether the desktop accepted the request.
    bool OpenLink(std::u16string url);

    [[nodiscard]] const TrayIconRecord& Record() const { return record_; }

private:
    void WriteTipFields(const Window& window, const std::u16string& tip);
    void WriteBalloonHeader(const Window& window);

    Shell& shell_;
    TrayIconRecord record_{};
};

// The link after the "http://" prefix rule, before approval.
[[nodiscard]] std::u16string PrefixLink(std::u16string url);

// Accepts only an absolute http or https URL with a well-formed host, no user part, no
// control characters and no backslash. Returns it in the form handed to the desktop:
// spaces, non-ASCII and other characters a URL cannot hold in its path, query or fragment
// percent-encoded as UTF-8. Anything else: nothing.
[[nodiscard]] std::optional<std::u16string> ApproveLink(std::u16string_view url);

// The record in the shell's 32-bit NOTIFYICONDATAA layout: 488 bytes, little-endian, each
// text field converted through the code page into a byte array of its own width.
using TrayWireForm = std::array<std::uint8_t, TrayRecordSize>;

// Where each field lies in the wire form.
struct WireOffset {
    static constexpr std::size_t cbSize = 0;
    static constexpr std::size_t hWnd = 4;
    static constexpr std::size_t uID = 8;
    static constexpr std::size_t uFlags = 12;
    static constexpr std::size_t uCallbackMessage = 16;
    static constexpr std::size_t hIcon = 20;
    static constexpr std::size_t szTip = 24;
    static constexpr std::size_t dwState = 152;
    static constexpr std::size_t dwStateMask = 156;
    static constexpr std::size_t szInfo = 160;
    static constexpr std::size_t uTimeout = 416;
    static constexpr std::size_t szInfoTitle = 420;
    static constexpr std::size_t dwInfoFlags = 484;
};

[[nodiscard]] TrayWireForm RenderWireForm(const TrayIconRecord& record, const CodePage& codePage);

}  // namespace tarvolin
