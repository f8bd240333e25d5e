#pragma once

#include <QString>

// How the program tells the user something: one text, one OK button, modal.
// The Convert command and the windows talk to this interface only, so that the
// program can pass message boxes and the tests a recorder.
class MessageService
{
public:
    enum class Kind
    {
        Information,
        Warning,
        Error
    };

    virtual ~MessageService() = default;
    virtual void showMessage(const QString& text, Kind kind) = 0;
};
