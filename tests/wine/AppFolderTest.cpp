// The key of the program folder that allows one notifier per folder.

#include <gtest/gtest.h>
#include <string>
#include <windows.h>

#include "runtime/win32/AppFolder.h"
#include "runtime/win32/SingleInstance.h"

namespace tarvolin::testing {
namespace {

TEST(AppFolder, HasOneKeyWhateverItsSpelling) {
    const std::u16string folder = ExecutableFolder();
    std::wstring shortName(MAX_PATH, L'\0');
    shortName.resize(GetShortPathNameW(reinterpret_cast<const wchar_t*>(folder.c_str()),
                                       shortName.data(), MAX_PATH));
    EXPECT_EQ(FolderKey(std::u16string(shortName.begin(), shortName.end())), FolderKey(folder));
    const std::wstring key = FolderKey(u"C:\\Tools\\Tarvolin");
    for (const char16_t* same :
         {u"c:\\TOOLS\\tarvolin", u"C:/Tools/Tarvolin/", u"C:\\Tools\\x\\..\\Tarvolin"}) {
        EXPECT_EQ(FolderKey(same), key);
    }
    for (const char16_t* other : {u"C:\\Tools\\Tarvolin2", u"C:\\Tools", u"D:\\Tools\\Tarvolin"}) {
        EXPECT_NE(FolderKey(other), key);
    }
}

}  // namespace
}  // namespace tarvolin::testing
