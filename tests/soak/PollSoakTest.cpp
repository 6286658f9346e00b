// The poll soak: the window logic on fake ports through a long run of ticks against a
// scripted service that flaps between notices, failures and garbage, while the user clicks
// balloons, asks for the status and changes the number, and the number file comes and
// goes. Run under the sanitizers it proves no crash, no leak (LeakSanitizer at exit) and no
// growth of the heap; on the way every opened link must be an approved web address, the
// status one of its texts, and the number file exactly what was last written to it.
//
// The test command runs 20 000 runs; TARVOLIN_SOAK_RUNS sets another count (the
// reliability report runs one million).

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <malloc.h>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "tests/unit/Fakes.h"
#include "tests/unit/TempDir.h"
#include "tests/unit/TestData.h"
#include "tray/tray.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TARVOLIN_SOAK_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define TARVOLIN_SOAK_ASAN 1
#endif
#ifdef TARVOLIN_SOAK_ASAN
// The sanitizer runtime's count of the bytes the program holds (its own malloc replaces the
// C library's, whose statistics then say nothing).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace tarvolin::testing {
namespace {

constexpr long DefaultRuns = 20000;
// Allowed heap growth between the end of the warm-up and the end of the soak.
constexpr std::size_t HeapSlackBytes = 512 * 1024;

std::size_t HeapInUse() {
#ifdef TARVOLIN_SOAK_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

long RunsWanted() {
    const char* text = std::getenv("TARVOLIN_SOAK_RUNS");
    return text != nullptr ? std::strtol(text, nullptr, 10) : DefaultRuns;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// The service: each call of Next() is the answer to the next request, chosen at random
// among sound notices and the ways a service fails.
class FlappingService {
public:
    explicit FlappingService(std::uint64_t seed)
        : random_(seed),
          notice_(ReadTestData("replies/poll-notice-download.xml")),
          status_(ReadTestData("replies/status-answer.xml")) {}

    std::optional<std::string> Next() {
        switch (Pick(12)) {
            case 0:
            case 1:
            case 2:
                return NewNotice();
            case 3:
                return notice_;  // the same notice again
            case 4:
                return std::nullopt;  // connection failure or time-out
            case 5:
                return std::string{};
            case 6:
                return std::string(Pick(64), ' ');
            case 7:
                return Garbage(Pick(2048));
            case 8:
                return ReplaceAll(*NewNotice(), "\n", "\r");
            case 9:
                return ReplaceAll(*NewNotice(), "Click", std::string("\0\xff\xfe\xed\xa0\x80", 6));
            case 10:
                return status_;
            default:
                return ReplaceAll(*NewNotice(), "A new version",
                                  std::string(40000 + Pick(1000), 'x'));
        }
    }

    std::size_t Pick(std::size_t count) { return random_() % count; }

    std::u16string Link() {
        static const char16_t* const Links[] = {
            u"http://downloads.example.net/setup.html",
            u"example.com/a b",
            u"file:///etc/passwd",
            u"javascript:alert(1)",
            u"http://user@evil.example/",
            u"http://[::1]:9090/x",
            u" http://example.com",
            u"http://example.com/\u0085",
            u"HTTPS://EXAMPLE.COM/%zz",
        };
        return Links[Pick(std::size(Links))];
    }

private:
    std::optional<std::string> NewNotice() {
        ++notices_;
        std::string body = ReplaceAll(notice_, "19:00:00", "19:00:" + std::to_string(notices_));
        const std::string link = Utf8(Link());
        return ReplaceAll(body, "http://downloads.example.net/setup.html", link);
    }

    std::string Garbage(std::size_t size) {
        std::string bytes(size, '\0');
        for (char& b : bytes) b = static_cast<char>(random_() & 0xFF);
        return bytes;
    }

    std::mt19937_64 random_;
    std::string notice_;
    std::string status_;
    std::uint64_t notices_ = 0;
};

bool IsStatusText(const std::u16string& text) {
    return text == StatusConnecting || text == StatusConnected ||
           text == StatusServiceUnavailable || text == StatusNumberNotConfigured;
}

class PollSoakTest : public ::testing::Test {
protected:
    PollSoakTest() { ports.window.appPath = folder.PathText(); }

    void WriteNumber(const std::string& bytes) {
        folder.Write("MyNumber.txt", bytes);
        fileBytes = bytes;
    }

    // What the user does between two ticks, now and then.
    void UserActs() {
        switch (service.Pick(400)) {
            case 0:
                form.TrayNotification(TrayBalloonShow);
                break;
            case 1:
                form.TrayNotification(TrayBalloonUserClick);
                break;
            case 2:
                form.TrayNotification(TrayBalloonTimeout);
                break;
            case 3:
                form.TrayNotification(TrayLeftButtonUp);  // the Status command, or a click
                break;
            case 4: {
                const std::u16string answer = service.Pick(2) == 0 ? u"0803" : u" +44 7700 900123 ";
                ports.dialogs.inputBoxAnswers.push_back(answer);
                form.mnuMyNumber_Click();
                fileBytes = Utf8(answer) + "\r\n";
                break;
            }
            case 5:
                std::filesystem::remove(folder.Path() / "MyNumber.txt");
                fileBytes = "";  // the next run creates it empty
                break;
            case 6:
                WriteNumber("0803\r\nsecond line\r\n");
                break;
            default:
                break;
        }
    }

    // Checks what the runs since the last batch left in the fakes, then forgets it, so the
    // fakes' records do not grow with the soak.
    void CheckAndForget() {
        for (const std::u16string& url : ports.shell.openedUrls) {
            const std::optional<std::u16string> again = ApproveLink(url);
            ASSERT_TRUE(again.has_value() && *again == url)
                << "an unapproved link was opened: " << Utf8(url);
        }
        opened += ports.shell.openedUrls.size();
        fetches += ports.transfer.requests.size();
        boxes += ports.dialogs.msgBoxes.size();
        ports.shell.openedUrls.clear();
        ports.shell.notifyCalls.clear();
        ports.transfer.requests.clear();
        ports.dialogs.msgBoxes.clear();
        ports.dialogs.inputBoxes.clear();
        ports.window.intervals.clear();
        ports.window.popups.clear();
    }

    TempDir folder;
    FakePorts ports;
    frmMain form{ports.ports()};
    FlappingService service{20261206};
    std::string fileBytes;
    std::size_t opened = 0;
    std::size_t fetches = 0;
    std::size_t boxes = 0;
};

TEST_F(PollSoakTest, FlappingServiceNeitherCrashesNorLeaksNorLosesTheNumber) {
    const long runs = RunsWanted();
    const long warmUp = runs / 10;
    WriteNumber("0803\r\n");
    form.Form_Load();

    std::size_t heapAfterWarmUp = 0;
    std::size_t heapPeak = 0;
    for (long run = 1; run <= runs; ++run) {
        ports.transfer.fallback = service.Next();
        form.Timer1_Timer();
        UserActs();

        ASSERT_TRUE(IsStatusText(form.State().statusText)) << "run " << run;
        ASSERT_FALSE(form.Ended());
        if (run % 1000 == 0 || run == runs) {
            ASSERT_EQ(folder.Read("MyNumber.txt"), fileBytes)
                << "the number file changed, run " << run;
            CheckAndForget();
            if (::testing::Test::HasFatalFailure()) return;
            if (run == warmUp) heapAfterWarmUp = HeapInUse();
            if (run > warmUp) heapPeak = std::max(heapPeak, HeapInUse());
        }
    }
    ::testing::Test::RecordProperty("runs", static_cast<int>(runs));
    ::testing::Test::RecordProperty("fetches", static_cast<int>(fetches));
    ::testing::Test::RecordProperty("links_opened", static_cast<int>(opened));
    ::testing::Test::RecordProperty("heap_after_warm_up", static_cast<int>(heapAfterWarmUp));
    ::testing::Test::RecordProperty("heap_peak", static_cast<int>(heapPeak));
    EXPECT_GT(fetches, static_cast<std::size_t>(runs / 100)) << "the service was hardly asked";
    EXPECT_LE(heapPeak, heapAfterWarmUp + HeapSlackBytes) << "the heap grows with the runs";
}

}  // namespace
}  // namespace tarvolin::testing
