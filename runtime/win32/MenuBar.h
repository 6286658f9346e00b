#pragma once
// The window's menu tree from its design: "Context" with its three items, and "X".

#include <optional>
#include <windows.h>

#include "app/WindowDesign.h"

namespace tarvolin {

// Command ids: item i of the Context menu is FirstContextCommand + i; "X" has its own id
// and no handler.
inline constexpr UINT FirstContextCommand = 1001;
inline constexpr UINT CloseMenuCommand = 1100;

// A new menu bar; the window it is given to destroys it. Nothing on failure.
[[nodiscard]] HMENU CreateMenuBar();

// The handler a command id raises; nothing for "X" and for ids the window does not know.
[[nodiscard]] std::optional<MenuHandler> HandlerOfCommand(UINT id);

}  // namespace tarvolin
