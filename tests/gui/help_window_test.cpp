#include "gui/help_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <fstream>
#include <set>

#include "dialogs/display_preferences_dialog.h"
#include "dialogs/file_information_dialog.h"
#include "dialogs/location_dialog.h"
#include "dialogs/loop_mode_dialog.h"
#include "dialogs/master_transpose_dialog.h"
#include "dialogs/midi_ports_dialog.h"
#include "dialogs/midi_sync_setup_dialog.h"
#include "dialogs/save_settings_dialog.h"
#include "dialogs/tempo_dialog.h"
#include "dialogs/tracks_dialog.h"
#include "support/test_folder.h"

namespace ostinel::gui {
namespace {

class HelpWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Write("topics.tsv",
              "topic\tfile\ttitle\n"
              "0\tindex.html\tContents\n"
              "0\tintroduction.html\tA first session\n"
              "7\ttopic-7.html\tLoop Mode\n"
              "12\ttopic-12.html\tTempo\n");
        Write("index.html", "<h1>Contents</h1><a href=\"topic-7.html\">Loop Mode</a>");
        Write("introduction.html", "<p>Open a piece, choose your track, play and follow.</p>");
        Write("topic-7.html", "<h1>Loop Mode</h1><p>Repeat a passage between two beats.</p>");
        Write("topic-12.html", "<h1>Tempo</h1><p>Set the master tempo in beats per minute.</p>");
    }

    void Write(const std::string& name, const std::string& text) {
        std::ofstream(folder_.Path() / name) << text;
    }
    QString Folder() const { return QString::fromStdString(folder_.Path().string()); }

    testing::TestFolder folder_{"ostinel-help"};
};

TEST(HelpPages, TheTopicsFileListsNumberFileAndTitleAndSkipsItsHeader) {
    const auto pages =
        ReadHelpPages(QStringLiteral("topic\tfile\ttitle\n# note\n\n"
                                     "3\ttopic-3.html\tPerformance Settings\n"
                                     "0\tviews.html\tThe main window\n"
                                     "broken line\n"));
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].topic, 3);
    EXPECT_EQ(pages[0].file, QStringLiteral("topic-3.html"));
    EXPECT_EQ(pages[1].title, QStringLiteral("The main window"));
}

TEST_F(HelpWindowTest, ADialogsTopicOpensItsOwnPage) {
    HelpWindow help(nullptr, Folder());
    ASSERT_TRUE(help.HasPages());
    EXPECT_TRUE(help.ShowTopic(12));
    EXPECT_EQ(help.CurrentFile(), QStringLiteral("topic-12.html"));
    EXPECT_FALSE(help.ShowTopic(99));
    EXPECT_FALSE(help.ShowTopic(0));
    EXPECT_TRUE(help.ShowContents());
    EXPECT_EQ(help.CurrentFile(), QStringLiteral("index.html"));
}

TEST_F(HelpWindowTest, SearchFindsThePagesHoldingEveryWord) {
    HelpWindow help(nullptr, Folder());
    const auto found = help.Search(QStringLiteral("beats passage"));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].topic, 7);
    EXPECT_EQ(help.Search(QStringLiteral("TEMPO")).size(), 1u);
    EXPECT_TRUE(help.Search(QStringLiteral("harpsichord")).empty());
}

TEST_F(HelpWindowTest, BackAndForwardRetraceThePagesAndEscClosesTheWindow) {
    HelpWindow help(nullptr, Folder());
    ASSERT_TRUE(help.ShowTopic(12));
    EXPECT_FALSE(help.BackButton()->isEnabled());
    ASSERT_TRUE(help.ShowTopic(7));
    ASSERT_TRUE(help.BackButton()->isEnabled());
    help.BackButton()->click();
    EXPECT_EQ(help.CurrentFile(), QStringLiteral("topic-12.html"));
    ASSERT_TRUE(help.ForwardButton()->isEnabled());
    help.ForwardButton()->click();
    EXPECT_EQ(help.CurrentFile(), QStringLiteral("topic-7.html"));
    ASSERT_TRUE(help.isVisible());
    QApplication::setActiveWindow(&help);
    QTest::keyClick(&help, Qt::Key_Escape);
    EXPECT_FALSE(help.isVisible());
}

TEST(HelpWindowWithoutPages, EveryRequestFails) {
    HelpWindow help(nullptr, QStringLiteral("/nonexistent/help"));
    EXPECT_FALSE(help.HasPages());
    EXPECT_FALSE(help.ShowContents());
    EXPECT_FALSE(help.ShowTopic(7));
}

// --- the pages built into the program -----------------------------------------

QString BuiltInPage(const QString& file) {
    QFile page(QStringLiteral(":/help/") + file);
    if (!page.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(page.readAll());
}

std::set<QString> LinksOf(const QString& html) {
    std::set<QString> links;
    static const QRegularExpression href(QStringLiteral("<a href=\"([^\"#]+)"));
    for (auto match = href.globalMatch(html); match.hasNext();)
        links.insert(match.next().captured(1));
    return links;
}

struct DialogTopic {
    int topic;
    const char* title;
};

// Every dialog's help topic with the title its page carries; the dialogs that
// exist as classes give their own number.
constexpr DialogTopic kDialogTopics[] = {
    {dialogs::FileInformationDialog::kHelpTopic, "File Information"},
    {2, "Following"},
    {3, "Performance Settings"},
    {4, "Remote Control"},
    {5, "Special Markers"},
    {6, "MIDI Metronome"},
    {dialogs::LoopModeDialog::kHelpTopic, "Loop Mode"},
    {8, "Ignore Soloist Range"},
    {10, "Banks & Programs"},
    {dialogs::MasterTransposeDialog::kHelpTopic, "Master Transpose"},
    {dialogs::TempoDialog::kHelpTopic, "Tempo"},
    {dialogs::MidiSyncSetupDialog::kHelpTopic, "MIDI & Sync Setup"},
    {dialogs::MidiPortsDialog::kHelpTopic, "MIDI Ports & Devices"},
    {dialogs::LocationDialog::kHelpTopic, "Location"},
    {dialogs::DisplayPreferencesDialog::kHelpTopic, "Display Preferences"},
    {dialogs::TracksDialog::kHelpTopic, "Tracks"},
    {dialogs::SaveSettingsDialog::kHelpTopic, "Save Settings"},
};

TEST(BuiltInHelp, EveryDialogsTopicOpensItsOwnPage) {
    HelpWindow help;
    ASSERT_TRUE(help.HasPages());
    for (const DialogTopic& dialog : kDialogTopics) {
        const QString title = QString::fromUtf8(dialog.title);
        ASSERT_TRUE(help.ShowTopic(dialog.topic)) << dialog.title;
        const QString file = help.CurrentFile();
        EXPECT_EQ(file, QStringLiteral("topic-%1.html").arg(dialog.topic)) << dialog.title;
        QString heading = title;
        heading.replace(QStringLiteral("&"), QStringLiteral("&amp;"));
        EXPECT_TRUE(BuiltInPage(file).contains(QStringLiteral("<h1>") + heading + "</h1>"))
            << dialog.title;
    }
    // The menus and the main window have pages of their own too.
    for (int topic = 101; topic <= 106; ++topic)
        EXPECT_TRUE(help.ShowTopic(topic)) << topic;
    EXPECT_TRUE(help.ShowHowToUseHelp());
    EXPECT_EQ(help.CurrentFile(), QStringLiteral("introduction.html"));
}

TEST(BuiltInHelp, TheContentsLinkEveryPageAndEveryLinkLeadsToOne) {
    HelpWindow help;
    ASSERT_TRUE(help.ShowContents());
    std::set<QString> listed;
    for (const HelpPage& page : help.Pages())
        listed.insert(page.file);
    const std::set<QString> contents = LinksOf(BuiltInPage(QStringLiteral("index.html")));
    for (const QString& file : listed) {
        if (file == QStringLiteral("index.html")) continue;
        EXPECT_TRUE(contents.count(file)) << file.toStdString();
    }
    // Every page wears the one stylesheet.
    EXPECT_FALSE(BuiltInPage(QStringLiteral("help.css")).isEmpty());
    // Not one page sends the reader to a page that is not there.
    for (const QString& file : listed) {
        const QString text = BuiltInPage(file);
        ASSERT_FALSE(text.isEmpty()) << file.toStdString();
        for (const QString& link : LinksOf(text))
            EXPECT_TRUE(listed.count(link)) << file.toStdString() << " -> " << link.toStdString();
    }
}

TEST(BuiltInHelp, SearchFindsThePagesAboutAWord) {
    HelpWindow help;
    const auto found = help.Search(QStringLiteral("drop frame"));
    EXPECT_TRUE(std::any_of(found.begin(), found.end(), [](const HelpPage& page) {
        return page.topic == dialogs::MidiSyncSetupDialog::kHelpTopic;
    }));
}

}  // namespace
}  // namespace ostinel::gui
