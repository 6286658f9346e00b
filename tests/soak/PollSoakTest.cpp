// The poll soak: the window logic on fake ports through a long run of ticks against a
// service that flaps between notices, failures and garbage, while the user clicks, asks
// for the status and changes the number, and the number file comes and goes. Under the
// sanitizers it proves no crash and no leak; on the way the heap must not grow, every
// opened link must be an approved web address and the number file hold what was written.
// 20 000 runs by default; TARVOLIN_SOAK_RUNS sets another count.

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <malloc.h>
#include <random>

#include "tests/unit/Fakes.h"
#include "tests/unit/TempDir.h"
#include "tests/unit/TestData.h"

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's own count: its allocator replaces the C library's and its statistics.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
std::size_t HeapInUse() { return __sanitizer_get_current_allocated_bytes(); }
#else
std::size_t HeapInUse() { return mallinfo2().uordblks; }
#endif

namespace tarvolin::testing {
namespace {

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

class PollSoakTest : public ::testing::Test {
protected:
    std::optional<std::string> NextReply() {
        const std::string link = Links[random() % std::size(Links)];
        const std::string fresh = Replace(Replace(notice, "19:00:00", std::to_string(random())),
                                          "http://downloads.example.net/setup.html", link);
        switch (random() % 8) {
            case 0: return std::nullopt;
            case 1: return std::string(random() % 64, ' ');
            case 2: return std::string(random() % 2048, static_cast<char>(random()));
            case 3: return Replace(fresh, "Click", std::string("\0\xff\xfe\xed\xa0\x80", 6));
            case 4: return Replace(fresh, "A new", std::string(40000, 'x'));
            default: return fresh;
        }
    }

    void UserActs() {
        switch (random() % 200) {
            case 0: form.TrayNotification(TrayBalloonShow); break;
            case 1: form.TrayNotification(TrayBalloonUserClick); break;
            case 2: form.TrayNotification(TrayLeftButtonUp); break;
            case 3:
                ports.dialogs.inputBoxAnswers.emplace_back(u" +44 7700 ");
                form.mnuMyNumber_Click();
                written = " +44 7700 \r\n";
                break;
            case 4:
                std::filesystem::remove(folder.Path() / "MyNumber.txt");
                written = "";  // the next run creates it empty
                break;
            default: break;
        }
    }

    static constexpr const char* Links[] = {
        "http://downloads.example.net/setup.html", "example.com/a b", "file:///etc/passwd",
        "javascript:alert(1)", "http://user@evil.example/", "http://example.com/\xc2\x85"};
    TempDir folder;
    FakePorts ports;
    frmMain form{ports.ports()};
    std::mt19937 random{20261206};
    std::string notice = ReadTestData("replies/poll-notice-download.xml");
    std::string written = "0803\r\n";
};

TEST_F(PollSoakTest, FlappingServiceNeitherCrashesNorLeaksNorLosesTheNumber) {
    const char* wanted = std::getenv("TARVOLIN_SOAK_RUNS");
    const long runs = wanted != nullptr ? std::strtol(wanted, nullptr, 10) : 20000;
    ports.window.appPath = folder.PathText();
    folder.Write("MyNumber.txt", written);
    form.Form_Load();
    std::size_t heapAfterWarmUp = 0;
    std::size_t fetches = 0;
    for (long run = 1; run <= runs && !HasFatalFailure(); ++run) {
        ports.transfer.fallback = NextReply();
        form.Timer1_Timer();
        UserActs();
        if (run % 1000 != 0) continue;
        ASSERT_EQ(folder.Read("MyNumber.txt"), written) << "run " << run;
        for (const std::u16string& url : ports.shell.openedUrls) {
            ASSERT_EQ(ApproveLink(url), url) << "an unapproved link was opened";
        }
        fetches += ports.transfer.requests.size();
        ports.shell = FakeShell{};  // the records must not grow with the soak
        ports.transfer.requests.clear();
        ports.dialogs = FakeDialogs{};
        ports.window.intervals.clear();
        if (run == runs / 10) heapAfterWarmUp = HeapInUse();
        if (run > runs / 10) {
            ASSERT_LE(HeapInUse(), heapAfterWarmUp + 512 * 1024) << "heap growth, run " << run;
        }
    }
    RecordProperty("fetches", static_cast<int>(fetches));
    EXPECT_GT(fetches, static_cast<std::size_t>(runs / 100)) << "the service was hardly asked";
}

}  // namespace
}  // namespace tarvolin::testing
