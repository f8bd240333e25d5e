#pragma once

class QLineEdit;
class QPalette;

// How the window's text boxes look, in any palette, light or dark. The path boxes are
// disabled, but a chosen path must stay readable: their text is as grey as it can be at a
// contrast of at least 4.5:1 (WCAG AA) against the box. A box still showing its placeholder
// is in italics, a name box's text also greyed. While files are dragged over the window,
// the boxes a drop would fill are tinted with the palette's highlight.
namespace BoxLook {

void applyToPath(QLineEdit* box, const QPalette& palette, bool showsPlaceholder, bool dropTarget);
void applyToName(QLineEdit* box, const QPalette& palette, bool showsPlaceholder);

} // namespace BoxLook
