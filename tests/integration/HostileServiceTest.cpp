// The real window logic over the real Qt transfer against the feed service: what the
// subscriber sees (status, balloons) when the poll meets a fault, that no poll outlasts the
// time limit or touches the number file, that a failed poll recovers on the next tick, and
// that the program stays usable, and can end, while the service is silent.

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/frmMain.h"
#include "runtime/qt/QtTransfer.h"
#include "tests/integration/TransferContract.h"
#include "tests/integration/TransferFixture.h"
#include "tests/unit/Fakes.h"
#include "tests/unit/TempDir.h"

namespace tarvolin::test {
namespace {

using namespace std::chrono_literals;
using testing::Utf8;

const std::string Notice = "Your bundle renews tomorrow.";
const std::string Connected = Utf8(StatusConnected);
const std::string Unavailable = Utf8(StatusServiceUnavailable);

// The real transfer aimed at the feed service: the poll asks for the fault path in
// `notifyTarget`, every other request keeps its path and query.
class RoutedTransfer final : public Transfer {
public:
    explicit RoutedTransfer(std::string base) : base_(std::move(base)) {}
    std::optional<std::string> Get(std::string_view url) override {
        std::string path(url.substr(url.find("/dataservices/")));
        if (path.starts_with("/dataservices/notify")) path = notifyTarget;
        targets.push_back(path);
        return transfer_.Get(base_ + path);
    }

    std::string notifyTarget = "/faults/feed";
    std::vector<std::string> targets;  // every path asked for

private:
    std::string base_;
    QtTransfer transfer_{ContractLimits()};
};

// The window on fake ports, with the real transfer and a real number file.
class WindowTest : public ::testing::Test {
protected:
    WindowTest() {
        ports_.window.appPath = folder_.PathText();
        folder_.Write("MyNumber.txt", "0803\r\n");
    }
    std::vector<std::string> Balloons() const {
        std::vector<std::string> texts;
        for (const auto& balloon : ports_.shell.Balloons()) texts.push_back(Utf8(balloon));
        return texts;
    }

    FeedService service_;
    testing::TempDir folder_;
    testing::FakePorts ports_;
    RoutedTransfer transfer_{service_.Base()};
    frmMain form_{Ports{ports_.window, ports_.dialogs, ports_.shell, transfer_, ports_.codePage}};
};

// What the subscriber sees of a fault, within the time limit; a failed poll recovers on the
// next tick; the number file is never touched.
TEST_F(WindowTest, FaultsShowAsStatusesWithinTheLimitAndRecover) {
    // clang-format off
    const std::pair<const char*, std::vector<std::string>> rows[] = {
        {"/faults/feed", {Connected, Notice}}, {"/faults/bytes/1048576", {Connected}},
        {"/faults/status/500", {Unavailable, Connected, Notice}}, {"/faults/raw/garbage-status", {Unavailable, Connected, Notice}},
        {"/faults/stall", {Unavailable, Connected, Notice}},
    };
    // clang-format on
    for (const auto& [target, balloons] : rows) {
        ports_.shell = {};
        frmMain form(
            Ports{ports_.window, ports_.dialogs, ports_.shell, transfer_, ports_.codePage});
        transfer_.notifyTarget = target;
        const auto started = std::chrono::steady_clock::now();
        form.Form_Load();  // start-up polls at once
        EXPECT_LT(std::chrono::steady_clock::now() - started, ContractLimits().timeout + 2s)
            << target;
        transfer_.notifyTarget = "/faults/feed";
        if (balloons.front() == Unavailable) form.Timer1_Timer();
        EXPECT_EQ(Balloons(), balloons) << target;
    }
    EXPECT_TRUE(ports_.dialogs.msgBoxes.empty());
    EXPECT_EQ(folder_.Read("MyNumber.txt"), "0803\r\n");
}

class SilentServiceTest : public WindowTest {
protected:
    SilentServiceTest() { transfer_.notifyTarget = "/faults/stall"; }
};

// Status chosen from the menu while the poll waits: it is answered at once, the tick that
// arrives meanwhile is skipped, and the poll still ends at its limit.
TEST_F(SilentServiceTest, StatusIsAnsweredWhileThePollWaits) {
    QTimer timer;
    DuringTheWait(timer, [this] {
        form_.mnuStatus_Click();
        form_.Timer1_Timer();
    });
    form_.Form_Load();

    EXPECT_EQ(Balloons(),
              (std::vector<std::string>{"Number 0803: data service active", Unavailable}));
    EXPECT_EQ(transfer_.targets.size(), 2U) << "the tick inside the wait polled";
}

// The session ends while the poll waits: the poll gives up at once and shows nothing more.
TEST_F(SilentServiceTest, EndOfSessionEndsTheWaitAtOnce) {
    QTimer timer;
    DuringTheWait(timer, [this] {
        std::int16_t cancel = 0;
        form_.Form_Unload(cancel);
        QCoreApplication::exit(0);
    });
    const auto started = std::chrono::steady_clock::now();
    form_.Form_Load();
    const auto elapsed = std::chrono::steady_clock::now() - started;
    ClearEndOfProgram();

    EXPECT_LT(elapsed, ContractLimits().timeout / 2);
    EXPECT_TRUE(Balloons().empty());
    EXPECT_EQ(ports_.shell.notifyCalls.back().message, NimDelete);
}

}  // namespace
}  // namespace tarvolin::test
