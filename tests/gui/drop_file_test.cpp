// Files dropped onto the window open as pieces: MIDI files and MusicXML scores.

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <string>

#include "desktop_fixture.h"
#include "strings/string_ids.h"
#include "strings/string_table.h"
#include "support/test_folder.h"

namespace ostinel::testing {
namespace {

constexpr char kScore[] =
    R"(<?xml version="1.0" encoding="UTF-8"?><score-partwise version="3.1">)"
    R"(<part-list><score-part id="P1"><part-name>Piano</part-name></score-part></part-list>)"
    R"(<part id="P1"><measure number="1"><attributes><divisions>1</divisions></attributes>)"
    R"(<note><pitch><step>C</step><octave>4</octave></pitch><duration>4</duration></note>)"
    R"(</measure></part></score-partwise>)";

class DropFileTest : public DesktopTest {
  protected:
    std::string WriteText(const std::string& name, std::string_view text) {
        return folder_.Write(name, std::vector<std::uint8_t>(text.begin(), text.end()));
    }

    void Drop(const std::string& path) {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
        // The application hands a drop to the widget that took the drag's entry.
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&window_, &enter);
        QDropEvent event(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window_, &event);
        QApplication::processEvents();
    }

    TestFolder folder_{"ostinel-drop"};
};

TEST_F(DropFileTest, ADroppedScoreOpensAsThePiece) {
    const std::string path = WriteText("dropped score.musicxml", kScore);
    Drop(path);
    ASSERT_NE(engine_.CurrentPiece(), nullptr);
    EXPECT_EQ(engine_.CurrentPiece()->path, path);
    EXPECT_EQ(engine_.CurrentPiece()->tracks[0].name, "Piano");
    EXPECT_TRUE(presenter_.shown.empty());
}

TEST_F(DropFileTest, ADamagedScoreIsRefusedAndThePieceStays) {
    const Piece* before = engine_.CurrentPiece();
    Drop(WriteText("damaged.musicxml", "<score-partwise><part"));
    EXPECT_EQ(engine_.CurrentPiece(), before);
    ASSERT_EQ(presenter_.shown.size(), 1u);
    EXPECT_EQ(presenter_.shown[0].toStdString(), StringTable().Get(string_id::kNotXml));
}

TEST_F(DropFileTest, OtherFilesAreNotTaken) {
    const Piece* before = engine_.CurrentPiece();
    Drop(WriteText("notes.txt", kScore));
    EXPECT_EQ(engine_.CurrentPiece(), before);
    EXPECT_TRUE(presenter_.shown.empty());
}

}  // namespace
}  // namespace ostinel::testing
