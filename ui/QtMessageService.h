#pragma once

#include "ui/MessageService.h"

// Shows each message in a modal QMessageBox with the program's title as caption,
// over the window that is active then (DialogOwner).
class QtMessageService final : public MessageService
{
public:
    void showMessage(const QString& text, Kind kind) override;
};
