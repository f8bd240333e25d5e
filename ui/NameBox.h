#pragma once

#include <QLineEdit>

// The text box of a name. It tells when the mouse clicks it, so that the window
// can clear a placeholder then; reaching it with the keyboard leaves the text as
// it is and unselected, so that typing adds to it rather than replacing it.
class NameBox : public QLineEdit
{
    Q_OBJECT

public:
    using QLineEdit::QLineEdit;

Q_SIGNALS:
    void clicked();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};
