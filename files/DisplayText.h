#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace DisplayText {

// Texts from outside (file names, names stored in files) as the program shows
// them: control characters (C0, DEL, C1) become "\x1b" and the like, so that
// nothing shown can steer a terminal or break a message into lines.
QString escapeControls(const QString& text);

// A path in a message: native separators, control characters escaped.
QString displayPath(const QString& path);

// The text with an invisible break opportunity (U+200B) after every path
// separator and inside any long unbroken run, so that a long file name wraps
// anywhere instead of stretching a message box or tooltip past the screen.
QString breakableAnywhere(const QString& text);

// "Cannot write file X:\nreason", the message of every failure to write a file:
// a TVK file, an icon unpacked from one, a thumbnail.
QString cannotWriteFile(const QString& path, const QString& reason);

// A name that came as bytes (an argument, a dropped file's address) and is not
// valid UTF-8, shown with its other bytes as "\xe9"; nothing when it is valid.
// Read as UTF-8 it would be another name, so such a name is refused.
std::optional<QString> notUtf8(const QByteArray& name);

// Why the program's arguments are refused: one is not UTF-8, as notUtf8 tells.
// Never on Windows, whose arguments come as the exact wide command line.
std::optional<QString> notUtf8Argument(int argc, char* argv[]);

} // namespace DisplayText
