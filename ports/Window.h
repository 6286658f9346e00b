#pragma once
// Window port: what the window logic asks of the GUI runtime that hosts it.

#include <cstdint>
#include <string>

namespace tarvolin {

// The window's top-level menus (their items are in app/WindowDesign.h).
enum class TopMenu { mnuContext, mnuClose };

class Window {
public:
    virtual ~Window() = default;
    // The 32-bit handle that names the window to the shell as the icon's owner.
    [[nodiscard]] virtual std::uint32_t Handle() const = 0;
    // The handle of the window's 16x16 icon, as a 32-bit integer.
    [[nodiscard]] virtual std::uint32_t IconHandle() const = 0;
    // The executable's folder, without a trailing separator except at a root.
    [[nodiscard]] virtual std::u16string AppPath() const = 0;
    // Ticks of Timer1 follow every `milliseconds` from now on; none before the first call.
    virtual void SetTimerInterval(std::int32_t milliseconds) = 0;
    // Horizontal twips per pixel of the screen (15 at 96 dpi).
    [[nodiscard]] virtual float TwipsPerPixelX() const = 0;
    // Show the menu's items at the mouse position; a chosen item raises its click handler.
    virtual void PopupMenu(TopMenu menu) = 0;
    // Stop the program at once: the runtime delivers no further event to the window.
    // May return to its caller; the window then does nothing more.
    virtual void End() = 0;
};

}  // namespace tarvolin
