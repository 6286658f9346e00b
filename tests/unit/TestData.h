#pragma once
// Reply texts and other fixtures kept as files under tests/data/.

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace tarvolin::testing {

inline std::string ReadTestData(const std::string& relativePath) {
    const std::string path = std::string(TARVOLIN_TEST_DATA_DIR) + "/" + relativePath;
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("missing test data file " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace tarvolin::testing
