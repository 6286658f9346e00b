#pragma once
// The application folder: where the executable lies.

#include <string>
#include <string_view>

namespace tarvolin {

// The folder part of a file's full path, without a trailing separator except at a drive
// root ("C:\notifier.exe" → "C:\", "C:\Tools\notifier.exe" → "C:\Tools").
[[nodiscard]] std::u16string FolderOfPath(std::u16string_view filePath);

// The folder of the running executable.
[[nodiscard]] std::u16string ExecutableFolder();

}  // namespace tarvolin
