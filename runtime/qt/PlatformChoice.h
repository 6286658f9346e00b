#pragma once
// Which of Qt's display platforms the program asks for. On GNOME under Wayland it asks for
// X11 first (through XWayland): there GNOME draws the title bars of X11 windows and places
// them, while a Wayland client of Qt 6.4 gets no title bar from GNOME (Qt draws a plain one
// of its own, which cuts titles) and cannot be placed (boxes open in the top-left corner).
// Wayland stays the second choice, for a session without XWayland. A platform the user
// names (QT_QPA_PLATFORM, -platform) is left alone.

#include <span>
#include <string>
#include <vector>

namespace tarvolin {

// The program's arguments for QApplication, with the platform choice added where it
// applies. QApplication keeps both the count and the array, so this outlives it.
class PlatformArguments {
public:
    explicit PlatformArguments(std::span<char*> given);
    ~PlatformArguments() = default;

    PlatformArguments(const PlatformArguments&) = delete;
    PlatformArguments& operator=(const PlatformArguments&) = delete;
    PlatformArguments(PlatformArguments&&) = delete;
    PlatformArguments& operator=(PlatformArguments&&) = delete;

    [[nodiscard]] int& Count() { return count_; }
    [[nodiscard]] char** Values() { return values_.data(); }

private:
    std::string option_ = "-platform";
    std::string choice_ = "xcb;wayland";
    std::vector<char*> values_;  // ends with a null pointer, as argv does
    int count_ = 0;
};

}  // namespace tarvolin
