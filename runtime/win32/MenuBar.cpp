// Builds the menu bar from WindowDesign and maps its command ids back to the handlers.

#include "runtime/win32/MenuBar.h"

#include <memory>
#include <string>
#include <type_traits>

namespace tarvolin {

namespace {

struct MenuDeleter {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};
using MenuPtr = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDeleter>;

const wchar_t* Wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

}  // namespace

HMENU CreateMenuBar() {
    MenuPtr bar(CreateMenu());
    MenuPtr context(CreatePopupMenu());
    if (!bar || !context) return nullptr;

    UINT id = FirstContextCommand;
    for (const MenuItemDesign& item : ContextMenuItems) {
        const std::u16string caption(item.caption);
        if (!AppendMenuW(context.get(), MF_STRING, id++, Wide(caption))) return nullptr;
    }
    const std::u16string contextCaption(ContextMenuCaption);
    if (!AppendMenuW(bar.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(context.get()),
                     Wide(contextCaption))) {
        return nullptr;
    }
    context.release();  // now part of the bar
    const std::u16string closeCaption(CloseMenuCaption);
    if (!AppendMenuW(bar.get(), MF_STRING, CloseMenuCommand, Wide(closeCaption))) return nullptr;
    return bar.release();
}

std::optional<MenuHandler> HandlerOfCommand(UINT id) {
    if (id < FirstContextCommand || id - FirstContextCommand >= ContextMenuItems.size()) {
        return std::nullopt;
    }
    return ContextMenuItems[id - FirstContextCommand].handler;
}

}  // namespace tarvolin
