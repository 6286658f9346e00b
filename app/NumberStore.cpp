// The number file. Reads never change the file; a write goes to a temporary file beside it
// that replaces the old one only when it is complete, so the stored number is never lost.
// Where no file can be created beside it, the file itself is rewritten in place.

#include "app/NumberStore.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "app/frmMain.h"

namespace tarvolin {

namespace fs = std::filesystem;

namespace {

// The failure the last stream operation left in errno; an I/O error when it left none.
[[noreturn]] void ThrowStreamError() {
    const int error = errno;
    if (error != 0) throw std::system_error(error, std::generic_category());
    throw std::system_error(std::make_error_code(std::errc::io_error));
}

// The exception being handled, as a system error whose message can be shown.
std::system_error CurrentError() {
    try {
        throw;
    } catch (const std::system_error& error) {
        return error;
    } catch (const std::bad_alloc&) {
        return std::system_error(std::make_error_code(std::errc::not_enough_memory));
    } catch (...) {
        return std::system_error(std::make_error_code(std::errc::io_error));
    }
}

// Runs one operation on a stream; when it leaves the stream failed, throws the platform's
// reason for it.
template <typename Stream, typename Operation>
void Checked(Stream& stream, Operation operation) {
    errno = 0;
    operation();
    if (!stream) ThrowStreamError();
}

// A file stream opened in binary mode, or the platform's reason why it cannot be.
template <typename FileStream>
FileStream Opened(const fs::path& file, std::ios::openmode mode) {
    FileStream stream;
    Checked(stream, [&] { stream.open(file, mode | std::ios::binary); });
    return stream;
}

// Writes the bytes, then flushes and closes the file, checking every step.
template <typename FileStream>
void WriteAndClose(FileStream& out, const std::string& bytes) {
    Checked(out, [&] { out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())); });
    Checked(out, [&] { out.flush(); });
    Checked(out, [&] { out.close(); });
}

// The temporary file of a write, open for output. It is closed and removed when it goes:
// after a write that gave up, it is not left behind (closed first: an open file cannot be
// removed everywhere); after a rename over the number file, its path names nothing.
class TemporaryFile {
public:
    explicit TemporaryFile(fs::path file)
        : file_(std::move(file)), out_(Opened<std::ofstream>(file_, std::ios::trunc)) {}
    ~TemporaryFile() {
        out_.close();
        std::error_code ignored;
        fs::remove(file_, ignored);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    TemporaryFile(TemporaryFile&&) = delete;
    TemporaryFile& operator=(TemporaryFile&&) = delete;

    void WriteAll(const std::string& bytes) { WriteAndClose(out_, bytes); }

private:
    fs::path file_;
    std::ofstream out_;
};

// The file a path names, through any symbolic links, so that a link to the number file
// survives a write. A dangling link names its missing target; a loop is left to fail.
fs::path FollowLinks(fs::path file) {
    constexpr int MaxLinks = 40;
    std::error_code error;
    for (int link = 0; link < MaxLinks && fs::is_symlink(file, error); ++link) {
        fs::path next = fs::read_symlink(file, error);
        if (error) break;
        file = next.is_absolute() ? std::move(next) : file.parent_path() / next;
    }
    return file;
}

// Writes the bytes over the start of an existing regular file, then cuts the file after
// them. Opening without truncating finds out first whether the file can be written at all.
// A crash after the write and before the cut leaves the new line followed by the rest of
// the old content, which is never read: the stored number is never lost.
void RewriteInPlace(const fs::path& file, const std::string& bytes) {
    auto out = Opened<std::fstream>(file, std::ios::in | std::ios::out);
    WriteAndClose(out, bytes);
    std::error_code error;
    fs::resize_file(file, bytes.size(), error);
    if (error) throw std::system_error(error);
}

}  // namespace

std::u16string NumberStore::ReadFirstLine(const std::u16string& path) const {
    const fs::path file(path);
    // The type is checked before opening, so a FIFO or a device is refused without being
    // opened: opening a FIFO would block the notifier.
    std::error_code statusError;
    switch (fs::status(file, statusError).type()) {
        case fs::file_type::regular:
            break;
        case fs::file_type::not_found:
            throw std::system_error(std::make_error_code(std::errc::no_such_file_or_directory));
        case fs::file_type::directory:
            throw std::system_error(std::make_error_code(std::errc::is_a_directory));
        case fs::file_type::none:  // the type could not be determined
            throw std::system_error(statusError);
        default:
            throw std::system_error(std::make_error_code(std::errc::invalid_argument));
    }

    auto in = Opened<std::ifstream>(file, std::ios::in);
    std::error_code sizeError;
    const std::uintmax_t size = fs::file_size(file, sizeError);
    if (sizeError) throw std::system_error(sizeError);
    if (size == 0) return {};

    // The line ends at the first CR (alone or before an LF) or at the end of the file.
    std::string bytes;
    errno = 0;
    std::getline(in, bytes, '\r');
    if (in.bad()) ThrowStreamError();
    return codePage_.ToText(bytes);
}

std::u16string NumberStore::ReadNumber(const std::u16string& path) {
    try {
        return ReadFirstLine(path);
    } catch (...) {
        const std::system_error error = CurrentError();
        if (error.code() == std::errc::no_such_file_or_directory) {
            CreateNumberFile(path);
        } else {
            ShowError(error);  // the file stays as it is
        }
    }
    return {};
}

void NumberStore::CreateNumberFile(const std::u16string& path) {
    try {
        auto out = Opened<std::ofstream>(fs::path(path), std::ios::trunc);
        Checked(out, [&] { out.close(); });
    } catch (...) {
        ShowError(CurrentError());
    }
}

void NumberStore::WriteNumber(const std::u16string& path, const std::u16string& value) {
    const std::string bytes = codePage_.ToBytes(value) + "\r\n";
    const fs::path target = FollowLinks(fs::path(path));
    fs::path temporaryPath = target;
    temporaryPath += ".new";

    // A file that cannot be created is not ours to remove: the guard exists only once the
    // temporary file is open.
    std::optional<TemporaryFile> temporary;
    try {
        temporary.emplace(temporaryPath);
    } catch (const std::system_error&) {
        // A folder the user may not create files in, with a number file they may write
        // (an administrator's install): the file is rewritten in place instead.
        std::error_code ignored;
        if (!fs::is_regular_file(target, ignored)) throw;
        RewriteInPlace(target, bytes);
        return;
    }
    temporary->WriteAll(bytes);

    std::error_code renameError;
    fs::rename(temporaryPath, target, renameError);
    if (renameError) throw std::system_error(renameError);
}

void NumberStore::ShowError(const std::system_error& error) {
    dialogs_.MsgBox(codePage_.ToText(error.code().message()), MsgBoxOkOnly, ErrorTitle);
}

std::u16string frmMain::ReadNumber() { return numberStore_.ReadNumber(state_.numberFilePath); }

void frmMain::WriteNumber(const std::u16string& value) {
    numberStore_.WriteNumber(state_.numberFilePath, value);
}

}  // namespace tarvolin
