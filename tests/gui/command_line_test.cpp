#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <filesystem>

#include "app/command_ids.h"
#include "app/piece_file.h"
#include "desktop_fixture.h"
#include "gui/single_instance.h"
#include "strings/string_ids.h"
#include "strings/string_table.h"

namespace ostinel::testing {
namespace {

namespace fs = std::filesystem;

class HandOverTest : public DesktopTest {
  protected:
    // The demo piece under another name, in a folder of this test's own.
    QString CopyOfDemo(const std::string& name) {
        const fs::path folder =
            fs::temp_directory_path() / ("ostinel-handover-" + std::to_string(::getpid()));
        fs::create_directories(folder);
        const fs::path copy = folder / name;
        fs::copy_file(fs::path(OSTINEL_SOURCE_DIR) / "examples/demo.mid", copy,
                      fs::copy_options::overwrite_existing);
        return QString::fromStdString(copy.string());
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(
            fs::temp_directory_path() / ("ostinel-handover-" + std::to_string(::getpid())),
            ignored);
    }
};

TEST_F(HandOverTest, ANameWithABlankIsRefusedWithItsMessage) {
    window_.HandOverCommandLine(CopyOfDemo("two words.mid"));
    ASSERT_EQ(presenter_.shown.size(), 1u);
    EXPECT_EQ(presenter_.shown[0], QStringLiteral("Ostinel can only open one file at a time."));
    EXPECT_EQ(engine_.CurrentPiece()->path.find("two words"), std::string::npos);
}

TEST_F(HandOverTest, AMidiNameInCapitalsOpensAndOtherNamesAreIgnored) {
    window_.HandOverCommandLine(CopyOfDemo("OTHER.smf"));
    EXPECT_EQ(engine_.CurrentPiece()->path.find("OTHER"), std::string::npos);
    window_.HandOverCommandLine(CopyOfDemo("SECOND.MID"));
    EXPECT_NE(engine_.CurrentPiece()->path.find("SECOND.MID"), std::string::npos);
    EXPECT_TRUE(presenter_.shown.empty());
}

TEST_F(HandOverTest, AFileThatFailsIsNamedInAnErrorBox) {
    const QString broken = CopyOfDemo("broken.mid");
    fs::resize_file(broken.toStdString(), 20);
    // The Open dialog that follows is cancelled.
    window_.SetOpenFileChooser([] { return QString(); });
    window_.HandOverCommandLine(broken);
    ASSERT_EQ(presenter_.errors.size(), 1u);
    EXPECT_TRUE(presenter_.errors[0].startsWith(QStringLiteral("broken.mid\n\n")))
        << presenter_.errors[0].toStdString();
    EXPECT_EQ(presenter_.captions[0], QStringLiteral("Ostinel"));
}

TEST_F(HandOverTest, ALastPieceThatNoLongerOpensIsDroppedWithoutAWord) {
    window_.SetOpenFileChooser([] { return QString(); });
    EXPECT_FALSE(window_.OpenFirstPiece(QString(), "/nowhere/last.mid"));
    EXPECT_TRUE(presenter_.shown.empty());
}

TEST_F(HandOverTest, AnIgnoredOrBlankNameFallsBackToTheLastPiece) {
    const QString last = CopyOfDemo("last.mid");
    EXPECT_TRUE(window_.OpenFirstPiece(QStringLiteral("notes.txt"), last.toStdString()));
    EXPECT_EQ(engine_.CurrentPiece()->path, last.toStdString());
    const QString other = CopyOfDemo("other.mid");
    EXPECT_TRUE(window_.OpenFirstPiece(QStringLiteral("two words.mid"), other.toStdString()));
    EXPECT_EQ(engine_.CurrentPiece()->path, other.toStdString());
    ASSERT_EQ(presenter_.shown.size(), 1u);  // the blank's own message
    EXPECT_EQ(presenter_.shown[0], QStringLiteral("Ostinel can only open one file at a time."));
}

TEST_F(HandOverTest, CancellingTheOpenDialogAfterAFailedFileSaysWhyTheProgramEnds) {
    const QString broken = CopyOfDemo("broken.mid");
    fs::resize_file(broken.toStdString(), 20);
    int asked = 0;
    window_.SetOpenFileChooser([&] { return ++asked == 1 ? broken : QString(); });
    EXPECT_FALSE(window_.OpenFirstPiece(QString(), std::string()));
    EXPECT_EQ(asked, 2);
    ASSERT_EQ(presenter_.errors.size(), 2u);
    EXPECT_TRUE(presenter_.errors[0].startsWith(QStringLiteral("broken.mid")));
    EXPECT_EQ(presenter_.errors[1],
              QStringLiteral("Because of the earlier problems, Ostinel will have to quit."));
    EXPECT_FALSE(window_.isVisible());
}

TEST_F(HandOverTest, WhilePlayingASecondCopysFileIsIgnored) {
    const Piece* playing = engine_.CurrentPiece();
    GetTransport().PlayFile();
    window_.HandOverCommandLine(CopyOfDemo("third.mid"));
    EXPECT_EQ(engine_.CurrentPiece(), playing);
    EXPECT_TRUE(GetTransport().Mode().playingFile);
}

TEST_F(HandOverTest, OutOfMemoryWhileOpeningShowsMessage2005AndTheOpenDialogAgain) {
    const QString large = CopyOfDemo("large.mid");
    const QString small = CopyOfDemo("small.mid");
    // The reader runs out of memory on the first file only.
    engine_.UsePieceReader([&](const std::string& path, Piece& piece) {
        return path == large.toStdString() ? LoadResult::OutOfMemory : OpenPieceFile(path, piece);
    });
    int asked = 0;
    window_.SetOpenFileChooser([&] { return ++asked == 1 ? large : small; });
    ASSERT_TRUE(window_.DispatchCommand(command::kOpen));
    EXPECT_EQ(asked, 2);
    ASSERT_EQ(presenter_.errors.size(), 1u);
    EXPECT_EQ(presenter_.errors[0].toStdString(),
              "large.mid\n\n" + std::string(StringTable().Get(string_id::kLoadFailed)));
    EXPECT_EQ(engine_.CurrentPiece()->path, small.toStdString());
    EXPECT_TRUE(window_.isVisible());
}

// A second start through the socket, wired to the window as main() wires it,
// while another window of the desktop is in front.
class SecondStartTest : public HandOverTest {
  protected:
    void SetUp() override {
        HandOverTest::SetUp();
        ASSERT_TRUE(running_.Listen());
        QObject::connect(&running_, &gui::SingleInstance::commandLineReceived, &window_,
                         &gui::MainWindow::HandOverCommandLine);
        // A file that fails offers the Open dialog: cancelled here, not waited on.
        window_.SetOpenFileChooser([] { return QString(); });
        other_.resize(200, 100);
        other_.show();
        other_.activateWindow();
        ASSERT_TRUE(InFront(&other_));
    }

    // Whether `window` becomes the active one within a few seconds.
    static bool InFront(QWidget* window) {
        return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }, 3000);
    }

    void SecondStart(const QString& commandLine) {
        gui::SingleInstance second(SocketName());
        ASSERT_TRUE(second.HandToRunningCopy(commandLine));
    }

    static QString SocketName() {
        return QStringLiteral("ostinel-test-%1-%2")
            .arg(getpid())
            .arg(QString::fromLatin1(
                ::testing::UnitTest::GetInstance()->current_test_info()->name()));
    }

    gui::SingleInstance running_{SocketName()};
    QWidget other_;
};

TEST_F(SecondStartTest, AFileNamedInItsOwnFolderOpensThereAndTheWindowComesForward) {
    const QString song = CopyOfDemo("song.mid");
    const QString before = QDir::currentPath();
    // The second start runs in the song's folder and names it alone; the
    // running copy works elsewhere, so only a whole path finds it.
    QDir::setCurrent(QFileInfo(song).absolutePath());
    SecondStart(QStringLiteral("song.mid"));
    QDir::setCurrent(QDir::rootPath());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return QString::fromStdString(engine_.CurrentPiece()->path) == song; }, 5000));
    QDir::setCurrent(before);
    EXPECT_TRUE(InFront(&window_));
    EXPECT_TRUE(presenter_.shown.empty());
}

TEST_F(SecondStartTest, WithoutAFileTheMinimisedWindowComesForward) {
    window_.showMinimized();
    const Piece* before = engine_.CurrentPiece();
    SecondStart(QString());
    EXPECT_TRUE(InFront(&window_));
    EXPECT_FALSE(window_.isMinimized());
    EXPECT_EQ(engine_.CurrentPiece(), before);
    EXPECT_TRUE(presenter_.shown.empty());
}

TEST_F(SecondStartTest, WhilePlayingTheWindowComesForwardAndTheFileWaits) {
    const Piece* playing = engine_.CurrentPiece();
    GetTransport().PlayFile();
    SecondStart(CopyOfDemo("third.mid"));
    EXPECT_TRUE(InFront(&window_));
    EXPECT_EQ(engine_.CurrentPiece(), playing);
    EXPECT_TRUE(GetTransport().Mode().playingFile);
    GetTransport().Stop();
}

}  // namespace
}  // namespace ostinel::testing
