// The number file reader on arbitrary file contents: the bytes are written to a real file
// and read as the poll cycle reads them. Whatever the file holds, the read returns its first
// line (up to the first CR) through the code page, shows no box and leaves the file byte for
// byte as it was; writing that line back and reading it again gives the same number.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/NumberStore.h"
#include "ports/CodePage.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/unit/Fakes.h"
#include "tests/unit/TempDir.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvolin;
    using fuzz::Require;
    // One folder for the whole run: a fresh one per input would mostly measure mkdir.
    static const testing::TempDir folder;
    const std::string name = "MyNumber.txt";
    const std::u16string path = (folder.Path() / name).u16string();

    const std::string bytes(reinterpret_cast<const char*>(data), size);
    folder.Write(name, bytes);

    const Utf8CodePage codePage;
    testing::FakeDialogs dialogs;
    NumberStore store(codePage, dialogs);

    const std::u16string expected =
        codePage.ToText(std::string_view(bytes).substr(0, bytes.find('\r')));
    Require(store.ReadFirstLine(path) == expected, "the first line up to the first CR");
    Require(store.ReadNumber(path) == expected, "ReadNumber gives the same line");
    Require(dialogs.msgBoxes.empty(), "a readable file shows no box");
    Require(folder.Read(name) == bytes, "reading leaves the file as it was");

    store.WriteNumber(path, expected);
    Require(folder.Read(name) == codePage.ToBytes(expected) + "\r\n",
            "the file is the number and CR LF");
    Require(store.ReadNumber(path) == expected, "a written number reads back unchanged");
    Require(!folder.Exists(name + ".new"), "no temporary file is left behind");
    Require(dialogs.msgBoxes.empty(), "writing and reading back show no box");
    return 0;
}
