#include "runtime/QtFileDialogService.h"

#include <QFileDialog>

QtFileDialogService::QtFileDialogService(QWidget* parentWindow) : m_parentWindow(parentWindow) {}

void QtFileDialogService::setParentWindow(QWidget* parentWindow)
{
    m_parentWindow = parentWindow;
}

QString QtFileDialogService::askOpenFile(const Request& request)
{
    return ask(request, false);
}

QString QtFileDialogService::askSaveFile(const Request& request)
{
    return ask(request, true);
}

QStringList QtFileDialogService::toNameFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList nameFilters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts.at(i);
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // QFileDialog reads the patterns from the parentheses of the filter's text.
        nameFilters << (description.contains(QLatin1Char('(') + patterns + QLatin1Char(')'))
                            ? description
                            : description + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return nameFilters;
}

QString QtFileDialogService::ask(const Request& request, bool forSaving)
{
    QFileDialog dialog(m_parentWindow.data(), request.title, request.initialFolder);
    dialog.setNameFilters(toNameFilters(request.filter));
    if (forSaving) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}
