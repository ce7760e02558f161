#pragma once

#include <QString>
#include <QWidget>
#include <vector>

class QLineEdit;
class QListWidget;
class QTextBrowser;
class QToolButton;

namespace ostinel::gui {

// One page of the help: its topic number (0 for pages without one), the
// resource it is read from, and its title.
struct HelpPage {
    int topic = 0;
    QString file;
    QString title;
};

// The pages listed in `topics.tsv` (topic, file, title per line; lines
// starting with # and blank lines are skipped).
std::vector<HelpPage> ReadHelpPages(const QString& topicsText);

// The help viewer: a contents list with a search field beside the page.
// Pages come from the program's resources under `folder`.
//
// Threads: main thread.
class HelpWindow : public QWidget {
    Q_OBJECT

  public:
    explicit HelpWindow(QWidget* parent = nullptr,
                        const QString& folder = QStringLiteral(":/help"));

    // Whether the pages were found; without them every request fails.
    bool HasPages() const { return !pages_.empty(); }
    // The page of a dialog's topic number; false when there is none.
    bool ShowTopic(int topic);
    // Window managers keep the help above `owner` (the dialog that asked for
    // it, or the main window), where it stays in sight and takes input.
    void StayAbove(QWidget& owner);
    // The contents page.
    bool ShowContents();
    // The contents with the search field ready for a word.
    bool ShowSearch();
    // How the help window itself is used.
    bool ShowHowToUseHelp();

    // The pages whose title or text holds every word of `words`, in contents order.
    std::vector<HelpPage> Search(const QString& words) const;
    const std::vector<HelpPage>& Pages() const { return pages_; }
    QString CurrentFile() const { return current_; }
    // The pages seen before and after the current one.
    QToolButton* BackButton() const { return back_; }
    QToolButton* ForwardButton() const { return forward_; }

  private:
    bool Open(const QString& file);
    void FillList(const std::vector<HelpPage>& pages);
    QString PageText(const QString& file) const;

    QString folder_;
    std::vector<HelpPage> pages_;
    QString current_;
    QLineEdit* search_ = nullptr;
    QListWidget* list_ = nullptr;
    QTextBrowser* browser_ = nullptr;
    QToolButton* back_ = nullptr;
    QToolButton* forward_ = nullptr;
};

}  // namespace ostinel::gui
