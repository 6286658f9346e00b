// Prints the texts the notification area holds, one per line in UTF-8: "tip: TEXT" for each
// icon's tooltip, "balloon: TEXT" and "balloon-title: TEXT" for a balloon on screen. The texts live
// in the shell's process, so the requests carry buffers allocated there. Exit status: 0 printed
// (maybe nothing), 1 no notification area.

// clang-format off
#include <windows.h>  // before the other Windows headers, which need it
#include <commctrl.h>
// clang-format on

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr std::size_t TextChars = 1024;

// Memory in another process, freed when it goes.
class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, std::size_t size)
        : process_(process),
          address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
    ~RemoteBuffer() {
        if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    [[nodiscard]] void* Address() const { return address_; }

private:
    HANDLE process_;
    void* address_;
};

std::string Utf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
    return bytes;
}

std::wstring ReadText(HANDLE process, void* address) {
    std::vector<wchar_t> text(TextChars, L'\0');
    SIZE_T read = 0;
    ReadProcessMemory(process, address, text.data(), text.size() * sizeof(wchar_t), &read);
    text.back() = L'\0';
    return text.data();
}

struct Search {
    DWORD shellProcessId;
    std::vector<HWND> tooltips;
};

BOOL CALLBACK CollectTooltips(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == search->shellProcessId && lstrcmpiW(className, TOOLTIPS_CLASSW) == 0) {
        search->tooltips.push_back(window);
    }
    return TRUE;
}

void PrintTexts(HANDLE process, HWND tooltip) {
    const bool balloon = (GetWindowLongW(tooltip, GWL_STYLE) & TTS_BALLOON) != 0;
    if (balloon && !IsWindowVisible(tooltip)) return;
    const RemoteBuffer info(process, sizeof(TTTOOLINFOW));
    const RemoteBuffer text(process, TextChars * sizeof(wchar_t));
    if (info.Address() == nullptr || text.Address() == nullptr) return;

    const auto count = static_cast<UINT>(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0));
    for (UINT i = 0; i < count; ++i) {
        TTTOOLINFOW request{};
        request.cbSize = sizeof(request);
        request.lpszText = static_cast<wchar_t*>(text.Address());
        const wchar_t empty = L'\0';
        WriteProcessMemory(process, text.Address(), &empty, sizeof(empty), nullptr);
        WriteProcessMemory(process, info.Address(), &request, sizeof(request), nullptr);
        if (SendMessageW(tooltip, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(info.Address()))) {
            std::printf("%s: %s\n", balloon ? "balloon" : "tip",
                        Utf8(ReadText(process, text.Address())).c_str());
        }
    }

    TTGETTITLE title{};
    title.dwSize = sizeof(title);
    title.cch = TextChars;
    title.pszTitle = static_cast<wchar_t*>(text.Address());
    const wchar_t empty = L'\0';
    WriteProcessMemory(process, text.Address(), &empty, sizeof(empty), nullptr);
    WriteProcessMemory(process, info.Address(), &title, sizeof(title), nullptr);
    SendMessageW(tooltip, TTM_GETTITLE, 0, reinterpret_cast<LPARAM>(info.Address()));
    const std::wstring titleText = ReadText(process, text.Address());
    if (!titleText.empty()) std::printf("balloon-title: %s\n", Utf8(titleText).c_str());
}

}  // namespace

int main() {
    const HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (tray == nullptr) {
        std::fprintf(stderr, "tray-texts: no notification area\n");
        return 1;
    }
    Search search{0, {}};
    GetWindowThreadProcessId(tray, &search.shellProcessId);
    const HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE,
                                       FALSE, search.shellProcessId);
    if (process == nullptr) return 1;
    EnumWindows(CollectTooltips, reinterpret_cast<LPARAM>(&search));
    for (const HWND tooltip : search.tooltips) PrintTexts(process, tooltip);
    CloseHandle(process);
    return 0;
}
