// The real window logic over the real Qt transfer against a feed service that never
// answers the poll: the program stays usable, and can end, while it waits.

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

const std::string Unavailable = Utf8(StatusServiceUnavailable);

// The real transfer aimed at the feed service, whose poll path never answers; the Status
// request keeps its own path and query.
class SilentPollTransfer final : public Transfer {
public:
    explicit SilentPollTransfer(std::string base) : base_(std::move(base)) {}
    std::optional<std::string> Get(std::string_view url) override {
        ++requests;
        const std::string path(url.substr(url.find("/dataservices/")));
        return transfer_.Get(base_ +
                             (path.starts_with("/dataservices/notify") ? "/faults/stall" : path));
    }
    int requests = 0;

private:
    std::string base_;
    QtTransfer transfer_{ContractLimits()};
};

// The window on fake ports, with the real transfer and a real number file.
class SilentServiceTest : public ::testing::Test {
protected:
    SilentServiceTest() {
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
    SilentPollTransfer transfer_{service_.Base()};
    frmMain form_{Ports{ports_.window, ports_.dialogs, ports_.shell, transfer_, ports_.codePage}};
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
    EXPECT_EQ(transfer_.requests, 2) << "the tick inside the wait polled";
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
