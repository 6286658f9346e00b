// The number file under the faults a disk, a device or a locked-down folder cause, on a real
// Linux file system: every call returns at once, the user sees the platform's reason, and
// the stored number is never lost nor mixed. Root passes every permission check, so the rows
// that need permissions to bite run without the capabilities that override them.

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "tests/unit/Fakes.h"
#include "tests/unit/TempDir.h"

namespace tarvolin::testing {
namespace {

namespace fs = std::filesystem;

std::string Message(std::errc error) { return std::make_error_code(error).message(); }

// For as long as it lives, the process is held to file permissions even as root.
class HeldToPermissions {
public:
    HeldToPermissions() {
        if (syscall(SYS_capget, &header_, saved_) != 0) return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~((1U << CAP_DAC_OVERRIDE) | (1U << CAP_DAC_READ_SEARCH));
        held_ = syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~HeldToPermissions() {
        if (held_) syscall(SYS_capset, &header_, saved_);
    }
    HeldToPermissions(const HeldToPermissions&) = delete;
    HeldToPermissions& operator=(const HeldToPermissions&) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool held_ = false;
};

class NumberFileFaultsTest : public ::testing::Test {
protected:
    NumberFileFaultsTest() { dir.Write("MyNumber.txt", "0803\r\n"); }

    // The number read, then "|" and the text of the box shown, if any.
    std::string Read(const fs::path& path) {
        dialogs.msgBoxes.clear();
        const std::string number = Utf8(store.ReadNumber(path.u16string()));
        return dialogs.msgBoxes.empty() ? number : number + "|" + Utf8(dialogs.msgBoxes[0].text);
    }
    // The write's failure text, then what the file holds after it and how many entries its
    // folder holds: a temporary file or folder left behind shows in the count.
    std::string WriteAndLook(const fs::path& path, const std::u16string& value) {
        const std::string error = WriteError(store, path.u16string(), value);
        return error + "|" + ReadFile(path) + "|" +
               std::to_string(CountEntries(path.parent_path()));
    }

    TempDir dir;
    Utf8CodePage codePage;
    FakeDialogs dialogs;
    NumberStore store{codePage, dialogs};
    const fs::path file = dir.Path() / "MyNumber.txt";
};

TEST_F(NumberFileFaultsTest, PermissionsThatBiteLoseNothing) {
    const fs::path empty = dir.Path() / "empty";
    fs::create_directory(empty);
    for (const fs::path& folder : {dir.Path(), empty})
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    const HeldToPermissions held;
    EXPECT_EQ(WriteAndLook(file, u"07"), "|07\r\n|2");  // a locked folder: rewritten in place
    EXPECT_EQ(Read(empty / "MyNumber.txt"), "|" + Message(std::errc::permission_denied));
    fs::permissions(file, fs::perms::none);
    EXPECT_EQ(Read(file), "|" + Message(std::errc::permission_denied));
    fs::permissions(file, fs::perms::owner_read);
    EXPECT_EQ(dir.Read("MyNumber.txt") + std::to_string(dir.Count()), "07\r\n2");
}

TEST_F(NumberFileFaultsTest, DevicesAndPipesAreRefusedWithoutWaiting) {
    const fs::path pipe = dir.Path() / "pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(Read(pipe), "|" + Message(std::errc::invalid_argument));
    EXPECT_EQ(Read("/dev/zero"), "|" + Message(std::errc::invalid_argument));
}

// A disk of its own, in a mount namespace of its own: a tmpfs of four pages and five inodes.
TEST_F(NumberFileFaultsTest, AFullDiskKeepsTheOldNumberOrTakesTheNewOneWhole) {
    const fs::path disk = dir.Path() / "disk", number = disk / "MyNumber.txt";
    fs::create_directory(disk);
    if (unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=16k,nr_inodes=5") != 0)
        GTEST_SKIP() << "no tmpfs of its own: " << std::strerror(errno);
    std::ofstream(number) << "0803\r\n";
    std::ofstream(disk / "filler") << std::string(1U << 16U, 'x');  // takes every free page
    const std::u16string longest(MaxNumberBytes, u'7');
    const std::string noSpace = Message(std::errc::no_space_on_device);
    // The temporary file finds no page; then, one inode left, too few for it, the file is
    // rewritten in place, finds no second page and gets its old bytes back.
    EXPECT_EQ(WriteAndLook(number, u"0711"), noSpace + "|0803\r\n|2");
    std::ofstream(disk / "spare");
    EXPECT_EQ(WriteAndLook(number, longest), noSpace + "|0803\r\n|3");
    fs::resize_file(disk / "filler", 0);
    EXPECT_EQ(WriteAndLook(number, longest), "|" + Utf8(longest) + "\r\n|3");
    umount2(disk.c_str(), MNT_DETACH);
}

TEST_F(NumberFileFaultsTest, ASaveKeepsTheLinkToTheFileItsModeAndEveryOtherFile) {
    const fs::perms ownerOnly = fs::perms::owner_read | fs::perms::owner_write;
    fs::create_directory(dir.Path() / "real");
    fs::rename(file, dir.Path() / "real" / "number.txt");
    fs::permissions(dir.Path() / "real" / "number.txt", ownerOnly);
    fs::create_symlink("real/number.txt", file);
    for (int hop = 0; hop < 39; ++hop)  // 40 links in a row, as far as the system follows them
        fs::create_symlink(hop == 38 ? "MyNumber.txt" : "hop" + std::to_string(hop + 1),
                           dir.Path() / ("hop" + std::to_string(hop)));
    dir.Write("real/other", "other");
    fs::create_symlink("other", dir.Path() / "real" / "number.txt.new");
    EXPECT_EQ(WriteAndLook(dir.Path() / "hop0", u"0711"), "|0711\r\n|41");
    EXPECT_EQ(dir.Read("real/other"), "other");
    EXPECT_TRUE(fs::is_symlink(file) && fs::is_symlink(dir.Path() / "real" / "number.txt.new"));
    EXPECT_EQ(fs::status(file).permissions(), ownerOnly);
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const HeldToPermissions held;  // a read-only file in a writable folder stays as it is
    EXPECT_EQ(WriteAndLook(file, u"9999"), Message(std::errc::permission_denied) + "|0711\r\n|41");
    EXPECT_EQ(dir.Count("real") + dir.Count(), 5 + 39);
}

}  // namespace
}  // namespace tarvolin::testing
