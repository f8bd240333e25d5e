#pragma once

class QWidget;

// The window a message box or file dialog belongs to, found as it shows, so that
// the services need no window when they are made: the active window (the options
// window too, when the box is its own), else the program's window while another
// program has the focus, else none.
namespace DialogOwner {

QWidget* current();

} // namespace DialogOwner
