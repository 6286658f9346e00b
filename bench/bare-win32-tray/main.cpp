// bare-win32-tray: the floor a Win32 tray program cannot go below, for the Windows footprint
// figures. A hidden top-level window adds the notifier's icon with a tooltip and runs a
// one-minute timer that does nothing; there is nothing else. Built like the notifier
// (mingw-w64, static runtime) by bench/windows-footprint.

// clang-format off
#include <windows.h>  // before shellapi.h, which needs it
#include <shellapi.h>
// clang-format on

namespace {

constexpr UINT TrayCallback = WM_USER + 1;
constexpr UINT_PTR TickTimer = 1;
constexpr UINT TickMilliseconds = 60000;
constexpr int IconResource = 1;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"BareTray";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, L"BareTray", L"bare", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 100, 100, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;

    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof(icon);
    icon.hWnd = window;
    icon.uID = 1;
    icon.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
    icon.uCallbackMessage = TrayCallback;
    icon.hIcon = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IconResource), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    lstrcpynW(icon.szTip, L"Connected", ARRAYSIZE(icon.szTip));
    Shell_NotifyIconW(NIM_ADD, &icon);
    SetTimer(window, TickTimer, TickMilliseconds, nullptr);

    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    Shell_NotifyIconW(NIM_DELETE, &icon);
    return 0;
}
