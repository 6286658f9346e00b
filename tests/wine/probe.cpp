// The end-to-end run's hand on the notifier's window (captioned "RSS") and on the
// notification area. Exit status: 0 done, 1 no window or no answer, 2 bad arguments.
//   probe post CODE [MESSAGE]    posts MESSAGE (512, a tray callback) with wParam 1, lParam CODE
//   probe send MESSAGE [WPARAM]  sends it; prints "answer RESULT in MILLISECONDS ms"
//   probe texts                  prints each icon's tooltip ("tip: TEXT") and the balloon on
//                                screen ("balloon: TEXT"), in UTF-8

// clang-format off
#include <windows.h>  // before the other Windows headers, which need it
#include <commctrl.h>
// clang-format on

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int Send(HWND window, UINT message, WPARAM wParam) {
    DWORD_PTR answer = 0;
    const ULONGLONG start = GetTickCount64();
    const LRESULT sent =
        SendMessageTimeoutW(window, message, wParam, 0, SMTO_ABORTIFHUNG, 5000, &answer);
    std::printf("answer %llu in %llu ms\n", static_cast<unsigned long long>(answer),
                GetTickCount64() - start);
    return sent != 0 ? 0 : 1;
}

// The tools of one tooltip control of the shell. Their texts live in the shell's process:
// each request carries a buffer allocated there.
void PrintTexts(HANDLE shell, HWND tooltip) {
    const bool balloon = (GetWindowLongW(tooltip, GWL_STYLE) & TTS_BALLOON) != 0;
    if (balloon && !IsWindowVisible(tooltip)) return;
    std::wstring text(1024, L'\0');
    const SIZE_T textBytes = text.size() * sizeof(wchar_t);
    auto* remote = static_cast<char*>(VirtualAllocEx(
        shell, nullptr, sizeof(TTTOOLINFOW) + textBytes, MEM_COMMIT, PAGE_READWRITE));
    const auto count = static_cast<UINT>(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0));
    for (UINT i = 0; remote != nullptr && i < count; ++i) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.lpszText = reinterpret_cast<wchar_t*>(remote + sizeof(tool));
        text.assign(text.size(), L'\0');
        WriteProcessMemory(shell, remote, &tool, sizeof(tool), nullptr);
        WriteProcessMemory(shell, tool.lpszText, text.data(), textBytes, nullptr);
        if (SendMessageW(tooltip, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(remote)) == 0 ||
            !ReadProcessMemory(shell, tool.lpszText, text.data(), textBytes - 2, nullptr)) {
            continue;
        }
        std::string utf8(4 * text.size(), '\0');
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), 4 * 1024, nullptr, nullptr);
        std::printf("%s: %s\n", balloon ? "balloon" : "tip", utf8.c_str());
    }
    if (remote != nullptr) VirtualFreeEx(shell, remote, 0, MEM_RELEASE);
}

int PrintTexts() {
    DWORD shellId = 0;
    GetWindowThreadProcessId(FindWindowW(L"Shell_TrayWnd", nullptr), &shellId);
    const HANDLE shell =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, shellId);
    if (shellId == 0 || shell == nullptr) return 1;
    for (HWND tooltip = nullptr;
         (tooltip = FindWindowExW(nullptr, tooltip, TOOLTIPS_CLASSW, nullptr));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(tooltip, &owner);
        if (owner == shellId) PrintTexts(shell, tooltip);
    }
    CloseHandle(shell);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "texts" && argc == 2) return PrintTexts();
    if ((command != "post" && command != "send") || argc < 3 || argc > 4) return 2;
    const HWND window = FindWindowW(nullptr, L"RSS");
    const auto number = [&](int index, unsigned long otherwise) {
        return argc > index ? std::strtoul(argv[index], nullptr, 10) : otherwise;
    };
    if (window == nullptr) return 1;
    if (command == "send") return Send(window, number(2, 0), number(3, 0));
    return PostMessageW(window, number(3, WM_MOUSEMOVE), 1, static_cast<LPARAM>(number(2, 0))) ? 0
                                                                                               : 1;
}
