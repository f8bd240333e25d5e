#include "ui/QtMessageService.h"

#include "files/DisplayText.h"
#include "host/ProgramInfo.h"
#include "ui/DialogOwner.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>
#include <QShortcut>

namespace {
QMessageBox::Icon iconFor(MessageService::Kind kind)
{
    switch (kind) {
    case MessageService::Kind::Information:
        return QMessageBox::Information;
    case MessageService::Kind::Warning:
        return QMessageBox::Warning;
    case MessageService::Kind::Error:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}
} // namespace

void QtMessageService::showMessage(const QString& text, Kind kind)
{
    // A long file name wraps anywhere, so the box stays on the screen and shows it whole.
    QMessageBox box(iconFor(kind), ProgramInfo::title, DisplayText::breakableAnywhere(text),
                    QMessageBox::Ok, DialogOwner::current());
    // Copied as it is, without the breaks: a path copied from the box is the path.
    const QShortcut copy(QKeySequence::Copy, &box);
    QObject::connect(&copy, &QShortcut::activated, &box,
                     [&text] { QGuiApplication::clipboard()->setText(text); });
    box.exec();
}
