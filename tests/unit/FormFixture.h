#pragma once
// A frmMain on fake ports, with its program folder in a fresh temp folder.

#include <gtest/gtest.h>
#include <string>

#include "app/frmMain.h"
#include "tests/unit/Fakes.h"
#include "tests/unit/TempDir.h"
#include "tests/unit/TestData.h"

namespace tarvolin::testing {

class FormTest : public ::testing::Test {
protected:
    FormTest() { ports.window.appPath = folder.PathText(); }

    void WriteNumberFile(const std::string& bytes) { folder.Write("MyNumber.txt", bytes); }
    [[nodiscard]] std::string NumberFileBytes() const { return folder.Read("MyNumber.txt"); }

    // Queue the reply of the next request from a fixture file.
    void QueueReply(const std::string& fixture) {
        ports.transfer.replies.emplace_back(ReadTestData("replies/" + fixture));
    }
    void QueueFailure() { ports.transfer.replies.emplace_back(std::nullopt); }

    void Tick(int times = 1) {
        for (int i = 0; i < times; ++i) form.Timer1_Timer();
    }

    [[nodiscard]] std::size_t Requests() const { return ports.transfer.requests.size(); }
    [[nodiscard]] std::vector<std::u16string> Balloons() const { return ports.shell.Balloons(); }
    [[nodiscard]] std::vector<std::u16string> Tooltips() const { return ports.shell.Tooltips(); }
    [[nodiscard]] const NotifierState& State() const { return form.State(); }

    TempDir folder;
    FakePorts ports;
    frmMain form{ports.ports()};
};

}  // namespace tarvolin::testing
