// The number file under the faults a disk, a device or a locked-down folder cause, on a real
// Linux file system: every call returns at once, the user sees the platform's reason, and
// the stored number is never lost. Root passes every permission check, so the rows that
// need permissions to bite run without the capabilities that override them.

#include <filesystem>
#include <gtest/gtest.h>
#include <linux/capability.h>
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
    std::string Write(const fs::path& path, const std::u16string& value) {
        return WriteError(store, path.u16string(), value);
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
    EXPECT_EQ(Write(file, u"0711"), "");  // a locked folder: rewritten in place
    EXPECT_EQ(dir.Read("MyNumber.txt"), "0711\r\n");
    EXPECT_EQ(Read(empty / "MyNumber.txt"), "|" + Message(std::errc::permission_denied));
    fs::permissions(file, fs::perms::owner_read);
    EXPECT_EQ(Write(file, u"9999"), Message(std::errc::permission_denied));
    fs::permissions(file, fs::perms::none);
    EXPECT_EQ(Read(file), "|" + Message(std::errc::permission_denied));
    fs::permissions(file, fs::perms::owner_read);
    EXPECT_EQ(dir.Read("MyNumber.txt"), "0711\r\n");
    EXPECT_FALSE(dir.Exists("MyNumber.txt.new"));
}

TEST_F(NumberFileFaultsTest, DevicesPipesAndAFullDiskLoseNothing) {
    const fs::path pipe = dir.Path() / "pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(Read(pipe), "|" + Message(std::errc::invalid_argument));  // never waits on it
    EXPECT_EQ(Read("/dev/zero"), "|" + Message(std::errc::invalid_argument));
    fs::create_symlink("/dev/full", dir.Path() / "MyNumber.txt.new");
    EXPECT_EQ(Write(file, u"0711"), Message(std::errc::no_space_on_device));
    EXPECT_EQ(dir.Read("MyNumber.txt"), "0803\r\n");
    EXPECT_FALSE(fs::is_symlink(dir.Path() / "MyNumber.txt.new"));
}

TEST_F(NumberFileFaultsTest, ALinkToTheFileSurvivesAWrite) {
    fs::create_directory(dir.Path() / "real");
    fs::rename(file, dir.Path() / "real" / "number.txt");
    fs::create_symlink("real/number.txt", file);
    EXPECT_EQ(Write(file, u"0711"), "");
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_EQ(Read(file), "0711");
    EXPECT_FALSE(dir.Exists("real/number.txt.new") || dir.Exists("MyNumber.txt.new"));
}

}  // namespace
}  // namespace tarvolin::testing
