// The application folder as the window reports it.

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

#include "runtime/win32/AppFolder.h"

namespace tarvolin::testing {
namespace {

TEST(AppFolder, FolderOfPathKeepsASeparatorOnlyAtADriveRoot) {
    const struct {
        std::u16string path;
        std::u16string folder;
    } cases[] = {
        {u"C:\\Program Files\\Tarvolin\\tarvolin-notifier.exe", u"C:\\Program Files\\Tarvolin"},
        {u"C:\\tarvolin-notifier.exe", u"C:\\"},
        {u"Z:\\tmp\\run/tarvolin-notifier.exe", u"Z:\\tmp\\run"},
        {u"\\\\server\\share\\tarvolin-notifier.exe", u"\\\\server\\share"},
        {u"\\\\?\\C:\\long\\tarvolin-notifier.exe", u"\\\\?\\C:\\long"},
        {u"tarvolin-notifier.exe", u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FolderOfPath(c.path), c.folder) << std::filesystem::path(c.path).string();
    }
}

TEST(AppFolder, ExecutableFolderHoldsTheRunningProgram) {
    const std::u16string folder = ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), u'\\');
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(folder) / "win32_tests.exe"));
}

}  // namespace
}  // namespace tarvolin::testing
