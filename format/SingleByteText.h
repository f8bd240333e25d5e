#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// TVK files keep each character of a text in one byte of a single-byte code
// page: Windows-1252 of the Western Windows systems the files come from, or on
// Windows the system's own ANSI code page (format/SystemCodePage.h).
namespace SingleByteText {

struct Encoding
{
    QByteArray bytes;
    // The first character that has no byte in the code page; bytes is empty then.
    std::optional<char32_t> unencodable;
};

Encoding encode(const QString& text);

// The reverse mapping, in the same code page; the five bytes that Windows-1252
// leaves undefined come back as the control characters of the same number, as
// Windows reads them.
QString decode(const QByteArray& bytes);

// "“é” (U+00E9)": a character as the user is shown it in a message.
QString describeCharacter(char32_t character);

} // namespace SingleByteText
