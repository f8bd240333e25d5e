#include "format/SingleByteText.h"

#include "format/SystemCodePage.h"

#include <QList>

namespace SingleByteText {

Encoding encode(const QString& text)
{
    Encoding result;
    result.bytes.reserve(text.size());
    // Whole characters, not UTF-16 units: a character beyond U+FFFF is one
    // character to refuse, and a lone surrogate is no character at all.
    for (const char32_t character : text.toUcs4()) {
        const std::optional<char> byte = SystemCodePage::byteFor(character);
        if (!byte) {
            result.bytes.clear();
            result.unencodable = character;
            return result;
        }
        result.bytes.append(*byte);
    }
    return result;
}

QString decode(const QByteArray& bytes)
{
    std::u32string text;
    for (const char byte : bytes)
        text += SystemCodePage::characterFor(byte);
    return QString::fromStdU32String(text);
}

QString describeCharacter(char32_t character)
{
    const QString shown = QString::fromUcs4(&character, 1);
    const QString code = QString::number(static_cast<uint>(character), 16).toUpper();
    return QStringLiteral("\u201C%1\u201D (U+%2)")
        .arg(shown, code.rightJustified(4, QLatin1Char('0')));
}

} // namespace SingleByteText
