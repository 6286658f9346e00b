// The executable's folder from GetModuleFileNameW.

#include "runtime/win32/AppFolder.h"

#include <windows.h>

namespace tarvolin {

std::u16string FolderOfPath(std::u16string_view filePath) {
    const std::size_t lastSeparator = filePath.find_last_of(u"\\/");
    if (lastSeparator == std::u16string_view::npos) return {};
    std::u16string folder(filePath.substr(0, lastSeparator));
    // A drive root keeps its separator: "C:" alone names the drive's current folder.
    if (folder.size() == 2 && folder[1] == u':') folder.push_back(filePath[lastSeparator]);
    return folder;
}

std::u16string ExecutableFolder() {
    // The path may be longer than MAX_PATH; grow until it fits.
    std::u16string path(MAX_PATH, u'\0');
    for (;;) {
        const DWORD capacity = static_cast<DWORD>(path.size());
        const DWORD length =
            GetModuleFileNameW(nullptr, reinterpret_cast<wchar_t*>(path.data()), capacity);
        if (length == 0) return {};
        if (length < capacity) {
            path.resize(length);
            return FolderOfPath(path);
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace tarvolin
