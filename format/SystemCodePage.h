#pragma once

#include <QString>

#include <optional>

// The single-byte code page that texts of TVK files are written in: on Windows
// the system's ANSI code page (1252 on Western systems, 1251 on Cyrillic ones),
// as the program always wrote them there; elsewhere Windows-1252.
namespace SystemCodePage {

// Its number, such as 1252.
unsigned number();

// "Windows-1252", as the user is told it.
QString name();

// What a name refused for a character with no single byte here may hold
// instead, as advice: "Use letters of Western European languages only."
QString letterAdvice();

// The one byte that stands for the character, if there is exactly one: a
// character the code page lacks, or needs two bytes for, has none.
std::optional<char> byteFor(char32_t character);

// The character a byte stands for.
char32_t characterFor(char byte);

} // namespace SystemCodePage
