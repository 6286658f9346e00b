// The number file, byte for byte: what a read returns and shows, what a write leaves behind,
// and that the stored number survives every failure. Faults that need the file system's
// own means (permissions, devices, links) are in tests/integration/NumberFileFaultsTest.

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

#include "tests/unit/Fakes.h"
#include "tests/unit/TempDir.h"

namespace tarvolin::testing {
namespace {

namespace fs = std::filesystem;

const std::string Longest(MaxNumberBytes, '7');
const std::u16string LongestText(MaxNumberBytes, u'7');

class NumberStoreTest : public ::testing::Test {
protected:
    std::string Write(const std::u16string& value) { return WriteError(store, path, value); }

    TempDir dir;
    Utf8CodePage codePage;
    FakeDialogs dialogs;
    NumberStore store{codePage, dialogs};
    const std::u16string path = (dir.Path() / "MyNumber.txt").u16string();
};

struct ReadCase {
    std::string bytes;
    std::u16string number;
};

TEST_F(NumberStoreTest, ReadsTheFirstLineUpToTheFirstCrAndLeavesTheFile) {
    // clang-format off
    const ReadCase cases[] = {
        {"0803\r\n", u"0803"}, {"0803", u"0803"}, {"7", u"7"}, {" 0803 \r\n", u" 0803 "}, {"", u""},
        {"\r\n0803\r\n", u""}, {"0803\r\n0804\r\n", u"0803"}, {"0803\n0804\n", u"0803\n0804\n"},
        {"0803\n0804\r\n0805", u"0803\n0804"}, {"0803\r0804", u"0803"}, {"\t0803\r\n", u"\t0803"},
        {std::string("08\0" "03\r\n", 7), std::u16string(u"08\0" u"03", 5)},
        {"caf\xC3\xA9\r\n", u"caf\u00e9"}, {Longest, LongestText}, {Longest + "\r\n0803", LongestText},
        {Longest + "7", u""}, {Longest + "7\r\n", u""},  // longer than a number: none
    };
    // clang-format on
    for (const ReadCase& c : cases) {
        dir.Write("MyNumber.txt", c.bytes);
        EXPECT_EQ(Utf8(store.ReadNumber(path)), Utf8(c.number)) << c.bytes;
        EXPECT_EQ(dir.Read("MyNumber.txt"), c.bytes);
    }
    EXPECT_TRUE(dialogs.msgBoxes.empty());
}

struct WriteCase {
    const char* before;  // nullptr: no file
    std::u16string value;
    std::string after;
    std::string error = {};  // the platform's text for the failure, if any
};

TEST_F(NumberStoreTest, AWriteReplacesTheWholeFileWithTheValueAndCrLf) {
    dir.Write("MyNumber.txt.new", "a neighbour");  // the temporary file is never one that is there
    // clang-format off
    const WriteCase cases[] = {
        {"", u"x", "x\r\n"}, {nullptr, u"0803", "0803\r\n"}, {"0803123456\r\nmore\r\n", u"12", "12\r\n"},
        {"0803\r\n", u" 08 03 ", " 08 03 \r\n"}, {"", u"\u00e9\u20ac", "\xC3\xA9\xE2\x82\xAC\r\n"},
        {"", LongestText, Longest + "\r\n"}, {"0803\r\n", LongestText + u"7", "0803\r\n", "File too large"},
    };
    // clang-format on
    for (const WriteCase& c : cases) {
        fs::remove(dir.Path() / "MyNumber.txt");
        if (c.before != nullptr) dir.Write("MyNumber.txt", c.before);
        EXPECT_EQ(Write(c.value), c.error);
        EXPECT_EQ(dir.Read("MyNumber.txt"), c.after);
        EXPECT_EQ(dir.Read("MyNumber.txt.new") + std::to_string(dir.Count()), "a neighbour2");
    }
}

}  // namespace
}  // namespace tarvolin::testing
