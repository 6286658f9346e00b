// The number file, byte for byte: the first line up to CR, creation of a missing file, the
// "Error" box with the platform's text, and writes that never lose the old number.

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <system_error>

#include "app/NumberStore.h"
#include "app/frmMain.h"
#include "tests/unit/Fakes.h"
#include "tests/unit/TempDir.h"

namespace tarvolin::testing {
namespace {

namespace fs = std::filesystem;

// The platform's text for an error, as the box shows it.
std::u16string PlatformText(std::errc error) {
    return Utf8CodePage{}.ToText(std::make_error_code(error).message());
}

class NumberStoreTest : public ::testing::Test {
protected:
    [[nodiscard]] std::u16string PathOf(const std::string& name) const {
        return (dir.Path() / name).u16string();
    }

    void ExpectOneErrorBox(std::u16string_view text) const {
        ASSERT_EQ(dialogs.msgBoxes.size(), 1U);
        EXPECT_EQ(Utf8(dialogs.msgBoxes[0].text), Utf8(text));
        EXPECT_EQ(dialogs.msgBoxes[0].buttons, MsgBoxOkOnly);
        EXPECT_EQ(dialogs.msgBoxes[0].title, u"Error");
    }

    TempDir dir;
    Utf8CodePage codePage;
    FakeDialogs dialogs;
    NumberStore store{codePage, dialogs};
    const std::u16string path = PathOf("MyNumber.txt");
};

struct ReadCase {
    const char* name;
    std::string bytes;
    std::u16string number;
};

class NumberStoreReadTest : public NumberStoreTest,
                            public ::testing::WithParamInterface<ReadCase> {};

TEST_P(NumberStoreReadTest, ReadsTheFirstLineAndLeavesTheFile) {
    dir.Write("MyNumber.txt", GetParam().bytes);
    EXPECT_EQ(Utf8(store.ReadNumber(path)), Utf8(GetParam().number));
    EXPECT_TRUE(dialogs.msgBoxes.empty());
    EXPECT_EQ(dir.Read("MyNumber.txt"), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    NumberStoreTest, NumberStoreReadTest,
    ::testing::Values(ReadCase{"CrLfEnded", "0803\r\n", u"0803"},
                      ReadCase{"NoLineEnd", "0803", u"0803"},
                      ReadCase{"SpacesKept", " 0803 \r\n", u" 0803 "},
                      ReadCase{"ZeroLength", "", u""},
                      ReadCase{"OnlyALineEnd", "\r\n0803\r\n", u""},
                      ReadCase{"SeveralLinesFirstOnly", "0803\r\n0804\r\n", u"0803"},
                      ReadCase{"LoneLfStaysInTheLine", "0803\n0804\n", u"0803\n0804\n"},
                      ReadCase{"LfLinesUpToTheFirstCr", "0803\n0804\r\n0805", u"0803\n0804"},
                      ReadCase{"LoneCrEndsTheLine", "0803\r0804", u"0803"},
                      ReadCase{"TabKept", "\t0803\r\n", u"\t0803"},
                      ReadCase{"NulKept",
                               std::string("08\0"
                                           "03\r\n",
                                           7),
                               std::u16string(u"08\0"
                                              u"03",
                                              5)},
                      ReadCase{"Utf8Text", "caf\xC3\xA9\r\n", u"caf\u00e9"}),
    [](const ::testing::TestParamInfo<ReadCase>& caseInfo) {
        return std::string(caseInfo.param.name);
    });

TEST_F(NumberStoreTest, MissingFileIsCreatedEmptyWithoutABox) {
    EXPECT_EQ(store.ReadNumber(path), u"");
    EXPECT_TRUE(dialogs.msgBoxes.empty());
    ASSERT_TRUE(dir.Exists("MyNumber.txt"));
    EXPECT_EQ(dir.Read("MyNumber.txt"), "");
}

TEST_F(NumberStoreTest, ReadFirstLineOfAMissingFileThrowsAndCreatesNothing) {
    try {
        (void)store.ReadFirstLine(path);
        ADD_FAILURE() << "no error";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::errc::no_such_file_or_directory);
    }
    EXPECT_FALSE(dir.Exists("MyNumber.txt"));
}

TEST_F(NumberStoreTest, MissingFileInAMissingFolderShowsTheErrorBox) {
    EXPECT_EQ(store.ReadNumber(PathOf("gone/MyNumber.txt")), u"");
    ExpectOneErrorBox(PlatformText(std::errc::no_such_file_or_directory));
    EXPECT_FALSE(dir.Exists("gone"));
}

TEST_F(NumberStoreTest, DirectoryInPlaceOfTheFileShowsTheErrorBox) {
    fs::create_directory(dir.Path() / "MyNumber.txt");
    EXPECT_EQ(store.ReadNumber(path), u"");
    ExpectOneErrorBox(PlatformText(std::errc::is_a_directory));
    EXPECT_TRUE(fs::is_directory(dir.Path() / "MyNumber.txt"));
}

TEST_F(NumberStoreTest, DeviceInPlaceOfTheFileIsRefusedWithoutReading) {
    const fs::path device = "/dev/null";
    std::error_code ignored;
    if (!fs::is_character_file(device, ignored)) GTEST_SKIP() << "no /dev/null here";
    EXPECT_EQ(store.ReadNumber(device.u16string()), u"");
    ExpectOneErrorBox(PlatformText(std::errc::invalid_argument));
}

TEST_F(NumberStoreTest, UnreadableFileShowsTheErrorBoxAndStaysAsItIs) {
    dir.Write("MyNumber.txt", "0803\r\n");
    fs::permissions(dir.Path() / "MyNumber.txt", fs::perms::none);
    if (std::ifstream(dir.Path() / "MyNumber.txt")) {
        GTEST_SKIP() << "permissions do not stop reads here (running as root?)";
    }
    EXPECT_EQ(store.ReadNumber(path), u"");
    ExpectOneErrorBox(PlatformText(std::errc::permission_denied));
    fs::permissions(dir.Path() / "MyNumber.txt", fs::perms::owner_read);
    EXPECT_EQ(dir.Read("MyNumber.txt"), "0803\r\n");
}

TEST_F(NumberStoreTest, CreateNumberFileCreatesAnEmptyFile) {
    store.CreateNumberFile(path);
    EXPECT_TRUE(dialogs.msgBoxes.empty());
    ASSERT_TRUE(dir.Exists("MyNumber.txt"));
    EXPECT_EQ(dir.Read("MyNumber.txt"), "");
}

TEST_F(NumberStoreTest, CreateNumberFileEmptiesAnExistingFile) {
    dir.Write("MyNumber.txt", "0803\r\n");
    store.CreateNumberFile(path);
    EXPECT_TRUE(dialogs.msgBoxes.empty());
    EXPECT_EQ(dir.Read("MyNumber.txt"), "");
}

TEST_F(NumberStoreTest, CreateNumberFileInAMissingFolderShowsTheErrorBox) {
    store.CreateNumberFile(PathOf("gone/MyNumber.txt"));
    ExpectOneErrorBox(PlatformText(std::errc::no_such_file_or_directory));
}

struct WriteCase {
    const char* name;
    std::string before;  // "-" for no file
    std::u16string value;
    std::string after;
};

class NumberStoreWriteTest : public NumberStoreTest,
                             public ::testing::WithParamInterface<WriteCase> {};

TEST_P(NumberStoreWriteTest, ReplacesTheWholeFile) {
    if (GetParam().before != "-") dir.Write("MyNumber.txt", GetParam().before);
    store.WriteNumber(path, GetParam().value);
    EXPECT_EQ(dir.Read("MyNumber.txt"), GetParam().after);
    EXPECT_FALSE(dir.Exists("MyNumber.txt.new"));
    EXPECT_TRUE(dialogs.msgBoxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    NumberStoreTest, NumberStoreWriteTest,
    ::testing::Values(WriteCase{"OneCharacter", "", u"x", "x\r\n"},
                      WriteCase{"NewFile", "-", u"0803", "0803\r\n"},
                      WriteCase{"LongerFileReplaced", "0803123456\r\nmore\r\n", u"12", "12\r\n"},
                      WriteCase{"SpacesKeptAsTyped", "0803\r\n", u" 08 03 ", " 08 03 \r\n"},
                      WriteCase{"NonAsciiInTheCodePage", "", u"\u00e9\u20ac",
                                "\xC3\xA9\xE2\x82\xAC\r\n"}),
    [](const ::testing::TestParamInfo<WriteCase>& caseInfo) {
        return std::string(caseInfo.param.name);
    });

TEST_F(NumberStoreTest, WriteIntoAMissingFolderThrows) {
    try {
        store.WriteNumber(PathOf("gone/MyNumber.txt"), u"0803");
        ADD_FAILURE() << "no error";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::errc::no_such_file_or_directory);
    }
    EXPECT_FALSE(dir.Exists("gone"));
}

TEST_F(NumberStoreTest, WriteThatCannotMakeItsTemporaryFileKeepsTheOldNumber) {
    dir.Write("MyNumber.txt", "0803\r\n");
    fs::create_directory(dir.Path() / "MyNumber.txt.new");  // blocks the temporary file
    EXPECT_THROW(store.WriteNumber(path, u"9999"), std::system_error);
    EXPECT_EQ(dir.Read("MyNumber.txt"), "0803\r\n");
    EXPECT_TRUE(fs::is_directory(dir.Path() / "MyNumber.txt.new"));  // not ours to remove
}

TEST_F(NumberStoreTest, WriteThatCannotReplaceTheFileRemovesItsTemporaryFile) {
    fs::create_directory(dir.Path() / "MyNumber.txt");
    dir.Write("MyNumber.txt/keep", "kept");
    EXPECT_THROW(store.WriteNumber(path, u"9999"), std::system_error);
    EXPECT_EQ(dir.Read("MyNumber.txt/keep"), "kept");
    EXPECT_FALSE(dir.Exists("MyNumber.txt.new"));
}

TEST_F(NumberStoreTest, WriteInAReadOnlyFolderThrowsAndKeepsTheOldNumber) {
    dir.Write("MyNumber.txt", "0803\r\n");
    fs::permissions(dir.Path(), fs::perms::owner_read | fs::perms::owner_exec);
    if (std::ofstream(dir.Path() / "probe")) {
        GTEST_SKIP() << "permissions do not stop writes here (running as root?)";
    }
    try {
        store.WriteNumber(path, u"9999");
        ADD_FAILURE() << "no error";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::errc::permission_denied);
    }
    fs::permissions(dir.Path(), fs::perms::owner_all);
    EXPECT_EQ(dir.Read("MyNumber.txt"), "0803\r\n");
    EXPECT_FALSE(dir.Exists("MyNumber.txt.new"));
}

// The window's routines work on the file beside the program.
TEST(NumberStoreWindowTest, RoutinesUseTheFileInTheApplicationFolder) {
    TempDir dir;
    FakePorts ports;
    ports.window.appPath = dir.PathText();
    frmMain form(ports.ports());
    form.Form_Load();  // no file yet: created empty
    ASSERT_TRUE(dir.Exists("MyNumber.txt"));

    form.WriteNumber(u"0803");
    EXPECT_EQ(dir.Read("MyNumber.txt"), "0803\r\n");
    EXPECT_EQ(form.ReadNumber(), u"0803");
    EXPECT_TRUE(ports.dialogs.msgBoxes.empty());
}

}  // namespace
}  // namespace tarvolin::testing
