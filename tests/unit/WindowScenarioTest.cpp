// The window logic as a user meets it: a number file, the service's replies and a sequence
// of events, then what the notifier showed, asked and opened. Each row is one scenario.
//
// Steps, separated by "; ":
//   file:BYTES  nofile  dirfile      the number file holds BYTES / is missing / is a folder
//   reply:NAME  body:TEXT  fail      the next request gets a fixture, TEXT, or a failure
//   always:NAME                      requests with no reply queued get this fixture
//   load  unload  tick  tick*N  second  status  number:ANSWER  exit:yes  exit:no
//   code:N  x:TWIPS  up:TWIPS  twips:F tray code N; a mouse move or up at X; twips per pixel
//   inget:STEPS  inbox:STEPS  inmenu:STEPS   STEPS (separated by ",") run inside the next
//                          fetch, dialog or pop-up menu, as a modal wait lets events in
//   raise:TEXT                       a failure (std::runtime_error) there
// Expectations, "key=value" separated by "; ", compare only the keys they name (see Seen).

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <system_error>

#include "app/ServiceUrls.h"
#include "tests/unit/Fakes.h"
#include "tests/unit/TempDir.h"
#include "tray/tray.h"

#if defined(__SANITIZE_ADDRESS__)
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#elif defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tarvolin::testing {
namespace {

std::vector<std::string_view> Split(std::string_view text, std::string_view separator) {
    std::vector<std::string_view> parts;
    while (!text.empty()) {
        const std::size_t end = text.find(separator);
        parts.push_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + separator.size());
    }
    return parts;
}

std::u16string Text(std::string_view utf8) { return Utf8CodePage{}.ToText(utf8); }

template <typename Items, typename Show>
std::string Joined(const Items& items, Show show) {
    std::string out;
    for (const auto& item : items) out += (out.empty() ? "" : "|") + show(item);
    return out;
}

struct Scenario {
    const char* name;
    const char* steps;
    const char* expected;
};

void PrintTo(const Scenario& scenario, std::ostream* out) { *out << scenario.name; }

class WindowSteps : public ::testing::Test {
protected:
    WindowSteps() { ports.window.appPath = folder.PathText(); }

    void Run(std::string_view steps) {
        for (const std::string_view step : Split(steps, "; ")) Step(step);
    }

    void Step(std::string_view step) {
        const std::size_t colon = step.find(':');
        const std::string_view verb = step.substr(0, colon);
        const std::string arg(colon == std::string_view::npos ? "" : step.substr(colon + 1));
        const std::filesystem::path file = folder.Path() / "MyNumber.txt";
        if (verb == "file") folder.Write("MyNumber.txt", arg);
        else if (verb == "nofile") std::filesystem::remove(file);
        else if (verb == "dirfile") std::filesystem::create_directory(file);
        else if (verb == "reply") ports.transfer.replies.emplace_back(Fixture(arg));
        else if (verb == "body") ports.transfer.replies.emplace_back(arg);
        else if (verb == "fail") ports.transfer.replies.emplace_back(std::nullopt);
        else if (verb == "throw") ports.transfer.throwNext = true;
        else if (verb == "always") ports.transfer.fallback = Fixture(arg);
        else if (verb == "load") form.Form_Load();
        else if (verb == "unload") { std::int16_t cancel = 0; form.Form_Unload(cancel); }
        else if (verb == "tick") form.Timer1_Timer();
        else if (verb.starts_with("tick*")) for (int i = std::stoi(std::string(verb.substr(5))); i > 0; --i) form.Timer1_Timer();
        else if (verb == "second") form.SecondStart();
        else if (verb == "status") form.mnuStatus_Click();
        else if (verb == "number") { ports.dialogs.inputBoxAnswers.push_back(Text(arg)); form.mnuMyNumber_Click(); }
        else if (verb == "exit") { ports.dialogs.msgBoxAnswers.push_back(arg == "yes" ? MsgBoxResultYes : MsgBoxResultNo); form.mnuExit_Click(); }
        else if (verb == "code") form.TrayNotification(std::stoi(arg));
        else if (verb == "x") form.Form_MouseMove(0, 0, std::stof(arg), 0.0F);
        else if (verb == "up") form.Form_MouseUp(1, 0, std::stof(arg), 0.0F);
        else if (verb == "twips") ports.window.twipsPerPixel = std::stof(arg);
        else if (verb == "inget") ports.transfer.duringGet = Later(arg);
        else if (verb == "inbox") ports.dialogs.duringDialog = Later(arg);
        else if (verb == "inmenu") ports.window.duringPopup = Later(arg);
        else if (verb == "raise") throw std::runtime_error(arg);  // a failure of another kind
        else FAIL() << "unknown step " << step;
    }

    std::function<void()> Later(const std::string& steps) {
        return [this, steps] {
            for (const std::string_view step : Split(steps, ",")) Step(step);
        };
    }

    static std::string Fixture(const std::string& name) {
        return ReadTestData("replies/" + name + ".xml");
    }

    // What the notifier did, by the keys the rows name.
    std::string Seen(std::string_view key) const {
        const NotifierState& state = form.State();
        const auto utf8 = [](const std::u16string& text) { return Utf8(text); };
        if (key == "status") return Utf8(state.statusText);
        if (key == "number") return Utf8(state.number);
        if (key == "link") return Utf8(state.link);
        if (key == "flag") return std::to_string(state.balloonVisible);
        if (key == "balloons") return Joined(ports.shell.Balloons(), utf8);
        if (key == "tips") return Joined(ports.shell.Tooltips(), utf8);
        if (key == "opened") return Joined(ports.shell.openedUrls, utf8);
        if (key == "boxes") return Joined(ports.dialogs.msgBoxes, [](const auto& b) { return Utf8(b.title); });
        if (key == "asked") return Joined(ports.dialogs.msgBoxes, [](const auto& b) { return std::to_string(b.buttons) + " " + Utf8(b.text); });
        if (key == "prompts") return Joined(ports.dialogs.inputBoxes, [](const auto& b) { return Utf8(b.text + u"/" + b.title); });
        if (key == "inputs") return Joined(ports.dialogs.inputBoxes, [](const auto& b) { return Utf8(b.defaultText); });
        if (key == "requests") return Joined(ports.transfer.requests, ShortRequest);
        if (key == "intervals") return Joined(ports.window.intervals, [](int ms) { return std::to_string(ms); });
        if (key == "popups") return std::to_string(ports.window.popups);
        if (key == "ended") return std::to_string(ports.window.endCalls);
        if (key == "first") return std::to_string(ports.shell.notifyCalls.front().message);
        if (key == "last") return std::to_string(ports.shell.notifyCalls.back().message);
        if (key == "file") return folder.Exists("MyNumber.txt") ? folder.Read("MyNumber.txt") : "<none>";
        ADD_FAILURE() << "unknown key " << key;
        return {};
    }

    // "n" or "s" for the notify or status path, then the number as sent.
    static std::string ShortRequest(const std::string& url) {
        const std::string notify = Utf8(NotifyBaseUrl());
        const std::string status = Utf8(StatusBaseUrl());
        if (url.starts_with(notify)) return "n" + url.substr(notify.size());
        if (url.starts_with(status)) return "s" + url.substr(status.size());
        return "?" + url;
    }

    TempDir folder;
    FakePorts ports;
    frmMain form{ports.ports()};
};

class WindowScenarioTest : public WindowSteps, public ::testing::WithParamInterface<Scenario> {};

TEST_P(WindowScenarioTest, ShowsAsksAndOpensWhatTheUserExpects) {
    Run(GetParam().steps);
    for (const std::string_view pair : Split(GetParam().expected, "; ")) {
        const std::size_t equals = pair.find('=');
        const std::string_view key = pair.substr(0, equals);
        EXPECT_EQ(Seen(key), pair.substr(equals + 1)) << "key " << key;
    }
}

#define CONNECTED "file:0803\r\n; reply:poll-notice-download; load"
#define NOTICE "A new version is ready. Click to download."
#define NEWS "Your bundle renews tomorrow."
#define SETUP "http://downloads.example.net/setup.html"
#define WITH_LINK(category, link) "file:0803\r\n; body:<category>" category "</category>\n<link>" link "</link>\n; load"

// clang-format off
const Scenario Scenarios[] = {
    // Start-up and the poll cycle.
    {"NoNumberFileIsCreatedAndAskedFor", "load; tick*3", "first=0; file=; status=Phone number not configured; tips=Connecting...|Phone number not configured; balloons=Phone number not configured; requests=; boxes=; intervals=60000"},
    {"FirstReplyConnectsThenShowsTheNotice", CONNECTED, "requests=n0803; status=Connected; tips=Connecting...|Connected; balloons=Connected|" NOTICE "; link=" SETUP "; intervals=60000"},
    {"ConnectedWaitsFiftyNineRunsAfterEachFetch", CONNECTED "; always:poll-notice-download; tick*119", "requests=n0803|n0803"},
    {"ConnectedAsksOnTheSixtiethRunAndShowsTheSameNoticeOnce", CONNECTED "; always:poll-notice-download; tick*60", "requests=n0803|n0803; balloons=Connected|" NOTICE "; tips=Connecting...|Connected"},
    {"UnavailableAsksOnEveryRunUntilItAnswers", "file:0803\r\n; fail; load; fail; reply:poll-notice-news; tick*2", "requests=n0803|n0803|n0803; status=Connected; balloons=Service unavailable|Connected|" NEWS "; tips=Connecting...|Service unavailable|Connected; intervals=60000|60000"},
    {"AnEmptyOrBlankBodyIsUnavailable", "file:0803\r\n; body:; load; body:      ; tick", "status=Service unavailable; balloons=Service unavailable; requests=n0803|n0803"},
    {"ATransferThatThrowsIsUnavailable", "file:0803\r\n; throw; load", "status=Service unavailable; requests=n0803"},
    {"TheBodyIsReadAsUtf8", "file:0803\r\n; body:<lastBuildDate>1</lastBuildDate>\n<description><![CDATA[caf\xC3\xA9 \xE2\x82\xAC]]></description>\n; load", "balloons=Connected|caf\xC3\xA9 \xE2\x82\xAC"},
    {"ATabIsAReplyWithoutNotice", "file:0803\r\n; body:\t; load; tick*10", "status=Connected; requests=n0803"},
    {"WithoutNoticeAsksOnTheEleventhRun", "file:0803\r\n; always:poll-no-description; load; tick*11", "requests=n0803|n0803; balloons=Connected"},
    {"ANoticeWhileConnectedKeepsTheElevenRunSchedule", "file:0803\r\n; always:poll-no-description; load; reply:poll-notice-news; tick*11; tick*11", "requests=n0803|n0803|n0803; balloons=Connected|" NEWS},
    {"ANewBuildDateShowsTheNextNotice", CONNECTED "; reply:poll-notice-news; reply:poll-notice-news; tick*60; tick*60", "requests=n0803|n0803|n0803; balloons=Connected|" NOTICE "|" NEWS},
    {"NoBuildDateNoNoticeButTheLinkIsTaken", "file:0803\r\n; reply:poll-no-build-date; load", "balloons=Connected; link=http://downloads.example.net/other.html"},
    {"ANumberWrittenLaterIsUsedAtTheNextRun", "load; file:0803\r\n; reply:poll-notice-download; tick", "requests=n0803; status=Connected; number=0803"},
    {"EmptyingTheFileStopsTheRequests", CONNECTED "; file:  \r\n; tick*100", "requests=n0803; status=Phone number not configured; number=  "},
    {"TheNumberIsReadUntrimmedAndSentEncoded", "file: 08\t03 \r\n; fail; load", "number= 08\t03 ; requests=n%2008%0903%20"},
    {"AnErrorBoxComesBackOnEveryRun", "dirfile; load; tick*2", "boxes=Error|Error|Error; status=Phone number not configured; requests="},
    // Status.
    {"StatusWithoutNumberShowsTheStatus", "load; status", "requests=; balloons=Phone number not configured|Phone number not configured"},
    {"StatusShowsTheAnswerAndTakesItsLink", CONNECTED "; reply:status-answer; status", "requests=n0803|s0803; balloons=Connected|" NOTICE "|Number active: 2 GB left.; link=https://portal.example.net/plan; status=Connected; tips=Connecting...|Connected"},
    {"StatusLeavesTheScheduleAndTheNoticeAlone", CONNECTED "; tick*30; reply:status-answer; status; always:poll-notice-download; tick*30", "requests=n0803|s0803|n0803; balloons=Connected|" NOTICE "|Number active: 2 GB left."},
    {"StatusShowsTheLastDescriptionAndKeepsTheLink", CONNECTED "; reply:status-two-descriptions; status", "balloons=Connected|" NOTICE "|Second answer; link=" SETUP},
    {"StatusFailedOrBlankShowsTheStatusText", CONNECTED "; fail; status; body:<description><![CDATA[   ]]></description>\n; status", "balloons=Connected|" NOTICE "|Connected|Connected; status=Connected"},
    // My Number.
    {"MyNumberSavesTheAnswerAsTypedAndConnects", "load; reply:poll-notice-download; number: 0803 ", "inputs=; file= 0803 \r\n; number= 0803 ; requests=n%200803%20; tips=Connecting...|Phone number not configured|Connecting...|Connected; balloons=Phone number not configured|Connecting...|Connected|" NOTICE},
    {"MyNumberCancelledKeepsTheNumberButRestartsTheStatus", CONNECTED "; number:; tick*58", "inputs=0803; file=0803\r\n; number=0803; status=Connecting...; tips=Connecting...|Connected|Connecting...; requests=n0803"},
    {"MyNumberOfSpacesIsCancelAndTheNextFetchConnects", CONNECTED "; number:   ; reply:poll-notice-download; tick*59", "file=0803\r\n; status=Connected; requests=n0803|n0803"},
    {"MyNumberOffersTheFirstLineAndSavesOneLine", "file:0803\r\n0999\r\nrest; fail; load; fail; number:0711", "inputs=0803; file=0711\r\n; requests=n0803|n0711"},
    {"MyNumberWithoutTheFileShowsTheErrorAndChangesNothing", CONNECTED "; nofile; number:0711", "inputs=; boxes=Error; file=<none>; status=Connected; tips=Connecting...|Connected; balloons=Connected|" NOTICE},
    {"MyNumberShowsAFailureOfAnyKindInTheErrorBox", CONNECTED "; inbox:raise:out of handles; number:0711", "asked=0 out of handles; file=0803\r\n; status=Connected"},
    {"MyNumberCannotWriteShowsTheErrorAfterTheBox", CONNECTED "; inbox:nofile,dirfile; number:0711", "inputs=0803; boxes=Error; status=Connected; number=0803"},
    // Exit and unload.
    {"ExitAnsweredNoGoesOn", CONNECTED "; exit:no; reply:poll-notice-download; tick*60", "boxes=Tarvolin Internet Notifier; ended=0; requests=n0803|n0803"},
    {"TheDialogsSayWhatTheyAsk", CONNECTED "; number:; exit:no; nofile; number:", "prompts=Phone Number/Tarvolin Internet Notifier; asked=4 Are you sure you want to exit Notify|0 No such file or directory; boxes=Tarvolin Internet Notifier|Error"},
    {"ExitAnsweredYesRemovesTheIconAndEndsForGood", CONNECTED "; code:1026; exit:yes; tick*120; code:1029; status; number:1; second", "last=2; ended=1; requests=n0803; opened=; inputs=; balloons=Connected|" NOTICE},
    {"UnloadRemovesTheIconAndNothingRunsAfter", "file:0803\r\n; fail; load; unload; tick; status; code:514", "last=2; ended=0; requests=n0803"},
    {"ASecondStartShowsTheStatus", CONNECTED "; second", "balloons=Connected|" NOTICE "|Connected; requests=n0803"},
    // Tray events: the balloon flag and the links.
    {"BalloonTimeoutClearsIt", CONNECTED "; code:1026; code:1028", "flag=0; opened="},
    {"BalloonHiddenKeepsIt", CONNECTED "; code:1026; code:1027", "flag=-1; opened="},
    {"BalloonClickOpensADownload", CONNECTED "; code:1026; code:1029", "flag=0; opened=" SETUP},
    {"LeftClickOnABalloonOpensAndTheNextRunsStatus", CONNECTED "; code:1026; code:514; reply:status-answer; code:514", "flag=0; opened=" SETUP "; requests=n0803|s0803"},
    {"LeftClickWithoutBalloonRunsStatus", CONNECTED "; reply:status-answer; code:514", "opened=; requests=n0803|s0803"},
    {"CategoryInOtherCaseOpensNothing", WITH_LINK("download", SETUP) "; code:1029", "opened=; flag=0"},
    {"CategoryWithASpaceOpensNothing", WITH_LINK("Download ", SETUP) "; code:1026; code:1029", "opened=; flag=0"},
    {"EmptyLinkOpensNothing", WITH_LINK("Download", "") "; code:1029", "opened="},
    {"LinkWithoutSchemeGetsHttp", WITH_LINK("Download", "dl.example/a") "; code:1029", "opened=http://dl.example/a"},
    {"UnsafeLinkIsNeverOpened", WITH_LINK("Download", "httpd.exe") "; code:1029", "opened="},
    {"RightClickPopsUpTheMenuAndKeepsTheFlag", CONNECTED "; code:1026; code:517", "popups=1; flag=-1"},
    {"MouseUpDoesNothing", CONNECTED "; code:1026; up:7710; up:15435; up:7755", "popups=0; opened=; flag=-1; requests=n0803"},
    // X in twips to a code: the quotient rounds half to even.
    {"XHalfRoundsDownTo514", CONNECTED "; x:7717.5", "requests=n0803|s0803"},
    {"XHalfRoundsUpTo516", CONNECTED "; x:7732.5", "requests=n0803; popups=0"},
    {"XJustAboveHalfRoundsUp", CONNECTED "; x:7747.65", "popups=1"},
    {"XAt120Dpi", CONNECTED "; twips:12; x:6168", "requests=n0803|s0803"},
    {"XOfNoCode", CONNECTED "; x:7680; x:7695; x:-7710; x:3e38; twips:0; x:7710", "requests=n0803; popups=0"},
    // Events inside a modal wait.
    {"TicksInsideAFetchAreSkipped", "file:0803\r\n; inget:tick*5; always:poll-notice-download; load; tick*59", "requests=n0803"},
    {"StatusInsideAPollFetchRuns", "file:0803\r\n; inget:status; reply:poll-notice-download; reply:status-answer; load", "requests=n0803|s0803; balloons=Number active: 2 GB left.|Connected|" NOTICE},
    {"ExitInsideAFetchStopsThePollRun", "file:0803\r\n; inget:exit:yes; reply:poll-notice-download; load", "ended=1; last=2; status=Connecting...; balloons="},
    {"UnloadInsideMyNumbersFetchKeepsTheNumberAndStops", "load; inget:unload; reply:poll-notice-download; number:0803", "file=0803\r\n; last=2; status=Connecting...; balloons=Phone number not configured|Connecting..."},
    {"UnloadInsideTheInputBoxChangesNothing", CONNECTED "; inbox:unload; number:0711", "file=0803\r\n; last=2; status=Connected"},
    {"ATickInsideAnErrorBoxIsSkipped", "dirfile; inbox:tick; load", "boxes=Error; status=Phone number not configured"},
    {"ExitInsideAnErrorBoxEndsThePollRun", "dirfile; inbox:exit:yes; load; tick; number:1", "ended=1; last=2; status=Connecting...; boxes=Error|Tarvolin Internet Notifier; inputs="},
    {"TicksInsideThePopupAreSkippedAndItsCommandRuns", CONNECTED "; inmenu:tick*200; code:517", "requests=n0803"},
    {"ACommandChosenInThePopupRuns", CONNECTED "; inmenu:status; reply:status-answer; code:517", "requests=n0803|s0803"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Window, WindowScenarioTest, ::testing::ValuesIn(Scenarios),
                         [](const auto& row) { return std::string(row.param.name); });

// The number file beside the program, joined by plain concatenation: a folder reported with
// a separator at its end (a drive's root) gives a doubled one.
TEST_F(WindowSteps, TheNumberFileLiesInTheProgramsFolder) {
    const std::u16string separator(1, std::filesystem::path::preferred_separator);
    ports.window.appPath = folder.PathText() + separator;
    Run("load");
    EXPECT_EQ(form.State().numberFilePath, ports.window.appPath + separator + u"MyNumber.txt");
}

std::size_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#elif defined(__GLIBC__)
    return mallinfo2().uordblks;
#else
    return 0;  // no count of the heap here: the walk checks everything else
#endif
}

// The soak: a long random walk of ticks against a service that flaps between notices with
// hostile links, failures and garbage, while the user clicks, asks for the status and sets
// the number, and the number file goes. No crash, no leak (LeakSanitizer), no heap growth;
// every opened link an approved web address; the number file what was last written.
// TARVOLIN_SOAK_RUNS sets the number of runs (20 000 by default).
TEST_F(WindowSteps, ALongRandomWalkNeitherCrashesNorLeaksNorLosesTheNumber) {
    const char* wanted = std::getenv("TARVOLIN_SOAK_RUNS");
    const long runs = wanted != nullptr ? std::strtol(wanted, nullptr, 10) : 20000;
    const std::string links[] = {"http://dl.example/a", "example.com/a b", "file:///etc/passwd",
                                 "javascript:alert(1)", "http://user@evil.example/", "\xC2\x85"};
    const std::string user[] = {"code:1026", "code:1029", "code:514", "status", "number:0711", "nofile"};
    std::mt19937 random(20261206);
    std::string written = "0803\r\n";
    Run("file:0803\r\n; load");
    std::size_t heapAfterWarmUp = 0;
    std::size_t heapPeak = 0;
    std::size_t fetches = 0;
    for (long run = 1; run <= runs && !HasFailure(); ++run) {
        const std::string date = "<lastBuildDate>" + std::to_string(random() % 50) + "</lastBuildDate>\n";
        const std::string notice = "<category>Download</category>\n<link>" + links[random() % 6] +
                                   "</link>\n<description><![CDATA[" + std::string(random() % 3 == 0 ? 40000 : 9, 'x') + "]]></description>\n";
        const std::string garbage(random() % 2048, static_cast<char>(random()));
        Step(random() % 5 == 0 ? "fail" : "body:" + date + (random() % 4 == 0 ? garbage : notice));
        Step("tick");
        ports.transfer.replies.clear();
        if (random() % 100 == 0) {
            const std::string& act = user[random() % 6];
            Step(act);
            if (act == "number:0711") written = "0711\r\n";
            if (act == "nofile") written = "";  // the next run creates it empty
        }
        if (run % 1000 != 0) continue;
        ASSERT_EQ(folder.Read("MyNumber.txt"), written) << "run " << run;
        for (const std::u16string& url : ports.shell.openedUrls) ASSERT_EQ(ApproveLink(url), url);
        fetches += ports.transfer.requests.size();
        ports.shell = FakeShell{};  // the records must not grow with the soak
        ports.transfer.requests.clear();
        ports.dialogs = FakeDialogs{};
        if (run == runs / 10) heapAfterWarmUp = HeapInUse();
        if (run > runs / 10) heapPeak = std::max(heapPeak, HeapInUse());
    }
    for (const auto& [key, value] : {std::pair{"runs", std::size_t(runs)}, {"fetches", fetches},
                                     {"heap_after_warm_up", heapAfterWarmUp}, {"heap_peak", heapPeak}})
        RecordProperty(key, std::to_string(value));
    EXPECT_LE(heapPeak, heapAfterWarmUp + 512 * 1024) << "the heap grows with the runs";
    EXPECT_GT(fetches, static_cast<std::size_t>(runs / 100)) << "the service was hardly asked";
}

}  // namespace
}  // namespace tarvolin::testing
