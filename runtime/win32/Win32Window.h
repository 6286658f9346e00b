#pragma once
// Window port on a hidden top-level window: it owns the window's icon, menu tree and
// Timer1, and turns the window's messages into frmMain's events.

#include <functional>
#include <string>
#include <windows.h>

#include "ports/Window.h"

namespace tarvolin {

class frmMain;

class Win32Window final : public Window {
public:
    // `className` names the window's class; a second start finds the window by it.
    explicit Win32Window(HINSTANCE instance, std::wstring className = L"TarvolinNotifierWindow");
    ~Win32Window() override;
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;
    Win32Window(Win32Window&&) = delete;
    Win32Window& operator=(Win32Window&&) = delete;

    // From now on the window's events go to `form`; `onTaskbarCreated` runs when the
    // notification area is created anew (the shell restarted).
    void Attach(frmMain& form, std::function<void()> onTaskbarCreated);

    // The window's unload: frmMain's Form_Unload, then the end of the program unless the
    // handler cancels (a session that ends cannot be cancelled).
    void Unload(bool canCancel);

    [[nodiscard]] HWND Hwnd() const { return hwnd_; }
    [[nodiscard]] bool HasEnded() const { return ended_; }

    [[nodiscard]] std::uint32_t Handle() const override;
    [[nodiscard]] std::uint32_t IconHandle() const override;
    [[nodiscard]] std::u16string AppPath() const override;
    void SetTimerInterval(std::int32_t milliseconds) override;
    [[nodiscard]] float TwipsPerPixelX() const override { return twipsPerPixelX_; }
    void PopupMenu(TopMenu menu) override;
    void End() override;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool HandleRegisteredMessage(UINT message);
    LRESULT HandleSessionMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void MouseMove(WPARAM wParam, LPARAM lParam);
    void MouseUp(std::int16_t button, WPARAM wParam, LPARAM lParam);
    void MenuCommand(UINT id);

    HINSTANCE instance_;
    std::wstring className_;
    HWND hwnd_ = nullptr;
    HICON smallIcon_ = nullptr;
    HICON bigIcon_ = nullptr;
    HMENU menuBar_ = nullptr;
    UINT taskbarCreatedMessage_ = 0;
    UINT secondStartMessage_ = 0;
    float twipsPerPixelX_ = 15.0F;
    float twipsPerPixelY_ = 15.0F;
    frmMain* form_ = nullptr;
    std::function<void()> onTaskbarCreated_;
    bool ended_ = false;
};

}  // namespace tarvolin
