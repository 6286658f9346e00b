// The number file under the faults a disk, a device or a locked-down folder cause, on a real
// Linux file system: every call returns at once, the user sees the platform's reason, and
// the stored number is never lost. Root passes every permission check, so the rows that
// need permissions to bite run without the capabilities that override them.

#include <fcntl.h>
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
using Perms = fs::perms;

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

    std::string Read() {
        dialogs.msgBoxes.clear();
        const std::string number = Utf8(store.ReadNumber(path.u16string()));
        return dialogs.msgBoxes.empty() ? number : number + "|" + Utf8(dialogs.msgBoxes[0].text);
    }
    std::string Write(const std::u16string& value) {
        try {
            store.WriteNumber(path.u16string(), value);
            return "written";
        } catch (const std::system_error& error) {
            return error.code().message();
        }
    }
    void Chmod(const fs::path& target, Perms perms) { fs::permissions(target, perms); }

    TempDir dir;
    Utf8CodePage codePage;
    FakeDialogs dialogs;
    NumberStore store{codePage, dialogs};
    fs::path path = dir.Path() / "MyNumber.txt";
    const std::string denied = std::make_error_code(std::errc::permission_denied).message();
    const std::string refused = std::make_error_code(std::errc::invalid_argument).message();
};

TEST_F(NumberFileFaultsTest, AnUnreadableFileIsShownAndNeverEmptied) {
    Chmod(path, Perms::none);
    const HeldToPermissions held;
    EXPECT_EQ(Read(), "|" + denied);
    Chmod(path, Perms::owner_read);
    EXPECT_EQ(dir.Read("MyNumber.txt"), "0803\r\n");
}

TEST_F(NumberFileFaultsTest, ALockedFolderKeepsAWritableFileWritable) {
    fs::create_directory(dir.Path() / "empty");
    for (const fs::path& folder : {dir.Path(), dir.Path() / "empty"})
        Chmod(folder, Perms::owner_read | Perms::owner_exec);
    const HeldToPermissions held;
    EXPECT_EQ(Write(u"0711"), "written");  // rewritten in place
    EXPECT_EQ(dir.Read("MyNumber.txt"), "0711\r\n");
    Chmod(path, Perms::owner_read);
    EXPECT_EQ(Write(u"9999"), denied);
    EXPECT_EQ(dir.Read("MyNumber.txt"), "0711\r\n");
    EXPECT_FALSE(dir.Exists("MyNumber.txt.new"));
    path = dir.Path() / "empty" / "MyNumber.txt";  // no file, and none can be created
    EXPECT_EQ(Read(), "|" + denied);
}

TEST_F(NumberFileFaultsTest, DevicesAndPipesAreRefusedWithoutWaiting) {
    fs::remove(path);
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(Read(), "|" + refused);  // opening a pipe would wait for a writer
    path = "/dev/zero";
    EXPECT_EQ(Read(), "|" + refused);
}

TEST_F(NumberFileFaultsTest, AFullDiskKeepsTheOldNumber) {
    fs::create_symlink("/dev/full", dir.Path() / "MyNumber.txt.new");
    EXPECT_EQ(Write(u"0711"), std::make_error_code(std::errc::no_space_on_device).message());
    EXPECT_EQ(dir.Read("MyNumber.txt"), "0803\r\n");
    EXPECT_FALSE(fs::is_symlink(dir.Path() / "MyNumber.txt.new"));
}

TEST_F(NumberFileFaultsTest, ALinkToTheFileSurvivesAWrite) {
    fs::create_directory(dir.Path() / "real");
    fs::rename(path, dir.Path() / "real" / "number.txt");
    fs::create_symlink("real/number.txt", path);
    EXPECT_EQ(Read(), "0803");
    EXPECT_EQ(Write(u"0711"), "written");
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(dir.Read("real/number.txt"), "0711\r\n");
    EXPECT_FALSE(dir.Exists("real/number.txt.new"));
    EXPECT_FALSE(dir.Exists("MyNumber.txt.new"));
}

}  // namespace
}  // namespace tarvolin::testing
