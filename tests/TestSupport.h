#pragma once

#include "runtime/FileDialogService.h"
#include "runtime/MessageService.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Records every message in order instead of showing it.
class RecordingMessages final : public MessageService
{
public:
    void showMessage(const QString& text, Kind kind) override
    {
        texts << text;
        kinds << kind;
    }

    QStringList texts;
    QList<Kind> kinds;
};

// Answers each file dialog from a queue and records what it was asked.
class ScriptedFileDialogs final : public FileDialogService
{
public:
    struct Asked
    {
        bool forSaving = false;
        Request request;
    };

    QString askOpenFile(const Request& request) override { return answer(request, false); }
    QString askSaveFile(const Request& request) override { return answer(request, true); }

    QStringList answers;
    QList<Asked> asked;

private:
    QString answer(const Request& request, bool forSaving)
    {
        asked.append({forSaving, request});
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
};

namespace TestFiles {
inline constexpr qsizetype KiB = 1024;

// Writes the bytes to the path, creating its folder; fails the test on error.
bool write(const QString& path, const QByteArray& bytes);
QByteArray read(const QString& path);
// The names of every entry in a folder, hidden ones included.
QStringList entries(const QString& folder);
} // namespace TestFiles
