#include "cli/settings_command.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <variant>

#include "cli/exit_codes.h"
#include "cli/settings_text.h"
#include "cli/system_settings_fields.h"
#include "platform/real/file_settings_store.h"
#include "settings/piece_settings_file.h"
#include "smf_builder.h"
#include "strings/string_ids.h"
#include "strings/string_table.h"
#include "support/test_folder.h"

namespace ostinel::cli {
namespace {

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void PutText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// The store of these tests lives in the test's own folder.
class SettingsCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const char* value = std::getenv("XDG_CONFIG_HOME")) saved_ = value;
        ::setenv("XDG_CONFIG_HOME", (folder_ / "config").c_str(), 1);
    }
    void TearDown() override {
        if (saved_) {
            ::setenv("XDG_CONFIG_HOME", saved_->c_str(), 1);
        } else {
            ::unsetenv("XDG_CONFIG_HOME");
        }
    }

    int Run(std::vector<std::string_view> args) {
        out_.clear();
        err_.clear();
        return RunSettingsCommand(args, out_, err_);
    }

    int RunPiece(std::vector<std::string_view> args) {
        out_.clear();
        err_.clear();
        return RunPieceSettingsCommand(args, out_, err_);
    }

    // A current set and two named ones, every field away from its default somewhere.
    void FillStore() {
        platform::FileSettingsStore store(platform::FileSettingsStore::DefaultPath());
        SystemSettingsState state;
        state.filePath = "/music/with \"quotes\" and ]/piece.mid";
        state.settings.autoStopDelayMs = 12345;
        state.settings.thruChannel = 4;
        state.settings.channelEnabled[17] = 0;
        state.settings.reserved232 = {9, 8, 7, 6};
        state.remote[2] = 300;
        state.remote[5] = 61;
        state.remote[13] = 999;  // neither a note nor a controller: kept as it is
        const MidiDeviceNames devices{{"Keyboard"}, {"Synth", "Module\ttwo"}};
        state.settings.outputDevice[1] = 1;
        ASSERT_TRUE(StoreSystemSettings(store, ".", state, devices));
        state.settings.loopOn = 1;
        ASSERT_TRUE(StoreSystemSettings(store, "Church [big]", state, devices));
        state.settings.tapSource = 5;
        ASSERT_TRUE(StoreSystemSettings(store, "Hall", state, devices));
        ASSERT_TRUE(StoreMainWindow(store, {10, 20, -800, 600}));
    }

    std::string StorePath() const { return platform::FileSettingsStore::DefaultPath(); }

    testing::TestFolder folder_{"ostinel-settings-command"};
    std::optional<std::string> saved_;
    std::string out_;
    std::string err_;
};

TEST_F(SettingsCommand, ExportThenImportGivesBackEveryStoredValue) {
    FillStore();
    const std::string exported = (folder_ / "backup.txt").string();
    ASSERT_EQ(Run({"export", exported}), kExitSuccess) << err_;
    const std::string text = FileText(exported);
    EXPECT_NE(text.find("\n[Church [big\\]]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("autoStopDelayMs = 12345\n"), std::string::npos);
    EXPECT_NE(text.find("channelEnabled.B = 1 0 1 1"), std::string::npos);
    EXPECT_NE(text.find("remote.playPerformance = controller 44\n"), std::string::npos);
    EXPECT_NE(text.find("remote.stop = note 61\n"), std::string::npos);
    EXPECT_NE(text.find("remote.specialSignal = 999\n"), std::string::npos);
    EXPECT_NE(text.find("outputDeviceName.B = \"Module\\x09two\"\n"), std::string::npos);
    EXPECT_NE(text.find("mainWindow = 10 20 -800 600\n"), std::string::npos);

    const platform::FileSettingsStore before(StorePath());
    std::filesystem::remove(StorePath());
    ASSERT_EQ(Run({"import", exported}), kExitSuccess) << err_;
    const platform::FileSettingsStore after(StorePath());
    for (const std::string& key : before.Keys()) {
        EXPECT_EQ(after.ValueNames(key), before.ValueNames(key)) << key;
        for (const std::string& name : before.ValueNames(key))
            EXPECT_EQ(after.Read(key, name), before.Read(key, name)) << key << " " << name;
    }
    EXPECT_EQ(after.Keys().size(), before.Keys().size() + 1);  // and the version stamp
    ASSERT_EQ(Run({"export", (folder_ / "again.txt").string()}), kExitSuccess);
    EXPECT_EQ(FileText((folder_ / "again.txt").string()), text);
}

TEST_F(SettingsCommand, AFileWithABadLineIsNamedAndChangesNothing) {
    FillStore();
    const std::string storeBefore = FileText(StorePath());
    struct Case {
        std::string text;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"format = 1\n[.]\nloopOn = 2\n",
         "line 3: loopOn: \"2\" is not a whole number from 0 to 1"},
        {"format = 1\n\n[Hall]\nloopsOn = 1\n", "line 4: \"loopsOn\" is no setting"},
        {"[Hall]\n", "line 1: the file must start with \"format = 1\""},
        {"format = 2\n", "line 1: format 2 is not known"},
        {"format = 1\n[Hall]\nsyncPort = -2\nsyncPort = 1\n",
         "line 4: \"syncPort\" is given twice"},
        {"format = 1\n[Hall]\nfilePath = \"/a.mid\"\n",
         "line 3: only the set [.] keeps a file path"},
        {"format = 1\n[Hall]\ninputDevice = 0 0 0\n", "line 3: inputDevice takes 8 whole numbers"},
        {"format = 1\n[Hall]\nremote.stop = note 128\n", "line 3: remote.stop takes none, note N"},
        {"format = 1\n[Hall]\ninputDeviceName.J = \"x\"\n",
         "line 3: \"inputDeviceName.J\" names no port"},
        {"format = 1\n[Hall]\n[Hall]\n", "line 3: the set [Hall] is given twice"},
        {"format = 1\n[Hall\n", "line 2: a set name must be written as [name]"},
        {"format = 1\nloopOn = 1\n", "line 2: \"loopOn\" comes before the first [set name]"},
        {"# only a comment\n", "the file has no \"format = 1\" line"},
    };
    const std::string file = (folder_ / "bad.txt").string();
    for (const Case& each : cases) {
        PutText(file, each.text);
        EXPECT_EQ(Run({"import", file}), kExitBadSettingsFile) << each.text;
        EXPECT_NE(err_.find(each.expected), std::string::npos) << err_;
        EXPECT_NE(err_.find("Nothing was changed."), std::string::npos) << err_;
        EXPECT_EQ(FileText(StorePath()), storeBefore);
    }
}

TEST_F(SettingsCommand, AFieldLeftOutTakesItsDefault) {
    const std::string file = (folder_ / "short.txt").string();
    PutText(file, "format = 1\n[Duo]\r\ntimingFollowLevel = 1   \n");
    ASSERT_EQ(Run({"import", file}), kExitSuccess) << err_;
    const platform::FileSettingsStore store(StorePath());
    SystemSettings expected = DefaultSystemSettings();
    expected.timingFollowLevel = 1;
    EXPECT_EQ(DecodeSystemSettings(*store.Read("System Variables", "Duo")), expected);
    EXPECT_FALSE(store.Read("Remote Commands", "Duo").has_value());
    EXPECT_EQ(store.Read("Settings Version", "."), (std::vector<std::uint8_t>{0, 0}));
}

TEST_F(SettingsCommand, ShowListsTheSavedSetsAndTheCurrentSettings) {
    ASSERT_EQ(Run({"show"}), kExitSuccess);
    EXPECT_NE(out_.find("(none yet)"), std::string::npos) << out_;
    EXPECT_NE(out_.find("No current settings are stored"), std::string::npos);
    FillStore();
    ASSERT_EQ(Run({"show"}), kExitSuccess);
    EXPECT_NE(out_.find("Saved sets:\n  1  Church [big]\n  2  Hall\n  3  (no settings saved)\n"),
              std::string::npos)
        << out_;
    EXPECT_NE(out_.find("Current settings [.]:\nfilePath = "), std::string::npos);
    EXPECT_NE(out_.find("thruChannel = 4\n"), std::string::npos);
    EXPECT_EQ(Run({"show", "a", "b"}), kExitUsage);
    EXPECT_EQ(Run({"rename"}), kExitUsage);
}

TEST(SystemSettingsFields, EveryStoredByteHasExactlyOneLine) {
    SystemSettings settings;
    std::size_t bytes = 0;
    std::set<std::string> names;
    for (const Field& field : FieldsOf(settings)) {
        EXPECT_TRUE(names.insert(field.name).second) << field.name;
        for (const FieldRef& ref : field.values) {
            bytes += std::visit([](auto* value) { return sizeof(*value); }, ref);
            EXPECT_GE(GetField(ref), field.min) << field.name;
            EXPECT_LE(GetField(ref), field.max) << field.name;
        }
    }
    EXPECT_EQ(bytes, kSystemSettingsBytes);
}

// ---- the piece's stored sets ----------------------------------------------

smf::Bytes Duet() {
    smf::FileBuilder file(1, 480);
    file.AddTrack().Tempo(0, 500000).EndOfTrack();
    for (int t = 0; t < 2; ++t) {
        file.AddTrack().NoteOn(0, t, 60, 90).NoteOff(480, t, 60).EndOfTrack();
    }
    return file.Build();
}

PieceSettingsEntry Entry(std::int16_t transpose) {
    PieceSettingsEntry entry;
    entry.settings.masterTranspose = transpose;
    entry.tracks.resize(3);
    entry.tracks[1].name = "Cello";
    entry.displayName = "Duet";
    entry.markers.rehearsalPoints = {ScorePosition{500}, ScorePosition{1000}};
    return entry;
}

class PieceSettingsCommand : public SettingsCommand {
  protected:
    void SetUp() override {
        SettingsCommand::SetUp();
        original_ = Duet();
        path_ = folder_.Write("duet.mid", original_);
        ASSERT_TRUE(StorePieceSettings(path_, 0, std::nullopt, Entry(0)));
        ASSERT_TRUE(StorePieceSettings(path_, 1, "First", Entry(1)));
        ASSERT_TRUE(StorePieceSettings(path_, 2, "Second", Entry(2)));
        ASSERT_TRUE(StorePieceSettings(path_, 3, "Third", Entry(3)));
    }

    smf::Bytes original_;
    std::string path_;
};

TEST_F(PieceSettingsCommand, ListNamesTheFourSets) {
    ASSERT_EQ(RunPiece({path_, "list"}), kExitSuccess) << err_;
    EXPECT_EQ(out_, path_ +
                        ": saved piece settings\n  1  First\n  2  Second\n  3  Third\n"
                        "  4  (no settings saved)\n");
}

TEST_F(PieceSettingsCommand, RemovingTheSecondOfThreeMovesTheThirdDown) {
    ASSERT_EQ(RunPiece({path_, "remove", "2"}), kExitSuccess) << err_;
    EXPECT_NE(out_.find("removed set 2 \"Second\""), std::string::npos) << out_;
    const auto stored = ReadPieceSettingsStore(path_);
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->SlotName(1), "First");
    EXPECT_EQ(stored->SlotName(2), "Third");
    EXPECT_FALSE(stored->SlotUsed(3));
    EXPECT_EQ(ReadPieceSettingsEntry(*stored, 2)->settings.masterTranspose, 3);
    EXPECT_EQ(ReadPieceSettingsEntry(*stored, 2)->tracks[1].name, "Cello");
    EXPECT_TRUE(stored->SlotUsed(0));
    // The music after the settings event is untouched.
    const std::vector<std::uint8_t> now = [this] {
        const std::string text = FileText(path_);
        return std::vector<std::uint8_t>(text.begin(), text.end());
    }();
    const std::size_t tail = original_.size() - 22;  // the header and the first track's start
    EXPECT_TRUE(std::equal(original_.end() - static_cast<std::ptrdiff_t>(tail), original_.end(),
                           now.end() - static_cast<std::ptrdiff_t>(tail)));
}

TEST_F(PieceSettingsCommand, BadRequestsChangeNothing) {
    const std::string before = FileText(path_);
    EXPECT_EQ(RunPiece({path_, "remove", "5"}), kExitUsage);
    EXPECT_EQ(RunPiece({path_, "remove", "0"}), kExitUsage);
    EXPECT_EQ(RunPiece({path_, "remove", "x"}), kExitUsage);
    EXPECT_EQ(RunPiece({path_, "remove", "4"}), kExitBadSettingsFile);
    EXPECT_NE(err_.find("set 4 holds no settings"), std::string::npos);
    EXPECT_EQ(RunPiece({(folder_ / "absent.mid").string(), "list"}), kExitLoadFailureBase + 5);
    EXPECT_NE(err_.find(StringTable().Get(string_id::kFileNotFound)), std::string::npos);
    const std::string text = folder_.Write("text.mid", {'h', 'e', 'l', 'l', 'o'});
    EXPECT_EQ(RunPiece({text, "remove", "1"}), kExitLoadFailureBase + 3);
    EXPECT_EQ(FileText(path_), before);
}

TEST_F(PieceSettingsCommand, AReadOnlyFileIsReportedAndKept) {
    std::filesystem::permissions(path_, std::filesystem::perms::owner_read,
                                 std::filesystem::perm_options::replace);
    if (std::FILE* probe = std::fopen(path_.c_str(), "r+b")) {
        std::fclose(probe);
        GTEST_SKIP() << "running with rights that ignore file permissions";
    }
    const std::string before = FileText(path_);
    EXPECT_EQ(RunPiece({path_, "remove", "1"}), kExitOutputFailed);
    EXPECT_EQ(err_,
              path_ + ": " + std::string(StringTable().Get(string_id::kCannotSaveSettings)) + "\n");
    EXPECT_EQ(FileText(path_), before);
}

TEST_F(PieceSettingsCommand, AFileThatCannotBeReplacedIsReportedAndKept) {
    // Every temporary name the writer may try is taken.
    for (int attempt = 1; attempt <= 100; ++attempt)
        std::filesystem::create_directory(path_ + ".part" + std::to_string(attempt));
    const std::string before = FileText(path_);
    EXPECT_EQ(RunPiece({path_, "remove", "3"}), kExitOutputFailed);
    EXPECT_EQ(err_,
              path_ + ": " + std::string(StringTable().Get(string_id::kCannotSaveSettings)) + "\n");
    EXPECT_EQ(FileText(path_), before);
}

TEST_F(PieceSettingsCommand, ShowDescribesEachStoredSet) {
    ASSERT_EQ(Run({"show", path_}), kExitSuccess) << err_;
    EXPECT_NE(out_.find("Slot 0: the settings the piece was left with\n  loop: 0 ms to 0 ms\n"),
              std::string::npos)
        << out_;
    EXPECT_NE(out_.find("Slot 2: \"Second\"\n"), std::string::npos);
    EXPECT_NE(out_.find("transpose +2"), std::string::npos);
    EXPECT_NE(out_.find("markers: 2 rehearsal points, 0 waits for soloist"), std::string::npos);
    EXPECT_NE(out_.find("name \"Cello\""), std::string::npos);
    EXPECT_NE(out_.find("Slot 4: (no settings saved)\n"), std::string::npos);
}

}  // namespace
}  // namespace ostinel::cli
