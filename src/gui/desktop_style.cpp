#include "gui/desktop_style.h"

#include <QApplication>
#include <QPalette>
#include <QProxyStyle>
#include <QStyleFactory>

#include "views/palette.h"

// Resources compiled into a static library need naming once, outside any namespace.
static bool InitDesktopResources() {
    Q_INIT_RESOURCE(ostinel);
    Q_INIT_RESOURCE(help);
    return true;
}

namespace ostinel::gui {
namespace {

// Fusion, without the engraved look it gives disabled text: on these dark
// panels the engraving's light edge made a disabled item brighter than an
// enabled one.
class DesktopStyle final : public QProxyStyle {
  public:
    DesktopStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
        if (hint == SH_EtchDisabledText) return 0;
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

}  // namespace

void LoadDesktopResources() {
    [[maybe_unused]] static const bool loaded = InitDesktopResources();
}

void ApplyDesktopStyle(QApplication& app) {
    LoadDesktopResources();
    const views::Palette& colours = views::CurrentPalette();
    app.setStyle(new DesktopStyle);
    QPalette palette;
    palette.setColor(QPalette::Window, colours.panelBottom);
    palette.setColor(QPalette::WindowText, colours.stripText);
    palette.setColor(QPalette::Base, colours.wellFill.lighter(180));
    palette.setColor(QPalette::AlternateBase, colours.panelTop);
    palette.setColor(QPalette::Text, colours.stripText);
    palette.setColor(QPalette::Button, colours.panelTop);
    palette.setColor(QPalette::ButtonText, colours.stripText);
    palette.setColor(QPalette::Highlight, colours.ledOn.darker(130));
    palette.setColor(QPalette::HighlightedText, colours.wellFill);
    palette.setColor(QPalette::ToolTipBase, colours.panelTop);
    palette.setColor(QPalette::ToolTipText, colours.stripText);
    palette.setColor(QPalette::Disabled, QPalette::Text, colours.iconDisabled);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, colours.iconDisabled);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, colours.iconDisabled);
    // No light edge under disabled text and no bright placeholder: both dim.
    palette.setColor(QPalette::Disabled, QPalette::Light, colours.panelBottom);
    palette.setColor(QPalette::PlaceholderText, colours.caption);
    app.setPalette(palette);
}

}  // namespace ostinel::gui
