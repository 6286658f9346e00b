// The five tray operations. Each writes only its own fields of the one record and leaves
// every other field as the previous operation left it; the shell reads only the fields
// that uFlags names.

#include "tray/tray.h"

#include "tray/Text.h"

namespace tarvolin {

namespace {

constexpr std::uint32_t TipFlags = NifMessage | NifIcon | NifTip;       // 7
constexpr std::uint32_t BalloonFlags = NifMessage | NifIcon | NifInfo;  // 19

}  // namespace

void modSystray::WriteTipFields(const Window& window, const std::u16string& tip) {
    record_.cbSize = TrayRecordSize;
    record_.uID = TrayIconId;
    record_.hWnd = window.Handle();
    record_.uFlags = TipFlags;
    record_.uCallbackMessage = TrayCallbackMessage;
    record_.szTip.AssignText(Trim(tip));
    record_.hIcon = window.IconHandle();
}

void modSystray::WriteBalloonHeader(const Window& window) {
    record_.cbSize = TrayRecordSize;
    record_.uID = TrayIconId;
    record_.hWnd = window.Handle();
    record_.uFlags = BalloonFlags;
    record_.uCallbackMessage = TrayCallbackMessage;
    record_.hIcon = window.IconHandle();
    record_.dwState = 0;
    record_.dwStateMask = 0;
}

void modSystray::TrayAdd(const Window& window, const std::u16string& tip) {
    WriteTipFields(window, tip);
    shell_.NotifyIcon(NimAdd, record_);
}

void modSystray::TraySetTip(const Window& window, const std::u16string& tip) {
    WriteTipFields(window, tip);
    shell_.NotifyIcon(NimModify, record_);
}

void modSystray::TrayClearBalloon(const Window& window) {
    WriteBalloonHeader(window);
    // An empty balloon text with NIF_INFO takes down any balloon of this icon.
    record_.szInfo.AssignText(u"");
    record_.szInfoTitle.AssignText(u"");
    record_.dwInfoFlags = 0;
    shell_.NotifyIcon(NimModify, record_);
}

void modSystray::TrayShowBalloon(const Window& window, const std::u16string& text,
                                 const std::u16string& title) {
    // A balloon still on screen is taken down first, so the new one replaces it at once
    // instead of waiting behind it.
    TrayClearBalloon(window);
    WriteBalloonHeader(window);
    record_.szInfo.AssignText(text);
    record_.szInfoTitle.AssignText(title);
    record_.dwInfoFlags = NiifInfo;
    shell_.NotifyIcon(NimModify, record_);
}

void modSystray::TrayDelete(const Window& window) {
    record_.cbSize = TrayRecordSize;
    record_.hWnd = window.Handle();
    record_.uID = TrayIconId;
    shell_.NotifyIcon(NimDelete, record_);
}

}  // namespace tarvolin
