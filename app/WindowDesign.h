#pragma once
// The window's design as data, for the runtimes to render: its caption and its menu tree,
// with the handler each item raises.

#include <array>
#include <string_view>

#include "app/frmMain.h"
#include "ports/Window.h"

namespace tarvolin {

using MenuHandler = void (frmMain::*)();

struct MenuItemDesign {
    std::string_view name;
    std::u16string_view caption;
    MenuHandler handler;
};

inline constexpr std::u16string_view WindowCaption = u"RSS";

inline constexpr std::u16string_view ContextMenuCaption = u"Context";
inline constexpr std::array<MenuItemDesign, 3> ContextMenuItems{{
    {"mnuStatus", u"Status", &frmMain::mnuStatus_Click},
    {"mnuMyNumber", u"My Number", &frmMain::mnuMyNumber_Click},
    {"mnuExit", u"Exit", &frmMain::mnuExit_Click},
}};

// A top-level menu with no items and no handler: choosing it does nothing.
inline constexpr std::u16string_view CloseMenuCaption = u"X";

}  // namespace tarvolin
