#include "files/DisplayText.h"

#include <QCoreApplication>
#include <QDir>

namespace DisplayText {

constexpr QChar kZeroWidthSpace(0x200B);
// Runs longer than this get break opportunities; shorter words wrap as words.
constexpr int kLongestRun = 24;

QString escapeControls(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        // C0, DEL and C1.
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F))
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

QString breakableAnywhere(const QString& text)
{
    QString result;
    result.reserve(text.size() + text.size() / 8);
    int run = 0;
    for (const QChar c : text) {
        result += c;
        run = c.isSpace() ? 0 : run + 1;
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || run >= kLongestRun) {
            result += kZeroWidthSpace;
            run = 0;
        }
    }
    return result;
}

std::optional<QString> notUtf8(const QByteArray& name)
{
    if (QString::fromUtf8(name).toUtf8() == name)
        return std::nullopt;
    QString shown;
    for (const char byte : name) {
        const auto value = static_cast<uchar>(byte);
        shown += value >= 0x20 && value < 0x7F
                     ? QString(QLatin1Char(byte))
                     : QStringLiteral("\\x%1").arg(value, 2, 16, QLatin1Char('0'));
    }
    return shown;
}

std::optional<QString> notUtf8Argument([[maybe_unused]] int argc, [[maybe_unused]] char* argv[])
{
#ifndef Q_OS_WIN
    for (int i = 1; i < argc; ++i) {
        if (const std::optional<QString> shown = notUtf8(argv[i])) {
            return QStringLiteral(
                       "The name '%1' is not valid UTF-8, so it cannot be used exactly as given.")
                .arg(*shown);
        }
    }
#endif
    return std::nullopt;
}

QString cannotWriteFile(const QString& path, const QString& reason)
{
    return QCoreApplication::translate("DisplayText", "Cannot write file %1:\n%2")
        .arg(displayPath(path), reason);
}

} // namespace DisplayText
