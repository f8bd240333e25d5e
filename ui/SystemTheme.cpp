#include "ui/SystemTheme.h"

#include "host/Registry.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>

namespace SystemTheme {

namespace {

// The colours of Windows' own dark apps: grey surfaces, white text, the
// accent for selections; text on every surface well past 4.5:1.
QPalette darkPalette()
{
    const QColor window(0x20, 0x20, 0x20);
    const QColor base(0x2b, 0x2b, 0x2b);
    const QColor button(0x37, 0x37, 0x37);
    const QColor text(0xff, 0xff, 0xff);
    const QColor dimmed(0x9d, 0x9d, 0x9d);
    QPalette palette;
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, dimmed);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, button);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, QColor(0xff, 0x99, 0x99));
    palette.setColor(QPalette::Light, QColor(0x55, 0x55, 0x55));
    palette.setColor(QPalette::Midlight, QColor(0x45, 0x45, 0x45));
    palette.setColor(QPalette::Mid, QColor(0x30, 0x30, 0x30));
    palette.setColor(QPalette::Dark, QColor(0x19, 0x19, 0x19));
    palette.setColor(QPalette::Shadow, Qt::black);
    palette.setColor(QPalette::Highlight, QColor(0x00, 0x5f, 0xb8));
    palette.setColor(QPalette::HighlightedText, text);
    palette.setColor(QPalette::Link, QColor(0x99, 0xeb, 0xff));
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, dimmed);
    palette.setColor(QPalette::Disabled, QPalette::Base, window);
    palette.setColor(QPalette::Disabled, QPalette::Button, window);
    return palette;
}

} // namespace

void apply(QApplication& application)
{
    const std::optional<quint32> light = Registry::readUserNumber(
        QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize"),
        QStringLiteral("AppsUseLightTheme"));
    if (!light || *light != 0)
        return;
    QApplication::setStyle(QStringLiteral("Fusion"));
    application.setPalette(darkPalette());
}

} // namespace SystemTheme
