#pragma once
// Drives a modal dialog from a second thread while the test's thread waits inside it:
// finds the dialog by its title, then runs the test's steps on it.

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <windows.h>

namespace tarvolin::testing {

class DialogDriver {
public:
    // `className` as FindWindow takes it: L"#32770" for dialogs, L"#32768" for menus.
    DialogDriver(std::wstring className, std::wstring title, std::function<void(HWND)> steps)
        : thread_([className = std::move(className), title = std::move(title),
                   steps = std::move(steps)] {
              const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
              while (std::chrono::steady_clock::now() < giveUp) {
                  const HWND window =
                      FindWindowW(className.c_str(), title.empty() ? nullptr : title.c_str());
                  if (window != nullptr && IsWindowVisible(window)) {
                      steps(window);
                      return;
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(20));
              }
          }) {}
    ~DialogDriver() { thread_.join(); }
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

private:
    std::thread thread_;
};

// Whether windows can be created here (Wine needs an X display for them).
inline bool CanCreateWindows() {
    const HWND probe = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr,
                                       GetModuleHandleW(nullptr), nullptr);
    if (probe == nullptr) return false;
    DestroyWindow(probe);
    return true;
}

inline std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace tarvolin::testing
