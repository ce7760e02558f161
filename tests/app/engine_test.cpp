#include "app/engine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/manual/manual_clock.h"
#include "platform/manual/manual_midi_system.h"
#include "platform/manual/manual_timer_service.h"
#include "smf_builder.h"
#include "support/test_folder.h"

namespace ostinel {
namespace {

namespace fs = std::filesystem;

class QuietUi final : public TransportUi {
  public:
    void ShowMessage(std::string_view text) override { shown.emplace_back(text); }
    bool ConfirmMessage(std::string_view /*text*/) override { return true; }
    std::vector<std::string> shown;
};

class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override { engine_.OpenOutputPorts(); }

    std::string Write(const std::string& name, const smf::Bytes& bytes) {
        return folder_.Write(name, bytes);
    }

    static smf::Bytes Song(int key) {
        smf::FileBuilder file(0, 480);
        file.AddTrack()
            .Tempo(0, 500000)
            .SysEx(0, {0x7E, 0x7F, 0x09, 0x01, 0xF7})
            .NoteOn(0, 0, key, 100)
            .NoteOff(960, 0, key)
            .EndOfTrack();
        return file.Build();
    }

    void RunFor(std::uint32_t ms) {
        for (std::uint32_t done = 0; done < ms; done += 5) {
            timers_.Advance(5);
            engine_.IdlePass();
        }
    }

    testing::TestFolder folder_{"ostinel-engine"};
    const fs::path& dir_ = folder_.Path();
    platform::ManualClock clock_{platform::ClockMs{0}};
    platform::ManualTimerService timers_{clock_};
    platform::ManualMidiSystem midi_{clock_, {}, {"Synth"}};
    QuietUi ui_;
    Engine engine_{clock_, timers_, midi_, ui_};
};

TEST_F(EngineTest, AFileThatFailsToLoadLeavesThePieceThatPlayed) {
    ASSERT_EQ(engine_.OpenPiece(Write("song.mid", Song(60))), LoadResult::Loaded);
    // The piece's leading system exclusive goes out when it opens.
    EXPECT_EQ(midi_.Output(0).Bytes().front(),
              (std::vector<std::uint8_t>{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
    Piece* opened = engine_.CurrentPiece();
    EXPECT_EQ(engine_.OpenPiece(Write("broken.mid", {'M', 'T', 'h', 'd', 0, 0})),
              LoadResult::EndedEarly);
    EXPECT_EQ(engine_.OpenPiece((dir_ / "absent.mid").string()), LoadResult::NotFound);
    EXPECT_EQ(engine_.CurrentPiece(), opened);
    EXPECT_EQ(opened->tracks[0].events.front().data1, 60);
}

TEST_F(EngineTest, TheIdlePassCarriesOutAvailableRequestsAndStopsAtTheEnd) {
    ASSERT_EQ(engine_.OpenPiece(Write("song.mid", Song(64))), LoadResult::Loaded);
    EXPECT_FALSE(engine_.NeedsIdlePass());
    // At position 0 there is nothing to rewind: the request is dropped.
    engine_.Requests().PostRequest(TransportRequest::Rewind);
    engine_.Requests().PostRequest(TransportRequest::PlayFile);
    engine_.IdlePass();
    EXPECT_TRUE(engine_.GetTransport().Mode().playingFile);
    EXPECT_TRUE(engine_.NeedsIdlePass());
    RunFor(1100);
    EXPECT_FALSE(engine_.GetTransport().Mode().playing);
    EXPECT_FALSE(engine_.NeedsIdlePass());
    midi_.Output(0).Clear();
    // Stopped: Stop itself is always taken, and does nothing more.
    engine_.Requests().PostRequest(TransportRequest::Stop);
    engine_.IdlePass();
    EXPECT_TRUE(midi_.Output(0).Bytes().empty());
}

TEST_F(EngineTest, OpeningAnotherPieceStopsTheOneThatPlays) {
    ASSERT_EQ(engine_.OpenPiece(Write("one.mid", Song(60))), LoadResult::Loaded);
    engine_.GetTransport().PlayFile();
    RunFor(100);
    ASSERT_EQ(engine_.OpenPiece(Write("two.mid", Song(62))), LoadResult::Loaded);
    EXPECT_FALSE(engine_.GetTransport().Mode().playing);
    const auto sent = midi_.Output(0).Bytes();
    EXPECT_NE(std::find(sent.begin(), sent.end(), std::vector<std::uint8_t>{0x80, 60, 64}),
              sent.end());
    EXPECT_EQ(engine_.GetTransport().History().Front(), ScorePosition{});
}

}  // namespace
}  // namespace ostinel
