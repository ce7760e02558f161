#include "gui/desktop_ui.h"

#include <QFileInfo>
#include <QMessageBox>

#include "gui/main_window.h"
#include "strings/string_ids.h"
#include "strings/string_table.h"
#include "views/view_area.h"

namespace ostinel::gui {

namespace {

QString FromView(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

}  // namespace

QString ApplicationTitle() {
    return FromView(StringTable().Get(string_id::kApplicationTitle));
}

void MessageBoxPresenter::Show(QWidget* owner, const QString& caption, const QString& text) {
    QMessageBox::information(owner, caption, text, QMessageBox::Ok);
}

void MessageBoxPresenter::ShowError(QWidget* owner, const QString& caption, const QString& text) {
    QMessageBox::critical(owner, caption, text, QMessageBox::Ok);
}

bool MessageBoxPresenter::Confirm(QWidget* owner, const QString& caption, const QString& text) {
    return QMessageBox::question(owner, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Ok) == QMessageBox::Ok;
}

void DesktopUi::ShowMessage(std::string_view text) {
    if (window_ != nullptr) window_->ForceRepaint();
    presenter_.Show(window_, ApplicationTitle(), FromView(text));
    if (window_ != nullptr) window_->ForceRepaint();
}

bool DesktopUi::ConfirmMessage(std::string_view text) {
    const bool ok = presenter_.Confirm(window_, ApplicationTitle(), FromView(text));
    if (window_ != nullptr) window_->ForceRepaint();
    return ok;
}

void DesktopUi::ShowError(int stringId) {
    if (window_ != nullptr) window_->ForceRepaint();
    presenter_.ShowError(window_, ApplicationTitle(), FromView(StringTable().Get(stringId)));
    if (window_ != nullptr) window_->ForceRepaint();
}

void DesktopUi::ShowFileError(int stringId, const std::string& path) {
    if (window_ != nullptr) window_->ForceRepaint();
    const QString name = QFileInfo(QString::fromStdString(path)).fileName();
    presenter_.ShowError(
        window_, ApplicationTitle(),
        QStringLiteral("%1\n\n%2").arg(name, FromView(StringTable().Get(stringId))));
    if (window_ != nullptr) window_->ForceRepaint();
}

void DesktopUi::PositionChanged() {
    if (window_ != nullptr) window_->Area().PositionChanged();
}

void DesktopUi::MenuStateChanged() {
    if (window_ != nullptr) window_->RefreshMenus();
}

void DesktopUi::TrackChanged(int track) {
    if (window_ != nullptr) window_->Area().TrackChanged(track);
}

void DesktopUi::FlashButton(FlashButtonTarget button) {
    if (window_ != nullptr) window_->Area().FlashButton(button.view, button.element);
}

}  // namespace ostinel::gui
