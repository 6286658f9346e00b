// The folder key, the instance mutex and the second start's message.

#include "runtime/win32/SingleInstance.h"

#include <chrono>
#include <cstdint>
#include <thread>

namespace tarvolin {

namespace {

// A Win32 call that fills a buffer and reports the length it needs; the input when it fails.
template <typename Call>
std::wstring Grown(const std::wstring& input, Call call) {
    std::wstring output(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD length = call(input.c_str(), output.data(), static_cast<DWORD>(output.size()));
        if (length == 0) return input;
        if (length < output.size()) return output.substr(0, length);
        output.resize(length);
    }
    return input;
}

std::wstring NormalizedFolder(std::u16string_view folder) {
    std::wstring path(folder.begin(), folder.end());
    // "." and "..", "/" for "\", the current drive and folder resolved; 8.3 names made long.
    path = Grown(path, [](const wchar_t* in, wchar_t* out, DWORD size) {
        return GetFullPathNameW(in, size, out, nullptr);
    });
    path = Grown(path, &GetLongPathNameW);
    while (path.size() > 1 && path.back() == L'\\' && path[path.size() - 2] != L':') {
        path.pop_back();
    }
    std::wstring upper(path.size(), L'\0');
    LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, path.c_str(),
                  static_cast<int>(path.size()), upper.data(), static_cast<int>(upper.size()),
                  nullptr, nullptr, 0);
    return upper;
}

}  // namespace

std::wstring FolderKey(std::u16string_view folder) {
    std::uint64_t hash = 0xCBF29CE484222325ULL;  // 64-bit FNV-1a
    for (const wchar_t unit : NormalizedFolder(folder)) {
        hash = (hash ^ static_cast<std::uint16_t>(unit)) * 0x100000001B3ULL;
    }
    std::wstring hex(16, L'0');
    for (auto digit = hex.rbegin(); digit != hex.rend(); ++digit, hash >>= 4U) {
        *digit = L"0123456789ABCDEF"[hash & 0xFU];
    }
    return hex;
}

std::wstring NotifierWindowClass(const std::wstring& key) {
    return L"TarvolinNotifierWindow-" + key;
}

std::wstring InstanceMutexName(const std::wstring& key) {
    return L"Local\\TarvolinNotifier-" + key;
}

UINT SecondStartMessage() { return RegisterWindowMessageW(L"TarvolinNotifierSecondStart"); }

InstanceLock::InstanceLock(const std::wstring& key)
    : name_(InstanceMutexName(key)),
      mutex_(CreateMutexW(nullptr, FALSE, name_.c_str())),
      // A name taken by another kind of object fails to open: that never blocks a start.
      heldElsewhere_(mutex_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {}

InstanceLock::~InstanceLock() {
    if (mutex_ != nullptr) CloseHandle(mutex_);
}

void TellRunningNotifier(const std::wstring& windowClass) {
    using namespace std::chrono_literals;
    const auto giveUp = std::chrono::steady_clock::now() + 3s;
    while (std::chrono::steady_clock::now() < giveUp) {
        if (const HWND window = FindWindowW(windowClass.c_str(), nullptr)) {
            PostMessageW(window, SecondStartMessage(), 0, 0);
            return;
        }
        std::this_thread::sleep_for(50ms);
    }
}

}  // namespace tarvolin
