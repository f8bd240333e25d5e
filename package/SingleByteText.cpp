#include "package/SingleByteText.h"

#include <QList>

#include <array>

namespace {
// The characters at 0x80..0x9F; 0 where the code page defines no character.
constexpr std::array<char16_t, 32> kHighControlRange = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,      // 0x88
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178, // 0x98
};

std::optional<char> byteFor(char32_t character)
{
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF))
        return static_cast<char>(character);
    for (size_t i = 0; i < kHighControlRange.size(); ++i) {
        if (kHighControlRange[i] != 0 && kHighControlRange[i] == character)
            return static_cast<char>(0x80 + i);
    }
    return std::nullopt;
}
} // namespace

namespace SingleByteText {

Encoding encode(const QString& text)
{
    Encoding result;
    result.bytes.reserve(text.size());
    // Whole characters, not UTF-16 units: a character beyond U+FFFF is one
    // character to refuse, and a lone surrogate is no character at all.
    for (const char32_t character : text.toUcs4()) {
        const std::optional<char> byte = byteFor(character);
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
    QString text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto code = static_cast<unsigned char>(byte);
        const char16_t high = (code >= 0x80 && code < 0xA0) ? kHighControlRange[code - 0x80] : 0;
        text.append(QChar(high != 0 ? high : char16_t(code)));
    }
    return text;
}

QString describeCharacter(char32_t character)
{
    const QString shown = QString::fromUcs4(&character, 1);
    const QString code = QString::number(static_cast<uint>(character), 16).toUpper();
    return QStringLiteral("\u201C%1\u201D (U+%2)")
        .arg(shown, code.rightJustified(4, QLatin1Char('0')));
}

} // namespace SingleByteText
