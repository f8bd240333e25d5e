#pragma once

#include <QString>

#include <cstdio>

// Text for standard output or error as a terminal shows it right: UTF-8, or on a Windows
// console its wide characters (its code page would show a name such as "Zoë" wrong).
namespace ConsoleText {

void write(std::FILE* stream, const QString& text);

// Whether standard error is a terminal, for progress that only a person reads.
bool standardErrorIsTerminal();

// Makes standard input and output carry bytes unchanged, for pictures piped
// through them (Windows otherwise turns each 0x0A into 0x0D 0x0A).
void makeStandardStreamsBinary();

} // namespace ConsoleText
