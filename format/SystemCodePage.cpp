#include "format/SystemCodePage.h"

#include <array>

namespace SystemCodePage {

QString name()
{
    return QStringLiteral("Windows-%1").arg(number());
}

QString letterAdvice()
{
    // ASCII is one byte in every ANSI code page; what else is depends on the page. Code
    // pages of several bytes a character (UTF-8, Chinese, Korean) keep only ASCII single.
    switch (number()) {
    case 1252:
        return QStringLiteral("Use letters of Western European languages only.");
    case 1250:
        return QStringLiteral("Use letters of Central European languages only.");
    case 1251:
        return QStringLiteral("Use Cyrillic or English letters only.");
    case 1253:
        return QStringLiteral("Use Greek or English letters only.");
    case 1254:
        return QStringLiteral("Use Turkish or English letters only.");
    case 1255:
        return QStringLiteral("Use Hebrew or English letters only.");
    case 1256:
        return QStringLiteral("Use Arabic or English letters only.");
    case 1257:
        return QStringLiteral("Use letters of Baltic languages or English letters only.");
    case 1258:
        return QStringLiteral("Use Vietnamese or English letters only.");
    case 874:
        return QStringLiteral("Use Thai or English letters only.");
    case 932:
        return QStringLiteral("Use English letters or half-width katakana only.");
    case 936:
    case 949:
    case 950:
    case 65001:
        return QStringLiteral("Use English letters (A to Z, without accents) only.");
    default:
        return QStringLiteral("Use characters of %1 only.").arg(name());
    }
}

#ifndef Q_OS_WIN

namespace {
// The characters at 0x80..0x9F; 0 where the code page defines no character.
constexpr std::array<char16_t, 32> kHighControlRange = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,      // 0x88
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178, // 0x98
};
} // namespace

unsigned number()
{
    return 1252;
}

// The five control characters that the undefined bytes read as go back to those
// bytes, as Windows writes them, so that every TVK file's names are written
// again as they were read; the other C1 controls have no byte.
std::optional<char> byteFor(char32_t character)
{
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF))
        return static_cast<char>(character);
    for (size_t i = 0; i < kHighControlRange.size(); ++i) {
        const char32_t atByte = kHighControlRange[i] != 0 ? kHighControlRange[i] : 0x80 + i;
        if (atByte == character)
            return static_cast<char>(0x80 + i);
    }
    return std::nullopt;
}

char32_t characterFor(char byte)
{
    const auto code = static_cast<unsigned char>(byte);
    const char16_t high = (code >= 0x80 && code < 0xA0) ? kHighControlRange[code - 0x80] : 0;
    return high != 0 ? high : char32_t(code);
}

#endif

} // namespace SystemCodePage
