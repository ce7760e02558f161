#include "gui/main_window.h"

#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QStatusBar>
#include <QToolButton>
#include <QUrl>

#include "app/command_ids.h"
#include "app/command_line.h"
#include "app/load_result_messages.h"
#include "app/performance_saving.h"
#include "gui/audio_render.h"
#include "gui/desktop_style.h"
#include "strings/string_ids.h"
#include "strings/string_table.h"

namespace ostinel::gui {

namespace {

QString FromView(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// A file dialog filter from a string-table name such as "Standard MIDI
// Files (*.mid, *.smf)" and a pattern such as "*.mid;*.smf".
QString FileFilter(int nameId, const QString& patterns) {
    QString name = FromView(StringTable().Get(nameId));
    const qsizetype bracket = name.indexOf(QChar('('));
    if (bracket > 0) name = name.left(bracket).trimmed();
    return QStringLiteral("%1 (%2)").arg(name, patterns);
}

QString Patterns(int patternId) {
    QString patterns = FromView(StringTable().Get(patternId));
    patterns.replace(QChar(';'), QChar(' '));
    return patterns;
}

// The first local file of a drag, when it is named like a piece.
QString DroppedPieceFile(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasUrls() || mime->urls().isEmpty()) return {};
    const QString path = mime->urls().first().toLocalFile();
    return NamesPieceFile(path.toStdString()) ? path : QString();
}

QString MidiFileFilter() {
    return FileFilter(string_id::kMidiFileFilterName, Patterns(string_id::kMidiFileFilterPattern));
}

// Pieces open from MIDI files and MusicXML scores: both together first,
// then each kind alone.
QString PieceFileFilter() {
    const QString midi = Patterns(string_id::kMidiFileFilterPattern);
    const QString scores = Patterns(string_id::kScoreFileFilterPattern);
    return FileFilter(string_id::kPieceFileFilterName, midi + QChar(' ') + scores) +
           QStringLiteral(";;") + MidiFileFilter() + QStringLiteral(";;") +
           FileFilter(string_id::kScoreFileFilterName, scores);
}

}  // namespace

MainWindow::MainWindow(Engine& engine, DesktopUi& ui, QWidget* parent)
    : QMainWindow(parent), engine_(engine), ui_(ui) {
    LoadDesktopResources();
    dialogs_ = std::make_unique<dialogs::DialogContext>(dialogs::DialogContext{
        engine_, beeper_, this, [this](int topic) { ShowHelp(topic); }, std::nullopt, true});
    setWindowTitle(ApplicationTitle());
    setWindowIcon(QIcon(QStringLiteral(":/ostinel.svg")));
    setAcceptDrops(true);
    area_ = new views::ViewArea(engine_, this);
    setCentralWidget(area_);
    score_ = new views::ScoreView(engine_, *area_);
    connect(score_, &views::ScoreView::shownChanged, this, &MainWindow::RefreshMenus);
    idle_ = new IdleLoop(engine_, this);
    menu_ = new MainMenu(*this, engine_, [this](int command) { DispatchCommand(command); });
    ui_.SetWindow(this);
    connect(area_, &views::ViewArea::commandRequested, this,
            [this](int command) { DispatchCommand(command); });
    connect(area_, &views::ViewArea::viewsChanged, this, &MainWindow::RefreshMenus);
    connect(area_, &views::ViewArea::engineTouched, this, [this] {
        RefreshMenus();
        idle_->Kick();
    });
    idle_->SetAfterPass([this] {
        if (!engine_.NeedsIdlePass()) RefreshMenus();
    });
    area_->setFocus();
    RefreshMenus();
}

MainWindow::~MainWindow() {
    ui_.SetWindow(nullptr);
}

void MainWindow::RefreshMenus() {
    std::array<bool, 8> shown{};
    for (int view = 0; view < 8; ++view)
        shown[std::size_t(view)] = area_->Layout().Shown(view);
    menu_->Refresh(shown, score_->Shown());
    area_->MenuStateChanged();
    score_->TransportChanged();
    // The title bar names the piece as the Title view does.
    const QString piece = QString::fromStdString(area_->PieceTitle());
    setWindowTitle(piece.isEmpty() ? ApplicationTitle()
                                   : QStringLiteral("%1 - %2").arg(piece, ApplicationTitle()));
}

void MainWindow::ShowLastingWarning(const QString& text) {
    if (warning_ == nullptr) {
        warning_ = new QWidget;
        auto* row = new QHBoxLayout(warning_);
        row->setContentsMargins(0, 0, 0, 0);
        warningText_ = new QLabel;
        auto* dismiss = new QToolButton;
        dismiss->setText(QStringLiteral("Dismiss"));
        row->addWidget(warningText_, 1);
        row->addWidget(dismiss);
        connect(dismiss, &QToolButton::clicked, this, &MainWindow::DismissLastingWarning);
        statusBar()->addWidget(warning_, 1);
    }
    warningText_->setText(text);
    warning_->show();
    statusBar()->show();
}

QString MainWindow::LastingWarning() const {
    return warning_ != nullptr && !warning_->isHidden() ? warningText_->text() : QString();
}

void MainWindow::DismissLastingWarning() {
    if (warning_ != nullptr) warning_->hide();
}

void MainWindow::ForceRepaint() {
    if (isVisible()) repaint();
}

// --- opening pieces ---------------------------------------------------------------

LoadResult MainWindow::OpenFile(const std::string& named) {
    // Kept whole, so that the next start finds the piece from any folder.
    const std::string path =
        QFileInfo(QString::fromStdString(named)).absoluteFilePath().toStdString();
    const LoadResult result =
        namedSettings_ != nullptr ? namedSettings_->OpenPiece(path) : engine_.OpenPiece(path);
    if (result == LoadResult::Loaded) {
        openFolder_ = QFileInfo(QString::fromStdString(path)).absolutePath();
        area_->LayoutViews();
        score_->PieceOpened();
        if (namedSettings_ != nullptr) namedSettings_->ViewsLaidOut();
        area_->PieceOpenedUnderTitlePicture();
        RefreshMenus();
    }
    idle_->Kick();
    return result;
}

bool MainWindow::OpenCommand() {
    bool failed = false;
    for (;;) {
        const QString path = openFileChooser_
                                 ? openFileChooser_()
                                 : QFileDialog::getOpenFileName(this, ApplicationTitle(),
                                                                openFolder_, PieceFileFilter());
        if (path.isEmpty()) {
            // Giving up after a file that would not open ends the program,
            // and says so first.
            if (failed) {
                ui_.ShowError(string_id::kQuitAfterProblems);
                close();
            }
            return false;
        }
        const LoadResult result = OpenFile(path.toStdString());
        if (result == LoadResult::Loaded) return true;
        ui_.ShowFileError(OpenCommandLoadMessage(result), path.toStdString());
        failed = true;
    }
}

void MainWindow::SavePerformanceAsCommand() {
    if (!PerformanceExists(engine_.GetTransport().PerformanceTempos())) return;
    ForceRepaint();
    const QString offered =
        QDir(openFolder_).filePath(QString::fromStdString(DefaultPerformanceFileName(engine_)));
    // The dialog asks before an existing file is replaced.
    const QString path =
        QFileDialog::getSaveFileName(this, ApplicationTitle(), offered, MidiFileFilter());
    if (path.isEmpty()) return;
    openFolder_ = QFileInfo(path).absolutePath();
    ForceRepaint();
    if (SavePerformanceAs(engine_, path.toStdString()) != PerformanceWriteResult::Written)
        ui_.ShowFileError(string_id::kCannotSaveFile, path.toStdString());
}

std::optional<std::string> MainWindow::AskMidiFileToSave(const std::string& suggested) {
    ForceRepaint();
    // The dialog asks before an existing file is replaced.
    const QString path = QFileDialog::getSaveFileName(
        this, ApplicationTitle(), QString::fromStdString(suggested), MidiFileFilter());
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

bool MainWindow::OpenFirstPiece(const QString& commandLine, const std::string& lastPiece) {
    const std::string text = commandLine.toStdString();
    const CommandLineReading reading = ReadCommandLine(text);
    if (reading.errorStringId != 0) ui_.ShowError(reading.errorStringId);
    // A name the command line does not give (blank, refused or ignored)
    // leaves the start to the last piece.
    const bool named = reading.outcome == CommandLineOutcome::StartFile;
    const std::string first = named ? std::string(reading.startFile) : lastPiece;
    if (!first.empty()) {
        const LoadResult result = OpenFile(first);
        if (result == LoadResult::Loaded) return true;
        // The last piece that no longer opens is dropped without a word, or
        // the same message would greet every start.
        if (named || result == LoadResult::OutOfMemory)
            ui_.ShowFileError(StartupLoadMessage(result), first);
        if (result == LoadResult::OutOfMemory) return false;
    }
    return OpenCommand();
}

void MainWindow::HandOverCommandLine(const QString& commandLine) {
    // The user started the program again: they look for this window, also
    // when it was minimised.
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
    if (engine_.GetTransport().Mode().playing || commandLine.isEmpty()) return;
    const std::string text = commandLine.toStdString();
    const CommandLineReading reading = ReadCommandLine(text);
    if (reading.errorStringId != 0) ui_.ShowError(reading.errorStringId);
    if (reading.outcome != CommandLineOutcome::StartFile) return;
    const LoadResult result = OpenFile(std::string(reading.startFile));
    if (result == LoadResult::Loaded) return;
    ui_.ShowFileError(OpenCommandLoadMessage(result), std::string(reading.startFile));
    if (result == LoadResult::OutOfMemory) {
        close();
        return;
    }
    if (!OpenCommand() && engine_.CurrentPiece() == nullptr) close();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!engine_.GetTransport().Mode().playing && !DroppedPieceFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString path = DroppedPieceFile(event->mimeData());
    if (engine_.GetTransport().Mode().playing || path.isEmpty()) return;
    event->acceptProposedAction();
    ForceRepaint();
    const LoadResult result = OpenFile(path.toStdString());
    // A file that does not load leaves the open piece as it was.
    if (result != LoadResult::Loaded) ui_.ShowError(OpenCommandLoadMessage(result));
}

// --- keys ------------------------------------------------------------------------

// While following tapped beats on the space bar, the key is the tap reader's.
bool MainWindow::SpaceBarTaps() {
    const FollowingOptions& following = engine_.Following();
    return engine_.GetTransport().Mode().following &&
           following.followSource == FollowSource::TappedBeats &&
           following.tapSource == TapSource::SpaceBar;
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (area_->TitlePictureShown()) area_->RemoveTitlePicture();
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        engine_.Keys().SetSpaceBarDown(true);
        if (!SpaceBarTaps() && engine_.CurrentPiece() != nullptr) {
            Transport& transport = engine_.GetTransport();
            if (!transport.Mode().playing) {
                transport.PlayAndFollow();
                area_->FlashButton(views::kMainTransportView, views::element::kPlayAndFollow);
            } else {
                transport.Stop();
                area_->FlashButton(views::kMainTransportView, views::element::kStop);
            }
            RefreshMenus();
            idle_->Kick();
        }
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void MainWindow::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        engine_.Keys().SetSpaceBarDown(false);
        event->accept();
        return;
    }
    QMainWindow::keyReleaseEvent(event);
}

void MainWindow::StopForExit() {
    Transport& transport = engine_.GetTransport();
    if (transport.Mode().playing) {
        transport.Stop();
        area_->FlashButton(views::kMainTransportView, views::element::kStop);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    StopForExit();
    emit closing();
    event->accept();
}

}  // namespace ostinel::gui
