#include "gui/help_window.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QShortcut>
#include <QSplitter>
#include <QStringList>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>

#include "gui/desktop_style.h"
#include "gui/desktop_ui.h"

namespace ostinel::gui {
namespace {

constexpr int kWidth = 860;
constexpr int kHeight = 620;
constexpr int kListWidth = 240;
const QString kContentsFile = QStringLiteral("index.html");
const QString kHowToUseFile = QStringLiteral("introduction.html");

// A dialog-type window, the kind window managers keep above the window it
// is transient for; with the minimise, maximise and close buttons of a
// window of its own.
constexpr Qt::WindowFlags kHelpWindowFlags =
    Qt::Dialog | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint;

}  // namespace

std::vector<HelpPage> ReadHelpPages(const QString& topicsText) {
    std::vector<HelpPage> pages;
    for (const QString& line : topicsText.split(QChar('\n'))) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QChar('#'))) continue;
        const QStringList fields = line.split(QChar('\t'));
        if (fields.size() < 3) continue;
        bool number = false;
        const int topic = fields[0].trimmed().toInt(&number);
        if (!number) continue;  // a header line
        pages.push_back(HelpPage{topic, fields[1].trimmed(), fields[2].trimmed()});
    }
    return pages;
}

HelpWindow::HelpWindow(QWidget* parent, const QString& folder)
    : QWidget(parent, kHelpWindowFlags), folder_(folder) {
    // The built-in pages live in the program's resources.
    LoadDesktopResources();
    setWindowTitle(QStringLiteral("%1 Help").arg(ApplicationTitle()));
    resize(kWidth, kHeight);

    search_ = new QLineEdit;
    search_->setPlaceholderText(QStringLiteral("Search the help"));
    search_->setClearButtonEnabled(true);
    list_ = new QListWidget;
    browser_ = new QTextBrowser;
    browser_->setOpenExternalLinks(true);

    back_ = new QToolButton;
    back_->setText(QStringLiteral("Back"));
    back_->setEnabled(false);
    forward_ = new QToolButton;
    forward_->setText(QStringLiteral("Forward"));
    forward_->setEnabled(false);
    auto* page = new QWidget;
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back_);
    buttons->addWidget(forward_);
    buttons->addStretch();
    pageLayout->addLayout(buttons);
    pageLayout->addWidget(browser_);

    auto* side = new QWidget;
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->addWidget(search_);
    sideLayout->addWidget(list_);
    auto* splitter = new QSplitter;
    splitter->addWidget(side);
    splitter->addWidget(page);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({kListWidth, kWidth - kListWidth});
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(splitter);

    QFile topics(folder_ + QStringLiteral("/topics.tsv"));
    if (topics.open(QIODevice::ReadOnly))
        pages_ = ReadHelpPages(QString::fromUtf8(topics.readAll()));
    FillList(pages_);

    connect(search_, &QLineEdit::textChanged, this, [this](const QString& words) {
        FillList(words.trimmed().isEmpty() ? pages_ : Search(words));
    });
    connect(list_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { Open(item->data(Qt::UserRole).toString()); });
    connect(list_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { Open(item->data(Qt::UserRole).toString()); });
    connect(browser_, &QTextBrowser::sourceChanged, this,
            [this](const QUrl& url) { current_ = url.fileName(); });
    connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QToolButton::setEnabled);
    // Esc puts the help away, as it closes a dialog.
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    close->setContext(Qt::WindowShortcut);
    connect(close, &QShortcut::activated, this, &QWidget::close);
}

void HelpWindow::StayAbove(QWidget& owner) {
    // A window is made only when first shown; both need one to be linked.
    winId();
    owner.winId();
    windowHandle()->setTransientParent(owner.windowHandle());
}

bool HelpWindow::ShowTopic(int topic) {
    for (const HelpPage& page : pages_) {
        if (page.topic == topic && topic != 0) return Open(page.file);
    }
    return false;
}

bool HelpWindow::ShowContents() {
    return Open(kContentsFile);
}

bool HelpWindow::ShowSearch() {
    if (!ShowContents()) return false;
    search_->clear();
    search_->setFocus();
    return true;
}

bool HelpWindow::ShowHowToUseHelp() {
    return Open(kHowToUseFile);
}

std::vector<HelpPage> HelpWindow::Search(const QString& words) const {
    const QStringList wanted = words.split(QChar(' '), Qt::SkipEmptyParts);
    std::vector<HelpPage> found;
    for (const HelpPage& page : pages_) {
        QTextDocument document;
        document.setHtml(PageText(page.file));
        const QString text = page.title + QChar(' ') + document.toPlainText();
        const bool all = std::all_of(wanted.begin(), wanted.end(), [&](const QString& word) {
            return text.contains(word, Qt::CaseInsensitive);
        });
        if (all) found.push_back(page);
    }
    return found;
}

bool HelpWindow::Open(const QString& file) {
    if (!QFile::exists(folder_ + QChar('/') + file)) return false;
    const QString path = folder_ + QChar('/') + file;
    browser_->setSource(path.startsWith(QStringLiteral(":/")) ? QUrl(QStringLiteral("qrc") + path)
                                                              : QUrl::fromLocalFile(path));
    current_ = file;
    show();
    raise();
    activateWindow();
    return true;
}

void HelpWindow::FillList(const std::vector<HelpPage>& pages) {
    list_->clear();
    for (const HelpPage& page : pages) {
        auto* item = new QListWidgetItem(page.title, list_);
        item->setData(Qt::UserRole, page.file);
    }
}

QString HelpWindow::PageText(const QString& file) const {
    QFile page(folder_ + QChar('/') + file);
    if (!page.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(page.readAll());
}

}  // namespace ostinel::gui
