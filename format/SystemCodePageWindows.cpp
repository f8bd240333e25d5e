// The system's ANSI code page, through the Windows conversion functions.
#include "format/SystemCodePage.h"

#include <windows.h>

namespace SystemCodePage {

unsigned number()
{
    return GetACP();
}

std::optional<char> byteFor(char32_t character)
{
    if (character < 0x80)
        return static_cast<char>(character);
    // Control characters U+0080 to U+009F that Windows keeps on the bytes its
    // code page leaves undefined go back to those bytes, so that every TVK file's
    // names are written again as they were read.
    const QString text = QString::fromUcs4(&character, 1);
    char bytes[4] = {};
    BOOL usedDefault = FALSE;
    // No "best fit": a character the code page lacks is refused, never stored
    // as a look-alike. Code pages that need several bytes (or UTF-8) give more
    // than one byte, and those characters are refused too.
    const int written = WideCharToMultiByte(
        CP_ACP, WC_NO_BEST_FIT_CHARS, reinterpret_cast<const wchar_t*>(text.utf16()),
        int(text.size()), bytes, int(sizeof bytes), nullptr, &usedDefault);
    if (written != 1 || usedDefault)
        return std::nullopt;
    return bytes[0];
}

char32_t characterFor(char byte)
{
    wchar_t character = 0;
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &byte, 1, &character, 1) != 1)
        return char32_t(static_cast<unsigned char>(byte));
    return character;
}

} // namespace SystemCodePage
