// The end-to-end run's hand on the notifier's window (captioned "RSS") and on the
// notification area. Exit status: 0 done, 1 no window or no answer, 2 bad arguments.
//   probe post CODE              posts a tray callback: message 512, wParam 1, lParam CODE
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

constexpr SIZE_T TextBytes = 2048;

// The tools of one tooltip control of the shell. Their texts live in the shell's process:
// each request carries `remote`, a tool and a text buffer allocated there.
void PrintTexts(HANDLE shell, HWND tooltip, char* remote) {
    const bool balloon = (GetWindowLongW(tooltip, GWL_STYLE) & TTS_BALLOON) != 0;
    const auto count = static_cast<UINT>(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0));
    for (UINT i = 0; (!balloon || IsWindowVisible(tooltip)) && i < count; ++i) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.lpszText = reinterpret_cast<wchar_t*>(remote + sizeof(tool));
        std::wstring text(TextBytes / sizeof(wchar_t), L'\0');
        WriteProcessMemory(shell, remote, &tool, sizeof(tool), nullptr);
        WriteProcessMemory(shell, tool.lpszText, text.data(), TextBytes, nullptr);
        if (SendMessageW(tooltip, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(remote)) == 0 ||
            !ReadProcessMemory(shell, tool.lpszText, text.data(), TextBytes - 2, nullptr)) {
            continue;
        }
        std::string utf8(2 * TextBytes, '\0');
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), 2 * TextBytes, nullptr,
                            nullptr);
        std::printf("%s: %s\n", balloon ? "balloon" : "tip", utf8.c_str());
    }
}

int PrintTexts() {
    DWORD shellId = 0;
    GetWindowThreadProcessId(FindWindowW(L"Shell_TrayWnd", nullptr), &shellId);
    const HANDLE shell =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, shellId);
    auto* remote = static_cast<char*>(VirtualAllocEx(
        shell, nullptr, sizeof(TTTOOLINFOW) + TextBytes, MEM_COMMIT, PAGE_READWRITE));
    if (shellId == 0 || remote == nullptr) return 1;
    for (HWND tooltip = nullptr;
         (tooltip = FindWindowExW(nullptr, tooltip, TOOLTIPS_CLASSW, nullptr));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(tooltip, &owner);
        if (owner == shellId) PrintTexts(shell, tooltip, remote);
    }
    VirtualFreeEx(shell, remote, 0, MEM_RELEASE);
    CloseHandle(shell);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "texts") return PrintTexts();
    const HWND window = FindWindowW(nullptr, L"RSS");
    const auto number = [&](int i) { return argc > i ? std::strtoul(argv[i], nullptr, 10) : 0UL; };
    if (command == "post")
        return window && PostMessageW(window, WM_MOUSEMOVE, 1, number(2)) ? 0 : 1;
    if (command != "send") return 2;
    DWORD_PTR answer = 0;
    const ULONGLONG start = GetTickCount64();
    const bool sent = window && SendMessageTimeoutW(window, number(2), number(3), 0,
                                                    SMTO_ABORTIFHUNG, 5000, &answer);
    std::printf("answer %llu in %llu ms\n", static_cast<unsigned long long>(answer),
                GetTickCount64() - start);
    return sent ? 0 : 1;
}
