// TrayIconRecord → NOTIFYICONDATAA.

#include "runtime/win32/NotifyIconData.h"

#include <algorithm>
#include <cstddef>
#include <span>

#include "tray/tray.h"

namespace tarvolin {

namespace {

template <std::size_t Width>
void CopyField(const TrayWireForm& wire, std::size_t offset, CHAR (&target)[Width]) {
    const auto bytes = std::span(wire).subspan(offset, Width);
    std::ranges::transform(bytes, std::begin(target),
                           [](std::uint8_t b) { return static_cast<CHAR>(b); });
}

}  // namespace

NOTIFYICONDATAA ToNotifyIconData(const TrayIconRecord& record, const CodePage& codePage) {
    static_assert(sizeof(NOTIFYICONDATAA::szTip) == decltype(record.szTip)::width);
    static_assert(sizeof(NOTIFYICONDATAA::szInfo) == decltype(record.szInfo)::width);
    static_assert(sizeof(NOTIFYICONDATAA::szInfoTitle) == decltype(record.szInfoTitle)::width);

    const TrayWireForm wire = RenderWireForm(record, codePage);
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = static_cast<HWND>(HandleFromField(record.hWnd));
    data.uID = record.uID;
    data.uFlags = record.uFlags;
    data.uCallbackMessage = record.uCallbackMessage;
    data.hIcon = static_cast<HICON>(HandleFromField(record.hIcon));
    CopyField(wire, WireOffset::szTip, data.szTip);
    data.dwState = record.dwState;
    data.dwStateMask = record.dwStateMask;
    CopyField(wire, WireOffset::szInfo, data.szInfo);
    data.uTimeout = record.uTimeout;
    CopyField(wire, WireOffset::szInfoTitle, data.szInfoTitle);
    data.dwInfoFlags = record.dwInfoFlags;
    return data;
}

}  // namespace tarvolin
