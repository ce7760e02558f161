#include <gtest/gtest.h>

#include <QAction>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "app/command_ids.h"
#include "cli/exit_codes.h"
#include "cli/render_command.h"
#include "desktop_fixture.h"
#include "gui/audio_render.h"
#include "smf_builder.h"
#include "strings/string_ids.h"
#include "strings/string_table.h"
#include "support/file_bytes.h"
#include "support/test_folder.h"

namespace ostinel::testing {
namespace {

namespace fs = std::filesystem;

// 120 beats a minute: eight notes a beat apart, each held half a beat (the
// last released at 3750 ms), then, when asked, one more `lastNoteMs` from
// the start.
smf::Bytes Melody(std::uint32_t lastNoteMs = 0) {
    smf::FileBuilder file(1, 480);
    file.AddTrack().Tempo(0, 500000).TimeSignature(0, 4, 2).EndOfTrack();
    auto& melody = file.AddTrack();
    for (int note = 0; note < 8; ++note)
        melody.NoteOn(note == 0 ? 0 : 240, 0, 60 + note, 90).NoteOff(240, 0, 60 + note);
    if (lastNoteMs > 3750)
        melody.NoteOn((lastNoteMs - 3750) * 480 / 500, 0, 72, 90).NoteOff(480, 0, 72);
    melody.EndOfTrack();
    return file.Build();
}

class AudioRender : public DesktopTest {
  protected:
    void OpenPiece(const smf::Bytes& bytes) {
        piece_ = folder_.Write("song.mid", bytes);
        ASSERT_EQ(window_.OpenFile(piece_), LoadResult::Loaded);
        window_.SetAudioFileChooser([this](const QString& offered) {
            offered_ = offered;
            return chosen_;
        });
    }

    bool RenderItemEnabled() {
        return window_.Menu().Action(command::kRenderToAudioFile)->isEnabled();
    }

    void WaitUntilRendered() {
        ASSERT_TRUE(QTest::qWaitFor([this] { return window_.AudioRender() == nullptr; }, 60000));
    }

    TestFolder folder_{"ostinel-audio-render"};
    std::string piece_;
    QString chosen_;
    QString offered_;
};

TEST_F(AudioRender, WritesTheSameWavAsTheCommandLineWhereTheUserSaid) {
    OpenPiece(Melody());
    chosen_ = QString::fromStdString((folder_ / "take").string());
    ASSERT_TRUE(window_.DispatchCommand(command::kRenderToAudioFile));
    EXPECT_EQ(offered_.toStdString(), (folder_ / "song.wav").string());
    ASSERT_NE(window_.AudioRender(), nullptr);
    EXPECT_FALSE(RenderItemEnabled());
    WaitUntilRendered();
    EXPECT_TRUE(RenderItemEnabled());
    EXPECT_TRUE(presenter_.errors.empty()) << presenter_.errors.front().toStdString();

    std::string out;
    std::string err;
    const std::string cliStem = (folder_ / "cli").string();
    const std::vector<std::string_view> args{piece_, "-o", cliStem};
    ASSERT_EQ(cli::RunRenderCommand(args, out, err), cli::kExitSuccess) << err;
    // A name without an extension is given .wav.
    const auto desktop = ReadAll((folder_ / "take.wav").string());
    const auto command = ReadAll(cliStem + ".wav");
    ASSERT_GT(desktop.size(), 44u);
    EXPECT_EQ(desktop, command);
    // Playing stops at the end of the second measure (4000 ms); then the two
    // seconds' tail: 6 s of 16-bit stereo at the synth's rate.
    EXPECT_EQ((desktop.size() - 44) / 4, platform::FrameAtMs(6000));
    const std::uint32_t dataBytes = std::uint32_t(desktop[40]) | std::uint32_t(desktop[41]) << 8 |
                                    std::uint32_t(desktop[42]) << 16 |
                                    std::uint32_t(desktop[43]) << 24;
    EXPECT_EQ(dataBytes, desktop.size() - 44);
    EXPECT_EQ(std::string(desktop.begin(), desktop.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(desktop.begin() + 8, desktop.begin() + 12), "WAVE");
}

TEST_F(AudioRender, CancelStopsTheRenderAndRemovesTheUnfinishedFile) {
    // Ten minutes of music render for seconds: long enough to cancel midway.
    OpenPiece(Melody(600000));
    const fs::path wav = folder_ / "long.wav";
    chosen_ = QString::fromStdString(wav.string());
    ASSERT_TRUE(window_.DispatchCommand(command::kRenderToAudioFile));
    ASSERT_NE(window_.AudioRender(), nullptr);
    QProgressDialog* progress = window_.AudioRender()->ProgressDialog();
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->isVisible());
    // The window keeps handling events while the bar moves.
    ASSERT_TRUE(QTest::qWaitFor([&] { return progress->value() > 0; }, 30000));
    EXPECT_TRUE(fs::exists(wav));
    EXPECT_LT(progress->value(), 1000);
    QPushButton* cancel = progress->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    cancel->click();
    WaitUntilRendered();
    EXPECT_FALSE(fs::exists(wav));
    EXPECT_TRUE(presenter_.errors.empty());
    EXPECT_TRUE(RenderItemEnabled());
}

TEST_F(AudioRender, AFolderThatCannotTakeTheFileIsNamedInMessage2040) {
    OpenPiece(Melody());
    chosen_ = QString::fromStdString((folder_ / "missing-folder" / "take.wav").string());
    ASSERT_TRUE(window_.DispatchCommand(command::kRenderToAudioFile));
    WaitUntilRendered();
    ASSERT_EQ(presenter_.errors.size(), 1u);
    const QString shown = presenter_.errors.front();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("take.wav\n"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(
        QString::fromUtf8(StringTable().Get(string_id::kAudioFolderUnwritable).data())));
}

TEST_F(AudioRender, CancellingTheSaveDialogRendersNothing) {
    OpenPiece(Melody());
    chosen_.clear();
    ASSERT_TRUE(window_.DispatchCommand(command::kRenderToAudioFile));
    EXPECT_EQ(window_.AudioRender(), nullptr);
    EXPECT_FALSE(fs::exists(folder_ / "song.wav"));
}

TEST(AudioRenderMenu, IsGreyedOutUntilAPieceIsOpen) {
    platform::ManualClock clock{platform::ClockMs{0}};
    platform::ManualTimerService timers{clock};
    platform::ManualMidiSystem midi{clock, {}, {"Synth"}};
    RecordingPresenter presenter;
    gui::DesktopUi ui{presenter};
    Engine engine{clock, timers, midi, ui};
    gui::MainWindow window{engine, ui};
    QAction* item = window.Menu().Action(command::kRenderToAudioFile);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), QStringLiteral("&Render to Audio File..."));
    EXPECT_FALSE(item->isEnabled());
    ASSERT_EQ(window.OpenFile(std::string(OSTINEL_SOURCE_DIR) + "/examples/demo.mid"),
              LoadResult::Loaded);
    EXPECT_TRUE(item->isEnabled());
}

TEST(AudioFileRenderWithoutSoundFont, WritesNoFileAndSaysWhy) {
    TestFolder folder("ostinel-audio-render");
    const std::string piece = folder.Write("song.mid", Melody());
    const std::string wav = (folder / "song.wav").string();
    AudioFileRender render(piece, wav);
    EXPECT_EQ(render.Run((folder / "no-such.sf2").string()), AudioFileRender::Result::NoSoundFont);
    EXPECT_FALSE(fs::exists(wav));
    EXPECT_EQ(gui::AudioRenderMessage(AudioFileRender::Result::NoSoundFont, LoadResult::Loaded),
              string_id::kAudioNoSoundFont);
}

}  // namespace
}  // namespace ostinel::testing
