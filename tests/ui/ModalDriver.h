#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>

#include <functional>

// Runs `inside` on the modal window of type T once it shows, while the code that
// opened it waits in its own event loop. `inside` must close the window; if it
// does not, the window is rejected so that the test ends instead of hanging.
// Returns whether `inside` ran.
template <typename T>
bool whileModalShows(const std::function<void()>& open, const std::function<void(T*)>& inside)
{
    bool ran = false;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        auto* window = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!window || !window->isVisible())
            return;
        poll.stop();
        ran = true;
        inside(window);
        if (window->isVisible()) {
            if (auto* dialog = qobject_cast<QDialog*>(window))
                dialog->reject();
        }
    });
    poll.start();
    open();
    return ran;
}
