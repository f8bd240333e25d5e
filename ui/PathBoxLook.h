#pragma once

class QColor;
class QLineEdit;
class QPalette;

// The path boxes are disabled, and their text greyed as disabled text is, but a
// chosen path must stay readable: the greyed text is made as grey as it can be
// while keeping a contrast of at least 4.5:1 (WCAG AA) against the box, in any
// palette, light or dark. A box still showing its placeholder is drawn in italics,
// so that it looks different from a chosen path.
namespace PathBoxLook {

inline constexpr double kLeastContrast = 4.5;

void apply(QLineEdit* box, const QPalette& palette, bool showsPlaceholder);

// The WCAG contrast ratio of two colours' relative luminances, from 1 to 21.
double contrast(const QColor& first, const QColor& second);

} // namespace PathBoxLook
