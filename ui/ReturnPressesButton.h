#pragma once

#include <QObject>

class QWidget;

// Return and Enter press the focused button, as Space does: the convention of
// the desktop the program comes from, where a window's buttons answer both.
class ReturnPressesButton : public QObject
{
    Q_OBJECT

public:
    // Watches every push button of the form; the filter lives as the form's child.
    static void installOn(QWidget* form);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};
