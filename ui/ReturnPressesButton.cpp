#include "ui/ReturnPressesButton.h"

#include <QKeyEvent>
#include <QPushButton>

void ReturnPressesButton::installOn(QWidget* form)
{
    auto* filter = new ReturnPressesButton(form);
    for (QPushButton* button : form->findChildren<QPushButton*>())
        button->installEventFilter(filter);
}

bool ReturnPressesButton::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
        (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    auto* button = qobject_cast<QPushButton*>(watched);
    if (button == nullptr || !button->isEnabled())
        return false;
    button->click();
    return true;
}
