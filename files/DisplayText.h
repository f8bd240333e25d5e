#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace DisplayText {

// Texts from outside (file names, stored names) with control characters (C0, DEL, C1) as
// "\x1b" and the like, so nothing shown can steer a terminal or break a message into lines.
QString escapeControls(const QString& text);

// A path in a message: native separators, control characters escaped.
QString displayPath(const QString& path);

// The text with a break opportunity (U+200B) after every path separator and inside any long
// run, so a long file name wraps instead of stretching a message box past the screen.
QString breakableAnywhere(const QString& text);

// "Cannot write file X:\nreason", the message of every failure to write a file.
QString cannotWriteFile(const QString& path, const QString& reason);

// A name that came as bytes and is not valid UTF-8 (so is refused: read so it would be
// another name), shown with its other bytes as "\xe9"; nothing when it is valid.
std::optional<QString> notUtf8(const QByteArray& name);

// Why the arguments are refused: one is not UTF-8. Never on Windows, where they come wide.
std::optional<QString> notUtf8Argument(int argc, char* argv[]);

} // namespace DisplayText
