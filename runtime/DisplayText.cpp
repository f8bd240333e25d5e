#include "runtime/DisplayText.h"

#include <QDir>

namespace DisplayText {

namespace {
bool isControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}
} // namespace

QString escapeControls(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (isControl(c.unicode()))
            escaped += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            escaped += c;
    }
    return escaped;
}

QString displayPath(const QString& path)
{
    return escapeControls(QDir::toNativeSeparators(path));
}

} // namespace DisplayText
