#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace ostinel::testing {

// A fresh folder for one test's files, removed with everything in it when
// the test ends. Its name carries the test's name, so parallel tests never share one.
class TestFolder {
  public:
    explicit TestFolder(const std::string& prefix) {
        const auto* unit = ::testing::UnitTest::GetInstance();
        path_ = std::filesystem::temp_directory_path() /
                (prefix + "-" + std::to_string(unit->random_seed()) + "-" +
                 unit->current_test_info()->test_suite_name() + "-" +
                 unit->current_test_info()->name());
        std::filesystem::create_directories(path_);
    }
    ~TestFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    // Writes `bytes` as the file `name` in the folder; returns its path.
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        const std::string path = (path_ / name).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }

  private:
    std::filesystem::path path_;
};

}  // namespace ostinel::testing
