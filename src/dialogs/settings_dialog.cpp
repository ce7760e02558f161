#include "dialogs/settings_dialog.h"

#include <QHBoxLayout>
#include <QPushButton>

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QRadioButton>
#include <QRubberBand>
#include <QTimer>
#include <cmath>

#include "strings/string_ids.h"
#include "strings/string_table.h"

namespace ostinel::dialogs {

namespace {

constexpr int kZoomFrames = 22;
constexpr int kZoomTrailFrames = 4;
constexpr int kZoomFrameMs = 16;
constexpr double kZoomStep = 0.7;
// Fields read no more than this many characters, like the old edit controls.
constexpr int kMaxFieldChars = 258;

// The rectangle a fraction t of the way from the point to the target, each
// edge rounded toward zero.
QRect ZoomRect(QPoint from, const QRect& to, double t) {
    const auto edge = [t](int a, int b) { return static_cast<int>(a + (b - a) * t); };
    return QRect(QPoint(edge(from.x(), to.left()), edge(from.y(), to.top())),
                 QPoint(edge(from.x(), to.right()), edge(from.y(), to.bottom())));
}

// A rubber-band outline on the main window that runs the zoom on the event
// loop, so that the window keeps painting, and deletes itself at the end.
void PlayZoom(QWidget* window, QPoint fromGlobal, const QRect& targetGlobal, bool opening) {
    auto* band = new QRubberBand(QRubberBand::Rectangle, window);
    auto* timer = new QTimer(band);
    const QPoint from = window->mapFromGlobal(fromGlobal);
    const QRect target(window->mapFromGlobal(targetGlobal.topLeft()), targetGlobal.size());
    auto frame = std::make_shared<int>(0);
    auto t =
        std::make_shared<double>(opening ? std::pow(kZoomStep, 19) : 1.0 - std::pow(kZoomStep, 19));
    QObject::connect(timer, &QTimer::timeout, band, [=] {
        if (*frame >= kZoomFrames - kZoomTrailFrames) {
            band->deleteLater();
            return;
        }
        *t = opening ? *t / kZoomStep : *t * kZoomStep;
        band->setGeometry(ZoomRect(from, target, std::min(*t, 1.0)));
        band->show();
        ++*frame;
    });
    timer->start(kZoomFrameMs);
}

}  // namespace

void SystemBeeper::Beep() {
    QApplication::beep();
}

SettingsDialog::SettingsDialog(DialogContext& context, int helpTopic, const QString& title)
    : QDialog(context.mainWindow.data()),
      context_(context),
      helpTopic_(helpTopic),
      body_(new QVBoxLayout),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                                    QDialogButtonBox::Help)) {
    setWindowTitle(title);
    // Modal to the main window only: the help window, the main window's other
    // child, stays readable, scrollable and searchable beside the dialog.
    setWindowModality(Qt::WindowModal);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(body_);
    outer->addWidget(buttons_);
    outer->setSizeConstraint(QLayout::SetFixedSize);
    OkButton()->setDefault(true);
    connect(buttons_, &QDialogButtonBox::accepted, this, &SettingsDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &SettingsDialog::reject);
    connect(buttons_, &QDialogButtonBox::helpRequested, this, [this] {
        if (context_.showHelp) {
            context_.showHelp(helpTopic_);
        }
    });
    context_.helpTopic = helpTopic_;
    if (context_.zoomAnimation) {
        zoomFrom_ = context_.zoomFrom;
    }
    context_.zoomFrom.reset();
}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::InitDialogCommon() {
    okState_ = OkState::Valid;
    adjustSize();
    CentreOnMainWindow();
}

void SettingsDialog::CentreOnMainWindow() {
    const QWidget* window = context_.mainWindow.data();
    if (window == nullptr) {
        return;
    }
    const QRect main = window->frameGeometry();
    const QSize size = frameGeometry().size();
    move((main.left() + main.right() - size.width()) >> 1,
         (main.top() + main.bottom() - size.height()) >> 1);
}

void SettingsDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!centred_) {
        centred_ = true;
        CentreOnMainWindow();
        Zoom(true);
    }
}

void SettingsDialog::Zoom(bool opening) {
    if (zoomFrom_ && context_.mainWindow) {
        PlayZoom(context_.mainWindow.data(), *zoomFrom_, frameGeometry(), opening);
    }
}

void SettingsDialog::SetOkState(OkState state) {
    if (state == OkState::Invalid && okState_ != OkState::Invalid) {
        context_.beeper.Beep();
    }
    okState_ = state;
    OkButton()->setEnabled(state == OkState::Valid);
}

void SettingsDialog::accept() {
    if (!OkButton()->isEnabled()) {
        return;
    }
    Store();
    QDialog::accept();
}

void SettingsDialog::done(int result) {
    QDialog::done(result);
    Zoom(false);
    zoomFrom_.reset();
    context_.helpTopic = 0;
}

std::string FieldText(const QLineEdit* field) {
    return field->text().left(kMaxFieldChars).toStdString();
}

ParsedNumber SettingsDialog::ReadIntegerField(const QLineEdit* field, bool allowSign,
                                              bool allowEmpty) const {
    return ParseInteger(FieldText(field), allowSign, allowEmpty);
}

ParsedNumber SettingsDialog::ReadNoteField(const QLineEdit* field, bool allowEmpty) const {
    const std::string text = FieldText(field);
    if (text.find_first_not_of(' ') == std::string::npos) {
        return {allowEmpty, 0};
    }
    return ParseNoteName(text);
}

void SettingsDialog::SetNoteField(QLineEdit* field, int note) const {
    const Piece* piece = context_.engine.CurrentPiece();
    const bool flatKey = piece != nullptr && piece->initialKeyHasFlats;
    field->setText(QString::fromStdString(FormatNoteName(note, flatKey)));
}

void SetNumberFieldWidth(QLineEdit* field, int digits) {
    const QFontMetrics metrics(field->font());
    field->setFixedWidth(metrics.horizontalAdvance(QString(digits + 2, QLatin1Char('0'))));
}

QLineEdit* NumberField(int value, int digits) {
    auto* field = new QLineEdit(QString::number(value));
    SetNumberFieldWidth(field, digits);
    return field;
}

QString Text(int stringId) {
    const std::string_view text = StringTable{}.Get(stringId);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void FillChannelList(QComboBox* list) {
    const QString prefix = Text(string_id::kChannelPrefix);
    for (int channel = 1; channel <= 16; ++channel) {
        list->addItem(prefix + QString::number(channel));
    }
}

void FillPortList(QComboBox* list, const PortMap& ports) {
    for (int port = 0; port < kPortCount; ++port) {
        QString name = QString::fromStdString(ports.OutputPortName(port));
        if (name.startsWith(QLatin1Char('&'))) {
            name.remove(0, 1);
        }
        list->addItem(name);
    }
}

QString TrackDisplayName(const Track& track) {
    return QString::fromStdString(track.userName.value_or(track.name));
}

void FillTrackList(QComboBox* list, const Piece& piece, bool withPerformanceTrack) {
    for (int i = 0; i < piece.TrackCount(); ++i) {
        list->addItem(TrackDisplayName(piece.tracks[static_cast<std::size_t>(i)]));
    }
    if (withPerformanceTrack && !piece.tracks.empty()) {
        list->addItem(TrackDisplayName(piece.PerformanceTrack()));
    }
}

void SettingsDialog::AddButtonRow(QPushButton* button) {
    auto* row = new QHBoxLayout;
    row->addWidget(button);
    row->addStretch();
    body_->addLayout(row);
}

void SettingsDialog::AddOnOffRow(QRadioButton* on, QRadioButton* off) {
    auto* pair = new QButtonGroup(this);
    pair->addButton(on);
    pair->addButton(off);
    auto* row = new QHBoxLayout;
    row->addWidget(on);
    row->addWidget(off);
    row->addStretch();
    body_->addLayout(row);
}

}  // namespace ostinel::dialogs
