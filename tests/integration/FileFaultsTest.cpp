// The number file under the faults a disk or a user can cause, through the real window
// logic on real files: what the user sees (the "Error" boxes and the status in the tooltip),
// that every run returns within a bound (a FIFO or an endless device never blocks the
// notifier), and what is left in the file: the stored number is never lost or truncated.
//
// Rows that need file rights to bite or a full disk run in a child of this program. When
// the tests run as root, the child runs without the capabilities that override file
// permissions (setpriv); the disk-full row mounts a small tmpfs in a private mount
// namespace (unshare).

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "app/frmMain.h"
#include "tests/unit/Fakes.h"
#include "tests/unit/TempDir.h"
#include "tests/unit/TestData.h"

extern char** environ;

namespace tarvolin::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Every row must finish well within this; a blocked read would exceed it at once.
constexpr auto RowBound = 10s;
// Set in the environment of a child that plays one row.
constexpr const char* ChildVariable = "TARVOLIN_FILE_FAULT_CHILD";

const std::u16string NotConfigured = StatusNumberNotConfigured;

// How a row must be run for its fault to be real.
enum class Isolation {
    None,
    WithoutFileRights,  // permissions must bite, also for root
    PrivateTmpfs,       // a tiny file system of its own, to fill up
};

// The program folder with the number file, and the notifier on fake ports around it.
class Notifier {
public:
    explicit Notifier(fs::path folder) : folder_(std::move(folder)) {
        ports.window.appPath = folder_.u16string();
        ports.transfer.fallback = ReadTestData("replies/poll-notice-news.xml");
    }

    [[nodiscard]] fs::path File() const { return folder_ / "MyNumber.txt"; }
    [[nodiscard]] const fs::path& Folder() const { return folder_; }
    void Write(const std::string& bytes) const { std::ofstream(File(), std::ios::binary) << bytes; }
    [[nodiscard]] std::optional<std::string> Bytes() const {
        std::error_code error;
        if (!fs::is_regular_file(File(), error)) return std::nullopt;
        std::ifstream in(File(), std::ios::binary);
        return std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    void Start() { form.Form_Load(); }
    void Tick() { form.Timer1_Timer(); }
    void MyNumber(const std::u16string& answer) {
        ports.dialogs.inputBoxAnswers.push_back(answer);
        form.mnuMyNumber_Click();
    }

    FakePorts ports;
    frmMain form{ports.ports()};

private:
    fs::path folder_;
};

struct FaultRow {
    const char* name;
    Isolation isolation;
    std::function<void(Notifier&)> arrange;  // makes the fault
    std::function<void(Notifier&)> act;      // what the user and the timer do
    std::vector<std::u16string> boxes;       // texts of the "Error" boxes, in order
    std::u16string status;
    std::optional<std::string> fileAfter;  // nothing: no regular file is there
    std::vector<std::string> numbersRequested;
    std::function<void(const Notifier&)> alsoCheck = {};  // what else must hold afterwards
};

// Failures name the row, not its bytes.
void PrintTo(const FaultRow& row, std::ostream* out) { *out << row.name; }

void StartAndTick(Notifier& n) {
    n.Start();
    n.Tick();
}

// Fills the file system of `folder` until a write fails for lack of space.
void FillFileSystem(const fs::path& folder) {
    std::ofstream filler(folder / "filler", std::ios::binary);
    const std::string block(4096, 'f');
    for (int i = 0; i < 1 << 20 && filler; ++i)
        filler.write(block.data(), block.size()) << std::flush;
}

bool IsFifo(const fs::path& path) {
    std::error_code error;
    return fs::is_fifo(fs::symlink_status(path, error));
}

std::string RequestedNumber(const std::string& url) { return url.substr(url.find("msisdn=") + 7); }

const FaultRow Rows[] = {
    {"MissingFile", Isolation::None, [](Notifier&) {}, StartAndTick, {}, NotConfigured, "", {}},
    {"EmptyFile",
     Isolation::None,
     [](Notifier& n) { n.Write(""); },
     StartAndTick,
     {},
     NotConfigured,
     "",
     {}},
    {"DirectoryInItsPlace",
     Isolation::None,
     [](Notifier& n) { fs::create_directory(n.File()); },
     StartAndTick,
     {u"Is a directory", u"Is a directory"},
     NotConfigured,
     std::nullopt,
     {},
     [](const Notifier& n) { EXPECT_TRUE(fs::is_directory(n.File())); }},
    {"FifoInItsPlace",
     Isolation::None,
     [](Notifier& n) { ASSERT_EQ(::mkfifo(n.File().c_str(), 0600), 0) << std::strerror(errno); },
     StartAndTick,
     {u"Invalid argument", u"Invalid argument"},
     NotConfigured,
     std::nullopt,
     {},
     [](const Notifier& n) { EXPECT_TRUE(IsFifo(n.File())); }},
    {"EndlessDeviceInItsPlace",
     Isolation::None,
     [](Notifier& n) { fs::create_symlink("/dev/zero", n.File()); },
     StartAndTick,
     {u"Invalid argument", u"Invalid argument"},
     NotConfigured,
     std::nullopt,
     {}},
    {"UnreadableFile",
     Isolation::WithoutFileRights,
     [](Notifier& n) {
         n.Write("0803\r\n");
         fs::permissions(n.File(), fs::perms::none);
     },
     StartAndTick,
     {u"Permission denied", u"Permission denied"},
     NotConfigured,
     std::nullopt,
     {},
     [](const Notifier& n) {
         // Still there, still unreadable, and once readable again still the number.
         EXPECT_EQ(fs::status(n.File()).permissions() & fs::perms::all, fs::perms::none);
         fs::permissions(n.File(), fs::perms::owner_read);
         EXPECT_EQ(n.Bytes(), "0803\r\n");
     }},
    {"MissingFileInAFolderNotWritable",
     Isolation::WithoutFileRights,
     [](Notifier& n) {
         fs::permissions(n.Folder(), fs::perms::owner_read | fs::perms::owner_exec);
     },
     StartAndTick,
     {u"Permission denied", u"Permission denied"},
     NotConfigured,
     std::nullopt,
     {},
     [](const Notifier& n) { EXPECT_FALSE(fs::exists(n.File())); }},
    {"MyNumberInAFolderNotWritable",
     Isolation::WithoutFileRights,
     [](Notifier& n) {
         n.Write("0803\r\n");
         fs::permissions(n.Folder(), fs::perms::owner_read | fs::perms::owner_exec);
     },
     [](Notifier& n) {
         n.Start();
         n.MyNumber(u"0999");
         n.Tick();
     },
     {u"Permission denied"},
     StatusConnected,
     "0803\r\n",
     {"0803"},
     [](const Notifier& n) { EXPECT_EQ(n.form.State().number, u"0803"); }},
    {"DiskFullDuringWriteNumber",
     Isolation::PrivateTmpfs,
     [](Notifier& n) {
         n.Write("0803\r\n");
         FillFileSystem(n.Folder());
     },
     [](Notifier& n) {
         n.Start();
         n.MyNumber(u"0999 1234 5678");
         n.Tick();
     },
     {u"No space left on device"},
     StatusConnected,
     "0803\r\n",
     {"0803"},
     [](const Notifier& n) {
         EXPECT_EQ(n.form.State().number, u"0803");
         EXPECT_FALSE(fs::exists(n.File().string() + ".new")) << "temporary file left behind";
     }},
    {"DeletedBetweenRuns",
     Isolation::None,
     [](Notifier& n) { n.Write("0803\r\n"); },
     [](Notifier& n) {
         n.Start();
         fs::remove(n.File());
         n.Tick();
     },
     {},
     NotConfigured,
     "",
     {"0803"}},
    {"SeveralLines",
     Isolation::None,
     [](Notifier& n) { n.Write("0803\r\n0999\r\nrest"); },
     StartAndTick,
     {},
     StatusConnected,
     "0803\r\n0999\r\nrest",
     {"0803"}},
    {"NoFinalLineEnd",
     Isolation::None,
     [](Notifier& n) { n.Write("0803"); },
     StartAndTick,
     {},
     StatusConnected,
     "0803",
     {"0803"}},
    {"LinesEndedByLfAlone",
     Isolation::None,
     [](Notifier& n) { n.Write("0803\n0999\n"); },
     StartAndTick,
     {},
     StatusConnected,
     "0803\n0999\n",
     {"0803%0A0999%0A"}},
    {"OneLineOfOneMegabyte",
     Isolation::None,
     [](Notifier& n) { n.Write(std::string(1 << 20, '7')); },
     StartAndTick,
     {},
     StatusConnected,
     std::string(1 << 20, '7'),
     {std::string(1 << 20, '7')}},
};

// Whether a file without any permission is closed to this process.
bool PermissionsBite(const fs::path& folder) {
    const fs::path probe = folder / "probe";
    std::ofstream(probe).put('p');
    fs::permissions(probe, fs::perms::none);
    const int fd = ::open(probe.c_str(), O_RDONLY);
    if (fd >= 0) ::close(fd);
    fs::remove(probe);
    return fd < 0;
}

bool InChild() { return std::getenv(ChildVariable) != nullptr; }

// Runs this program again for one row, under `wrapper`, with its output in `log`; returns
// the child's wait status.
int RunChild(const std::vector<std::string>& wrapper, const std::string& filter,
             const fs::path& log) {
    std::vector<std::string> arguments = wrapper;
    arguments.push_back(fs::read_symlink("/proc/self/exe").string());
    arguments.push_back("--gtest_filter=" + filter);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    std::vector<std::string> environment{std::string(ChildVariable) + "=1"};
    for (char** e = environ; *e != nullptr; ++e) environment.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

std::vector<std::string> WrapperFor(Isolation isolation) {
    const bool root = ::geteuid() == 0;
    switch (isolation) {
        case Isolation::WithoutFileRights:
            if (root) return {"setpriv", "--bounding-set=-dac_override,-dac_read_search,-fowner"};
            return {};
        case Isolation::PrivateTmpfs:
            if (root) return {"unshare", "--mount", "--propagation", "private"};
            return {"unshare", "--map-root-user", "--mount"};
        case Isolation::None:
            break;
    }
    return {};
}

class FileFaultTest : public ::testing::TestWithParam<FaultRow> {
protected:
    // The row's own program folder: a tmpfs of 64 KiB for the disk-full row.
    fs::path MakeFolder(const FaultRow& row) {
        const fs::path folder = temp_.Path() / "program";
        fs::create_directory(folder);
        if (row.isolation == Isolation::PrivateTmpfs) {
            if (::mount("tarvolin-full", folder.c_str(), "tmpfs", 0, "size=64k") != 0) {
                skipReason_ = std::string("cannot mount a tmpfs here: ") + std::strerror(errno);
            } else {
                mounted_ = folder;
            }
        }
        return folder;
    }
    ~FileFaultTest() override {
        if (mounted_) ::umount2(mounted_->c_str(), MNT_DETACH);
    }

    TempDir temp_;
    std::optional<fs::path> mounted_;
    std::string skipReason_;
};

TEST_P(FileFaultTest, UserSeesTheFaultAndTheNumberIsKept) {
    const FaultRow& row = GetParam();

    // A row that needs isolation is played by a child; this process only judges its result.
    if (row.isolation != Isolation::None && !InChild() &&
        (::geteuid() == 0 || row.isolation == Isolation::PrivateTmpfs)) {
        const fs::path log = temp_.Path() / "child.log";
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        const int status = RunChild(WrapperFor(row.isolation), "*FileFaultTest." + name, log);
        const std::string output = temp_.Read("child.log");
        // Only a machine that forbids the isolation itself (a container without the rights
        // to mount or to change capabilities) cannot play the row.
        if (status == -1 || output.starts_with("unshare: ") || output.starts_with("setpriv: ")) {
            GTEST_SKIP() << "this machine cannot isolate the row: "
                         << (status == -1 ? "setpriv or unshare is missing" : output);
        }
        if (output.find("[  SKIPPED ]") != std::string::npos && WIFEXITED(status) &&
            WEXITSTATUS(status) == 0) {
            GTEST_SKIP() << "the child could not make this fault:\n" << output;
        }
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
                    output.find("[  PASSED  ] 1 test.") != std::string::npos)
            << "the child playing the row failed (wait status " << status << "):\n"
            << output;
        return;
    }

    Notifier n(MakeFolder(row));
    if (!skipReason_.empty()) GTEST_SKIP() << skipReason_;
    // Without file rights the row must really lack them; otherwise it would prove nothing.
    if (row.isolation == Isolation::WithoutFileRights && !PermissionsBite(temp_.Path())) {
        GTEST_SKIP() << "file permissions do not stop this process here";
    }
    row.arrange(n);

    // The row runs on a thread of its own so that a blocked read shows as a failure here
    // instead of a hung test program.
    const auto started = std::chrono::steady_clock::now();
    std::future<void> done = std::async(std::launch::async, [&] { row.act(n); });
    if (done.wait_for(RowBound) != std::future_status::ready) {
        ADD_FAILURE() << "the notifier blocked on the number file for " << RowBound.count() << " s";
        if (IsFifo(n.File())) {
            // Open the writing end once so that the blocked reader gets its end of file.
            const int unblock = ::open(n.File().c_str(), O_WRONLY);
            if (unblock >= 0) ::close(unblock);
        }
        done.wait();
        return;
    }
    done.get();
    const auto elapsed = std::chrono::steady_clock::now() - started;
    EXPECT_LT(elapsed, RowBound);

    const auto& boxes = n.ports.dialogs.msgBoxes;
    std::vector<std::u16string> texts;
    for (const auto& box : boxes) {
        texts.push_back(box.text);
        EXPECT_EQ(box.title, u"Error");
        EXPECT_EQ(box.buttons, MsgBoxOkOnly);
    }
    EXPECT_EQ(texts, row.boxes);
    EXPECT_EQ(Utf8(n.form.State().statusText), Utf8(row.status));
    ASSERT_FALSE(n.ports.shell.Tooltips().empty());
    EXPECT_EQ(Utf8(n.ports.shell.Tooltips().back()), Utf8(row.status));

    std::vector<std::string> numbers;
    for (const std::string& url : n.ports.transfer.requests)
        numbers.push_back(RequestedNumber(url));
    EXPECT_EQ(numbers, row.numbersRequested);

    // Restore the rights first, so the file can be judged and the folder removed.
    if (row.isolation == Isolation::WithoutFileRights) {
        fs::permissions(n.Folder(), fs::perms::owner_all, fs::perm_options::add);
    }
    if (row.fileAfter) {
        EXPECT_EQ(n.Bytes(), row.fileAfter) << "the number file changed";
    }
    if (row.alsoCheck) row.alsoCheck(n);
}

INSTANTIATE_TEST_SUITE_P(NumberFile, FileFaultTest, ::testing::ValuesIn(Rows),
                         [](const auto& rowInfo) { return std::string(rowInfo.param.name); });

}  // namespace
}  // namespace tarvolin::testing
