#include "ui/DialogOwner.h"

#include <QApplication>
#include <QWidget>

#include <algorithm>

namespace DialogOwner {

QWidget* current()
{
    if (QWidget* active = QApplication::activeWindow())
        return active;
    // While another program has the focus, the box still belongs to the program's
    // window, rather than to a tooltip or menu that happens to be shown.
    const QWidgetList windows = QApplication::topLevelWidgets();
    const auto shown = std::find_if(windows.cbegin(), windows.cend(), [](const QWidget* window) {
        return window->isVisible() && window->windowType() == Qt::Window;
    });
    return shown == windows.cend() ? nullptr : *shown;
}

} // namespace DialogOwner
