#pragma once

#include <QString>

#include <cstdio>

// Text for standard output or standard error, as a terminal shows it right: UTF-8
// bytes, or on a Windows console its own wide characters (the console's code
// page would show a name such as "Zoë" wrong).
namespace ConsoleText {

void write(std::FILE* stream, const QString& text);

} // namespace ConsoleText
