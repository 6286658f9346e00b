#pragma once
// The number file: the subscriber's phone number as the first line of a text file in the
// code page, ended by CR LF. Each routine opens, uses and closes the file before it returns.

#include <string>
#include <system_error>

#include "ports/CodePage.h"
#include "ports/Dialogs.h"

namespace tarvolin {

class NumberStore {
public:
    NumberStore(const CodePage& codePage, Dialogs& dialogs)
        : codePage_(codePage), dialogs_(dialogs) {}

    // The file's first line: the characters up to the first CR (a CR LF pair is one line
    // end; a lone LF stays in the line); "" for an empty file. Throws std::system_error
    // (with the platform's message) when the file is missing, is not a regular file or
    // cannot be read. Never blocks on a FIFO and never changes the file.
    [[nodiscard]] std::u16string ReadFirstLine(const std::u16string& path) const;

    // ReadFirstLine, except that a missing file is created empty and any other failure is
    // shown in the "Error" box; "" after every failure. An existing file is never emptied.
    std::u16string ReadNumber(const std::u16string& path);

    // Creates the file empty, or empties it; a failure is shown in the "Error" box.
    void CreateNumberFile(const std::u16string& path);

    // Replaces the whole file by value + CR LF. The new content goes to a temporary file
    // beside the file (beside its target when the path is a symbolic link, which stays)
    // that is then renamed over it, so a failure (a full disk) leaves the old number in
    // place. Where the temporary file cannot be created, an existing regular file is
    // rewritten in place. Throws std::system_error on failure.
    void WriteNumber(const std::u16string& path, const std::u16string& value);

private:
    void ShowError(const std::system_error& error);

    const CodePage& codePage_;
    Dialogs& dialogs_;
};

// The title of every failure box.
inline const std::u16string ErrorTitle = u"Error";

}  // namespace tarvolin
