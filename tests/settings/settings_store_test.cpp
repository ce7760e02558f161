#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/manual/memory_settings_store.h"
#include "platform/real/file_settings_store.h"
#include "support/test_folder.h"

namespace ostinel::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Names = std::vector<std::string>;

std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void PutText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// The rules every backend keeps, run on both.
void CheckStoreRules(SettingsStore& store) {
    EXPECT_FALSE(store.Read("System Variables", ".").has_value());
    EXPECT_TRUE(store.Keys().empty());
    ASSERT_TRUE(store.Write("System Variables", "Zeta", Bytes{1}));
    ASSERT_TRUE(store.Write("System Variables", "Alpha", Bytes{2, 3}));
    ASSERT_TRUE(store.Write("Remote Commands", "Zeta", Bytes{}));
    ASSERT_TRUE(store.Write("System Variables", "Zeta", Bytes{9, 9}));
    EXPECT_EQ(store.ValueNames("System Variables"), (Names{"Zeta", "Alpha"}));
    EXPECT_EQ(store.Keys(), (Names{"System Variables", "Remote Commands"}));
    EXPECT_EQ(store.Read("System Variables", "Zeta"), (Bytes{9, 9}));
    EXPECT_EQ(store.Read("Remote Commands", "Zeta"), Bytes{});
    EXPECT_FALSE(store.Read("Remote Commands", "Alpha").has_value());

    EXPECT_TRUE(store.Remove("System Variables", "Zeta"));
    EXPECT_TRUE(store.Remove("System Variables", "never there"));
    EXPECT_EQ(store.ValueNames("System Variables"), (Names{"Alpha"}));
    EXPECT_TRUE(store.Remove("Remote Commands", "Zeta"));
    EXPECT_EQ(store.Keys(), (Names{"System Variables"}));
    EXPECT_TRUE(store.RemoveKey("System Variables"));
    EXPECT_TRUE(store.Keys().empty());
    EXPECT_TRUE(store.ValueNames("System Variables").empty());
}

TEST(MemorySettingsStore, KeepsTheStoreRules) {
    MemorySettingsStore store;
    CheckStoreRules(store);
}

TEST(MemorySettingsStore, FailingChangesLeaveEverythingAsItWas) {
    MemorySettingsStore store;
    ASSERT_TRUE(store.Write("K", "v", Bytes{1}));
    store.SetChangesFail(true);
    EXPECT_FALSE(store.Write("K", "v", Bytes{2}));
    EXPECT_FALSE(store.Remove("K", "v"));
    EXPECT_FALSE(store.RemoveKey("K"));
    EXPECT_EQ(store.Read("K", "v"), Bytes{1});
    EXPECT_EQ(store.WriteCount(), 1);
}

TEST(FileSettingsStore, KeepsTheStoreRules) {
    const ostinel::testing::TestFolder folder("settings-store");
    FileSettingsStore store((folder / "settings.txt").string());
    EXPECT_EQ(store.State(), FileSettingsStore::FileState::Missing);
    CheckStoreRules(store);
}

TEST(FileSettingsStore, WritesTheDocumentedFormatAndReadsItBack) {
    const ostinel::testing::TestFolder folder("settings-store");
    const auto path = folder / "deep" / "folder" / "settings.txt";
    {
        FileSettingsStore store(path.string());
        ASSERT_TRUE(store.Write("System Variables", "My set", Bytes{0x00, 0xAB}));
        ASSERT_TRUE(store.Write("File Path", ".", Bytes{}));
        ASSERT_TRUE(store.Write("Odd", "100%\n\xC3\xA9", Bytes{0xFF}));
    }
    EXPECT_EQ(FileText(path),
              "Ostinel settings 1\n"
              "System%20Variables My%20set 00AB\n"
              "File%20Path . \n"
              "Odd 100%25%0A%C3%A9 FF\n"
              "end\n");
    const FileSettingsStore again(path.string());
    EXPECT_EQ(again.State(), FileSettingsStore::FileState::Read);
    EXPECT_EQ(again.Keys(), (Names{"System Variables", "File Path", "Odd"}));
    EXPECT_EQ(again.Read("System Variables", "My set"), (Bytes{0x00, 0xAB}));
    EXPECT_EQ(again.Read("File Path", "."), Bytes{});
    EXPECT_EQ(again.Read("Odd", "100%\n\xC3\xA9"), Bytes{0xFF});
    EXPECT_FALSE(std::filesystem::exists(path.string() + ".tmp"));
}

TEST(FileSettingsStore, DamagedFilesReadAsEmptyAndAreKeptAsideOnTheNextWrite) {
    const std::vector<std::string> damaged{
        "",
        "Ostinel settings 1\nK v 00\n",                        // cut before "end"
        "Ostinel settings 1\nK v 00\nend",                     // no final line break
        "Ostinel settings 2\nK v 00\nend\n",                   // another version
        "Ostinel settings 1\nK v 0\nend\n",                    // odd number of digits
        "Ostinel settings 1\nK v 0G\nend\n",                   // not hex
        "Ostinel settings 1\nK v\nend\n",                      // missing field
        "Ostinel settings 1\nK%2 v 00\nend\n",                 // broken escape
        "Ostinel settings 1\nK v 00 11\nend\n",                // space inside the bytes
        "Ostinel settings 1\n K v 00\nend\n",                  // empty key
        std::string("Ostinel settings 1\nK\x01 v 00\nend\n"),  // control byte
    };
    for (const std::string& text : damaged) {
        SCOPED_TRACE(text);
        const ostinel::testing::TestFolder folder("settings-store");
        const auto path = folder / "settings.txt";
        PutText(path, text);
        FileSettingsStore store(path.string());
        EXPECT_EQ(store.State(), FileSettingsStore::FileState::Damaged);
        EXPECT_TRUE(store.Keys().empty());
        EXPECT_FALSE(store.Read("K", "v").has_value());
        // Reading and removing nothing leave the file alone.
        EXPECT_TRUE(store.Remove("K", "v"));
        EXPECT_EQ(FileText(path), text);
        ASSERT_TRUE(store.Write("K", "w", Bytes{7}));
        EXPECT_EQ(FileText(path.string() + ".damaged"), text);
        EXPECT_EQ(FileSettingsStore(path.string()).Read("K", "w"), Bytes{7});
    }
}

TEST(FileSettingsStore, AnEmptyStoreFileIsValid) {
    const ostinel::testing::TestFolder folder("settings-store");
    const auto path = folder / "settings.txt";
    PutText(path, "Ostinel settings 1\nend\n");
    const FileSettingsStore store(path.string());
    EXPECT_EQ(store.State(), FileSettingsStore::FileState::Read);
    EXPECT_TRUE(store.Keys().empty());
}

TEST(FileSettingsStore, AFailedWriteLeavesTheOldFileAndTheStoreAsTheyWere) {
    const ostinel::testing::TestFolder folder("settings-store");
    const auto path = folder / "settings.txt";
    FileSettingsStore store(path.string());
    ASSERT_TRUE(store.Write("K", "v", Bytes{1}));
    const std::string before = FileText(path);
    // A folder where the temporary file must go makes the write fail.
    std::filesystem::create_directory(path.string() + ".tmp");
    EXPECT_FALSE(store.Write("K", "v", Bytes{2}));
    EXPECT_FALSE(store.Write("K", "other", Bytes{3}));
    EXPECT_FALSE(store.RemoveKey("K"));
    EXPECT_EQ(FileText(path), before);
    EXPECT_EQ(store.Read("K", "v"), Bytes{1});
    EXPECT_FALSE(store.Read("K", "other").has_value());
    EXPECT_TRUE(std::filesystem::is_directory(path.string() + ".tmp"));
    std::filesystem::remove(path.string() + ".tmp");
    EXPECT_TRUE(store.Write("K", "v", Bytes{2}));
    EXPECT_EQ(FileSettingsStore(path.string()).Read("K", "v"), Bytes{2});
}

TEST(FileSettingsStore, ATooLongFileIsDamaged) {
    const ostinel::testing::TestFolder folder("settings-store");
    const auto path = folder / "settings.txt";
    std::string text = "Ostinel settings 1\nK v ";
    text.append(FileSettingsStore::kMaxFileBytes, '0');
    text += "\nend\n";
    PutText(path, text);
    EXPECT_EQ(FileSettingsStore(path.string()).State(), FileSettingsStore::FileState::Damaged);
}

TEST(FileSettingsStore, WithoutAPathEveryChangeFails) {
    FileSettingsStore store("");
    EXPECT_FALSE(store.Write("K", "v", Bytes{1}));
    EXPECT_FALSE(store.Read("K", "v").has_value());
}

// Restores one environment variable when the test ends.
class SavedVariable {
  public:
    explicit SavedVariable(const char* name) : name_(name) {
        if (const char* value = std::getenv(name)) saved_ = value;
    }
    ~SavedVariable() {
        if (saved_) {
            ::setenv(name_, saved_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

  private:
    const char* name_;
    std::optional<std::string> saved_;
};

TEST(FileSettingsStore, DefaultPathFollowsTheUsersConfigFolder) {
    const SavedVariable configHome("XDG_CONFIG_HOME");
    const SavedVariable home("HOME");
    ::setenv("HOME", "/home/player", 1);
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(FileSettingsStore::DefaultPath(), "/cfg/Quarnet/Ostinel/1.0/settings.txt");
    ::setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(FileSettingsStore::DefaultPath(),
              "/home/player/.config/Quarnet/Ostinel/1.0/settings.txt");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(FileSettingsStore::DefaultPath(),
              "/home/player/.config/Quarnet/Ostinel/1.0/settings.txt");
    ::unsetenv("HOME");
    EXPECT_EQ(FileSettingsStore::DefaultPath(), "");
}

}  // namespace
}  // namespace ostinel::platform
