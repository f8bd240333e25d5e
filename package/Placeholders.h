#pragma once

#include <QString>

// The texts the five boxes of the main window start with. A box still holding
// its placeholder (the whole text, letter case included) counts as empty.
namespace Placeholders {
inline const QString leftIcon = QStringLiteral("Input name - Left ICO");
inline const QString rightIcon = QStringLiteral("Input name - Right ICO");
inline const QString output = QStringLiteral("Output name - Complete TVK");
inline const QString name = QStringLiteral("Tovrik name");
inline const QString author = QStringLiteral("Author Name");
} // namespace Placeholders
