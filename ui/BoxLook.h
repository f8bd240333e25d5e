#pragma once

class QLineEdit;
class QPalette;

// How the window's text boxes look, in any palette, light or dark.
//
// The path boxes are disabled, and their text greyed as disabled text is, but a
// chosen path must stay readable: the greyed text is made as grey as it can be
// while keeping a contrast of at least 4.5:1 (WCAG AA) against the box. A box
// still showing its placeholder is drawn in italics, so that it looks different
// from a chosen path; a name box showing its placeholder is drawn the same way.
// While files are dragged over the window, the boxes a drop would fill are tinted
// with the palette's highlight.
namespace BoxLook {

void applyToPath(QLineEdit* box, const QPalette& palette, bool showsPlaceholder, bool dropTarget);
void applyToName(QLineEdit* box, const QPalette& palette, bool showsPlaceholder);

} // namespace BoxLook
