#pragma once
// The number file: the subscriber's phone number as the first line of a text file in the
// code page, ended by CR LF. Each routine opens, uses and closes the file before it returns.

#include <cstddef>
#include <string>
#include <system_error>

#include "ports/CodePage.h"
#include "ports/Dialogs.h"

namespace tarvolin {

// The longest first line, in bytes of the code page, that is read or written as a number.
// No phone number comes near it; it bounds the time and memory a read costs, and the
// request line (each byte encodes to at most 9 characters of the URL).
inline constexpr std::size_t MaxNumberBytes = 4096;

class NumberStore {
public:
    NumberStore(const CodePage& codePage, Dialogs& dialogs)
        : codePage_(codePage), dialogs_(dialogs) {}

    // The file's first line: the characters up to the first CR (a CR LF pair is one line
    // end; a lone LF stays in the line); "" for an empty file, and "" for a first line
    // longer than MaxNumberBytes, which holds no phone number (only that much and one byte
    // more is ever read). Throws std::system_error (with the platform's message) when the
    // file is missing, is not a regular file or cannot be read. Never blocks on a FIFO and
    // never changes the file.
    [[nodiscard]] std::u16string ReadFirstLine(const std::u16string& path) const;

    // ReadFirstLine, except that a missing file is created empty and any other failure is
    // shown in the "Error" box; "" after every failure. An existing file is never emptied.
    std::u16string ReadNumber(const std::u16string& path);

    // Creates the file empty, or empties it; a failure is shown in the "Error" box.
    void CreateNumberFile(const std::u16string& path);

    // Replaces the whole file by value + CR LF; after a failure the file holds its old
    // content. A value over MaxNumberBytes is refused, and so is an existing file that
    // cannot be opened for output (read-only). The new content goes to a temporary file in
    // a folder created anew beside the file (beside its target when the path is a symbolic
    // link, which stays), with the file's permissions, then renamed over it. Where no
    // temporary file can be created, an existing regular file is rewritten in place, and
    // its old bytes are put back when that fails. Throws std::system_error on failure.
    void WriteNumber(const std::u16string& path, const std::u16string& value);

private:
    void ShowError(const std::system_error& error);

    const CodePage& codePage_;
    Dialogs& dialogs_;
};

// The title of every failure box.
inline const std::u16string ErrorTitle = u"Error";

}  // namespace tarvolin
