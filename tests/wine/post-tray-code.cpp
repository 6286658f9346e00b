// Delivers one tray callback to the notifier the way the shell does: message 512 to the
// window captioned "RSS", the icon id in wParam and the notification code in lParam.
// Usage: post-tray-code.exe CODE [MESSAGE]   (MESSAGE: another message number to post)
// Exit status: 0 posted, 1 no such window, 2 bad arguments.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <windows.h>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: post-tray-code CODE [MESSAGE|TaskbarCreated]\n");
        return 2;
    }
    const long code = std::strtol(argv[1], nullptr, 10);
    UINT message = WM_MOUSEMOVE;
    if (argc == 3) {
        message = std::strcmp(argv[2], "TaskbarCreated") == 0
                      ? RegisterWindowMessageA("TaskbarCreated")
                      : static_cast<UINT>(std::strtoul(argv[2], nullptr, 10));
    }
    const HWND window = FindWindowA(nullptr, "RSS");
    if (window == nullptr) {
        std::fprintf(stderr, "post-tray-code: no window captioned RSS\n");
        return 1;
    }
    if (!PostMessageA(window, message, 1, static_cast<LPARAM>(code))) return 1;
    std::printf("posted message %u lParam %ld to %p\n", message, code, static_cast<void*>(window));
    return 0;
}
