#pragma once
// A fresh folder under the system's temp folder, removed with everything in it at the end;
// and the reply texts and other fixtures kept as files under tests/data/.

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>

namespace tarvolin::testing {

// How many files, folders and links a folder holds.
inline std::ptrdiff_t CountEntries(const std::filesystem::path& folder) {
    return std::distance(std::filesystem::directory_iterator(folder), {});
}

inline std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + file.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class TempDir {
public:
    TempDir() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("tarvolin-test-" + std::to_string(random()) + "-" + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    [[nodiscard]] const std::filesystem::path& Path() const { return path_; }
    [[nodiscard]] std::u16string PathText() const { return path_.u16string(); }

    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path_ / name, std::ios::binary) << bytes;
    }
    [[nodiscard]] std::string Read(const std::string& name) const {
        return Exists(name) ? ReadFile(path_ / name) : std::string();
    }
    [[nodiscard]] bool Exists(const std::string& name) const {
        return std::filesystem::exists(path_ / name);
    }
    // How many files, folders and links a folder in it holds.
    [[nodiscard]] std::ptrdiff_t Count(const std::string& folder = ".") const {
        return CountEntries(path_ / folder);
    }

private:
    std::filesystem::path path_;
};

#ifdef TARVOLIN_TEST_DATA_DIR
inline std::string ReadTestData(const std::string& relativePath) {
    return ReadFile(std::filesystem::path(TARVOLIN_TEST_DATA_DIR) / relativePath);
}
#endif

}  // namespace tarvolin::testing
