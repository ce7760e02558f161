#pragma once

// Runs a test program's Qt tests on the offscreen platform, with a private
// runtime folder so that Qt has nothing to complain about.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace ostinel::testing {

inline int RunOffscreenQtTests(int argc, char* argv[], const std::string& folderPrefix) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::string runtime =
        (std::filesystem::temp_directory_path() / (folderPrefix + "-XXXXXX")).string();
    if (mkdtemp(runtime.data()) != nullptr) {
        chmod(runtime.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(runtime, ignored);
    return result;
}

}  // namespace ostinel::testing
