#include "gui/help_window.h"

#include <gtest/gtest.h>

#include <fstream>

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

TEST(HelpWindowWithoutPages, EveryRequestFails) {
    HelpWindow help(nullptr, QStringLiteral("/nonexistent/help"));
    EXPECT_FALSE(help.HasPages());
    EXPECT_FALSE(help.ShowContents());
    EXPECT_FALSE(help.ShowTopic(7));
}

}  // namespace
}  // namespace ostinel::gui
