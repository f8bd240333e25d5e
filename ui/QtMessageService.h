#pragma once

#include "ui/MessageService.h"

#include <QPointer>

class QWidget;

// Shows each message in a modal QMessageBox with the program's title as caption.
class QtMessageService final : public MessageService
{
public:
    explicit QtMessageService(QWidget* parentWindow = nullptr);

    // The window the boxes belong to; it is created after this service, so it is set later.
    void setParentWindow(QWidget* parentWindow);

    void showMessage(const QString& text, Kind kind) override;

private:
    QPointer<QWidget> m_parentWindow;
};
