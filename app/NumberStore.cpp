// The number file. Reads never change the file and read no more than a number can take; a
// write goes to a new temporary file beside it that replaces the old one only when it is
// complete, so the stored number is never lost. Where no file can be created beside it,
// the file itself is rewritten in place, and put back as it was when that fails.

#include "app/NumberStore.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <new>
#include <optional>
#include <random>
#include <string>
#include <utility>

#include "app/frmMain.h"

namespace tarvolin {

namespace fs = std::filesystem;

namespace {

// The failure the last stream operation left in errno: every stream operation here that
// fails does so on a failing system call, which sets it.
[[noreturn]] void ThrowStreamError() { throw std::system_error(errno, std::generic_category()); }

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

// The first `count` bytes of the file, or all of a shorter one.
std::string ReadStart(const fs::path& file, std::size_t count) {
    auto in = Opened<std::ifstream>(file, std::ios::in);
    std::string bytes(count, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    if (in.bad()) ThrowStreamError();
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

// Writes the bytes and closes the file, checking both: closing writes out what the stream
// still holds, so a full disk shows there.
template <typename FileStream>
void WriteAndClose(FileStream& out, const std::string& bytes) {
    Checked(out, [&] { out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())); });
    Checked(out, [&] { out.close(); });
}

// The temporary file of a write, open for output: the file's name in a folder created anew
// beside it ("MyNumber.txt.<random>.new"). Creating a folder fails wherever anything, a link
// included, is there, on every platform (C runtimes differ on creating a file exclusively),
// so the temporary file is never one that was there, nor reached through a link. Both go
// when it goes, the file closed first: an open file cannot be removed everywhere.
class TemporaryFile {
public:
    explicit TemporaryFile(const fs::path& target) : folder_(target) {
        folder_ += "." + std::to_string(std::random_device{}()) + ".new";
        if (!fs::create_directory(folder_))
            throw std::system_error(std::make_error_code(std::errc::file_exists));
        file_ = folder_ / target.filename();
        try {
            out_ = Opened<std::ofstream>(file_, std::ios::trunc);
        } catch (const std::system_error&) {
            Remove();
            throw;
        }
    }
    ~TemporaryFile() { Remove(); }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    TemporaryFile(TemporaryFile&&) = delete;
    TemporaryFile& operator=(TemporaryFile&&) = delete;

    // Set before any byte of the number is written, so it is never more widely readable.
    void SetPermissions(fs::perms permissions) { fs::permissions(file_, permissions); }
    void WriteAll(const std::string& bytes) { WriteAndClose(out_, bytes); }
    void RenameOver(const fs::path& target) { fs::rename(file_, target); }

private:
    void Remove() {
        out_.close();
        std::error_code ignored;
        fs::remove(file_, ignored);
        fs::remove(folder_, ignored);
    }

    fs::path folder_;
    fs::path file_;
    std::ofstream out_;
};

// The file a path names, through any symbolic links, so that a link to the number file
// survives a write. A dangling link names its missing target; a loop is left to fail.
fs::path FollowLinks(fs::path file) {
    constexpr int MaxLinks = 40;
    for (int link = 0; link < MaxLinks; ++link) {
        std::error_code error;
        fs::path next = fs::read_symlink(file, error);
        if (error) break;  // not a link: the file itself
        file = next.is_absolute() ? std::move(next) : file.parent_path() / next;
    }
    return file;
}

// Writes the bytes over the start of the file.
void WriteOverStart(const fs::path& file, const std::string& bytes) {
    auto out = Opened<std::fstream>(file, std::ios::in | std::ios::out);
    WriteAndClose(out, bytes);
}

// Writes the bytes over the start of an existing regular file, then cuts the file after
// them. When either step fails (a full disk), the old bytes are put back: the file holds
// its old content or the new one, never a part. A crash in between can leave part of the
// new line over the old one.
void RewriteInPlace(const fs::path& file, const std::string& bytes) {
    const std::string old = ReadStart(file, bytes.size());
    const std::uintmax_t oldSize = fs::file_size(file);
    try {
        WriteOverStart(file, bytes);
        fs::resize_file(file, bytes.size());
    } catch (...) {
        std::error_code ignored;
        fs::resize_file(file, oldSize, ignored);
        try {
            WriteOverStart(file, old);
        } catch (const std::system_error&) {  // the failure first seen is the one to show
        }
        throw;
    }
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

    // The line ends at the first CR (alone or before an LF) or at the end of the file.
    std::string bytes = ReadStart(file, MaxNumberBytes + 1);
    const std::size_t lineEnd = bytes.find('\r');
    if (lineEnd == std::string::npos && bytes.size() > MaxNumberBytes) return {};
    bytes.resize(std::min(lineEnd, bytes.size()));
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
        // Closed as it goes: with nothing written, closing it has nothing to report.
        Opened<std::ofstream>(fs::path(path), std::ios::trunc);
    } catch (...) {
        ShowError(CurrentError());
    }
}

void NumberStore::WriteNumber(const std::u16string& path, const std::u16string& value) {
    std::string bytes = codePage_.ToBytes(value);
    if (bytes.size() > MaxNumberBytes)  // it could not be read back as a number
        throw std::system_error(std::make_error_code(std::errc::file_too_large));
    bytes += "\r\n";
    const fs::path target = FollowLinks(fs::path(path));
    // An existing file is replaced only where it could be opened for output, so a read-only
    // one stays as it is; its permissions go to the new file.
    const fs::file_status status = fs::status(target);
    if (fs::is_regular_file(status))
        Opened<std::fstream>(target, std::ios::in | std::ios::out).close();

    // A file that cannot be created is not ours to remove: the guard exists only once the
    // temporary file is open.
    std::optional<TemporaryFile> temporary;
    try {
        temporary.emplace(target);
    } catch (const std::system_error&) {
        // A folder the user may not create files in, with a number file they may write
        // (an administrator's install): the file is rewritten in place instead.
        if (!fs::is_regular_file(status)) throw;
        RewriteInPlace(target, bytes);
        return;
    }
    if (fs::is_regular_file(status)) temporary->SetPermissions(status.permissions());
    temporary->WriteAll(bytes);
    temporary->RenameOver(target);
}

void NumberStore::ShowError(const std::system_error& error) {
    dialogs_.MsgBox(codePage_.ToText(error.code().message()), MsgBoxOkOnly, ErrorTitle);
}

std::u16string frmMain::ReadNumber() { return numberStore_.ReadNumber(state_.numberFilePath); }

void frmMain::WriteNumber(const std::u16string& value) {
    numberStore_.WriteNumber(state_.numberFilePath, value);
}

}  // namespace tarvolin
