// The hidden host window. It is a real top-level window, never shown: message-only windows
// do not receive the shell's broadcast "TaskbarCreated".

#include "runtime/win32/Win32Window.h"

#include <system_error>
#include <utility>
#include <windowsx.h>

#include "app/WindowDesign.h"
#include "app/frmMain.h"
#include "runtime/win32/AppFolder.h"
#include "runtime/win32/MenuBar.h"
#include "runtime/win32/NotifyIconData.h"
#include "runtime/win32/ResourceIds.h"
#include "runtime/win32/SingleInstance.h"

namespace tarvolin {

namespace {

constexpr UINT_PTR Timer1Id = 1;
constexpr float TwipsPerInch = 1440.0F;
// The client area of the window's design, in twips.
constexpr int ClientWidthTwips = 3975;
constexpr int ClientHeightTwips = 1485;

void RegisterWindowClass(HINSTANCE instance, const wchar_t* className, WNDPROC windowProc) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(instance, className, &existing)) return;

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = className;
    if (!RegisterClassExW(&windowClass)) {
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                "RegisterClassExW");
    }
}

// The application icon at the given size; the system's generic one when the executable
// carries none (test programs).
HICON LoadAppIcon(HINSTANCE instance, int size) {
    if (const HANDLE icon =
            LoadImageW(instance, MAKEINTRESOURCEW(TARVOLIN_IDI_APP), IMAGE_ICON, size, size, 0)) {
        return static_cast<HICON>(icon);
    }
    return static_cast<HICON>(
        CopyImage(LoadIconW(nullptr, IDI_APPLICATION), IMAGE_ICON, size, size, 0));
}

int SystemMetricOr(int index, int fallback) {
    const int value = GetSystemMetrics(index);
    return value > 0 ? value : fallback;
}

float TwipsPerPixel(int dotsPerInch) {
    return dotsPerInch > 0 ? TwipsPerInch / static_cast<float>(dotsPerInch) : 15.0F;
}

std::int16_t ButtonOf(WPARAM keys) {
    std::int16_t button = 0;
    if ((keys & MK_LBUTTON) != 0) button |= 1;
    if ((keys & MK_RBUTTON) != 0) button |= 2;
    if ((keys & MK_MBUTTON) != 0) button |= 4;
    return button;
}

std::int16_t ShiftOf(WPARAM keys) {
    std::int16_t shift = 0;
    if ((keys & MK_SHIFT) != 0) shift |= 1;
    if ((keys & MK_CONTROL) != 0) shift |= 2;
    if (GetKeyState(VK_MENU) < 0) shift |= 4;
    return shift;
}

}  // namespace

Win32Window::Win32Window(HINSTANCE instance, std::wstring className)
    : instance_(instance),
      className_(std::move(className)),
      taskbarCreatedMessage_(RegisterWindowMessageW(L"TaskbarCreated")),
      secondStartMessage_(SecondStartMessage()) {
    RegisterWindowClass(instance_, className_.c_str(), &Win32Window::WindowProc);

    if (const HDC screen = GetDC(nullptr)) {
        twipsPerPixelX_ = TwipsPerPixel(GetDeviceCaps(screen, LOGPIXELSX));
        twipsPerPixelY_ = TwipsPerPixel(GetDeviceCaps(screen, LOGPIXELSY));
        ReleaseDC(nullptr, screen);
    }

    smallIcon_ = LoadAppIcon(instance_, SystemMetricOr(SM_CXSMICON, 16));
    bigIcon_ = LoadAppIcon(instance_, SystemMetricOr(SM_CXICON, 32));
    menuBar_ = CreateMenuBar();

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, static_cast<LONG>(static_cast<float>(ClientWidthTwips) / twipsPerPixelX_),
               static_cast<LONG>(static_cast<float>(ClientHeightTwips) / twipsPerPixelY_)};
    AdjustWindowRectEx(&frame, style, menuBar_ != nullptr, 0);
    const std::u16string caption(WindowCaption);
    hwnd_ =
        CreateWindowExW(0, className_.c_str(), reinterpret_cast<const wchar_t*>(caption.c_str()),
                        style, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                        frame.bottom - frame.top, nullptr, menuBar_, instance_, this);
    if (hwnd_ == nullptr) {
        const DWORD error = GetLastError();
        if (menuBar_ != nullptr) DestroyMenu(menuBar_);
        DestroyIcon(smallIcon_);
        DestroyIcon(bigIcon_);
        throw std::system_error(static_cast<int>(error), std::system_category(), "CreateWindowExW");
    }
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
}

Win32Window::~Win32Window() {
    ended_ = true;
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);  // also destroys the menu bar
    if (smallIcon_ != nullptr) DestroyIcon(smallIcon_);
    if (bigIcon_ != nullptr) DestroyIcon(bigIcon_);
}

void Win32Window::Attach(frmMain& form, std::function<void()> onTaskbarCreated) {
    form_ = &form;
    onTaskbarCreated_ = std::move(onTaskbarCreated);
}

std::uint32_t Win32Window::Handle() const { return FieldFromHandle(hwnd_); }

std::uint32_t Win32Window::IconHandle() const { return FieldFromHandle(smallIcon_); }

std::u16string Win32Window::AppPath() const { return ExecutableFolder(); }

void Win32Window::SetTimerInterval(std::int32_t milliseconds) {
    if (ended_ || hwnd_ == nullptr) return;
    if (milliseconds <= 0) {
        KillTimer(hwnd_, Timer1Id);
        return;
    }
    SetTimer(hwnd_, Timer1Id, static_cast<UINT>(milliseconds), nullptr);
}

void Win32Window::PopupMenu(TopMenu menu) {
    // "X" has no items: there is nothing to show.
    if (ended_ || hwnd_ == nullptr || menu != TopMenu::mnuContext || menuBar_ == nullptr) return;
    const HMENU context = GetSubMenu(menuBar_, 0);
    POINT cursor{};
    GetCursorPos(&cursor);
    // The menu closes when the user clicks elsewhere only if the window is in front while
    // it tracks, and the next message after it lets the shell know tracking ended.
    SetForegroundWindow(hwnd_);
    const UINT command =
        static_cast<UINT>(TrackPopupMenu(context, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON,
                                         cursor.x, cursor.y, 0, hwnd_, nullptr));
    PostMessageW(hwnd_, WM_NULL, 0, 0);
    if (command != 0) MenuCommand(command);
}

void Win32Window::End() {
    if (ended_) return;
    ended_ = true;
    if (hwnd_ != nullptr) {
        KillTimer(hwnd_, Timer1Id);
        DestroyWindow(hwnd_);  // WM_DESTROY ends the message loop with exit code 0
    }
}

void Win32Window::Unload(bool canCancel) {
    if (ended_ || form_ == nullptr) return;
    std::int16_t cancel = 0;
    form_->Form_Unload(cancel);
    if (cancel != 0 && canCancel) return;
    End();
}

void Win32Window::MenuCommand(UINT id) {
    if (ended_ || form_ == nullptr) return;
    if (const auto handler = HandlerOfCommand(id)) (form_->**handler)();
}

void Win32Window::MouseMove(WPARAM wParam, LPARAM lParam) {
    // Tray callbacks arrive here too, the notification code in the place of X.
    const float x = static_cast<float>(GET_X_LPARAM(lParam)) * twipsPerPixelX_;
    const float y = static_cast<float>(GET_Y_LPARAM(lParam)) * twipsPerPixelY_;
    form_->Form_MouseMove(ButtonOf(wParam), ShiftOf(wParam), x, y);
}

void Win32Window::MouseUp(std::int16_t button, WPARAM wParam, LPARAM lParam) {
    const float x = static_cast<float>(GET_X_LPARAM(lParam)) * twipsPerPixelX_;
    const float y = static_cast<float>(GET_Y_LPARAM(lParam)) * twipsPerPixelY_;
    form_->Form_MouseUp(button, ShiftOf(wParam), x, y);
}

LRESULT CALLBACK Win32Window::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* window = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (window == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        window->hwnd_ = nullptr;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (window->hwnd_ == nullptr) window->hwnd_ = hwnd;  // messages during creation
    return window->HandleMessage(message, wParam, lParam);
}

LRESULT Win32Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        ended_ = true;
        PostQuitMessage(0);
        return 0;
    }
    // Before the window is attached and after the program ended, no event reaches frmMain.
    if (ended_ || form_ == nullptr) return DefWindowProcW(hwnd_, message, wParam, lParam);
    if (HandleRegisteredMessage(message)) return 0;

    switch (message) {
        case WM_MOUSEMOVE:
            MouseMove(wParam, lParam);
            return 0;
        case WM_LBUTTONUP:
            MouseUp(1, wParam, lParam);
            return 0;
        case WM_RBUTTONUP:
            MouseUp(2, wParam, lParam);
            return 0;
        case WM_MBUTTONUP:
            MouseUp(4, wParam, lParam);
            return 0;
        case WM_TIMER:
            if (wParam == Timer1Id) form_->Timer1_Timer();
            return 0;
        case WM_COMMAND:
            if (HIWORD(wParam) == 0 && lParam == 0) MenuCommand(LOWORD(wParam));
            return 0;
        default:
            return HandleSessionMessage(message, wParam, lParam);
    }
}

// Messages whose numbers are registered at run time: they cannot be switch cases.
bool Win32Window::HandleRegisteredMessage(UINT message) {
    if (message == 0) return false;
    if (message == taskbarCreatedMessage_) {
        if (onTaskbarCreated_) onTaskbarCreated_();
        return true;
    }
    if (message == secondStartMessage_) {
        form_->SecondStart();
        return true;
    }
    return false;
}

// Closing and the end of the session; each is answered at once, even while a handler
// waits in a modal loop, whose wait then ends with the program.
LRESULT Win32Window::HandleSessionMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            Unload(true);
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            // The process may be stopped as soon as this returns: unload now.
            if (wParam != FALSE) Unload(false);
            return 0;
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

}  // namespace tarvolin
