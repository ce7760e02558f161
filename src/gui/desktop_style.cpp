#include "gui/desktop_style.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

#include "views/palette.h"

// Resources compiled into a static library need naming once, outside any namespace.
static bool InitDesktopResources() {
    Q_INIT_RESOURCE(ostinel);
    Q_INIT_RESOURCE(help);
    return true;
}

namespace ostinel::gui {

void LoadDesktopResources() {
    [[maybe_unused]] static const bool loaded = InitDesktopResources();
}

void ApplyDesktopStyle(QApplication& app) {
    LoadDesktopResources();
    const views::Palette& colours = views::CurrentPalette();
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
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
    app.setPalette(palette);
}

}  // namespace ostinel::gui
