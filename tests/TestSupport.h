#pragma once

#include "ui/FileDialogService.h"
#include "ui/MessageService.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

class QImage;

// Records every message in order instead of showing it.
class RecordingMessages final : public MessageService
{
public:
    void showMessage(const QString& text, Kind kind) override
    {
        texts << text;
        kinds << kind;
        if (whenShown)
            whenShown(text);
    }

    QStringList texts;
    QList<Kind> kinds;
    // Runs as each message is shown, to look at the program at that moment.
    std::function<void(const QString&)> whenShown;
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

// Empties a folder, hidden entries and subfolders included.
bool clearFolder(const QString& folder);

// A tmpfs of the given size mounted on a temporary folder while this lives, to
// fill a disk for real. Only root may mount: mounted() says whether it worked.
class SmallDisk
{
    Q_DISABLE_COPY_MOVE(SmallDisk)

public:
    explicit SmallDisk(qsizetype size);
    ~SmallDisk();
    bool mounted() const { return m_mounted; }
    QString filePath(const QString& name) const { return m_mountPoint.filePath(name); }
    QString path() const { return m_mountPoint.path(); }

private:
    QTemporaryDir m_mountPoint;
    bool m_mounted = false;
};

// Writes the bytes to the path, creating its folder; returns whether that
// worked, for the test to check (QVERIFY).
bool write(const QString& path, const QByteArray& bytes);
QByteArray read(const QString& path);
// The names of every entry in a folder, hidden ones included.
QStringList entries(const QString& folder);
// Everything under a folder, by relative path: a file's bytes, "-> target" for
// a link (never followed), "/" for a folder. Equal trees mean nothing changed.
QMap<QString, QByteArray> tree(const QString& folder);
} // namespace TestFiles

// A folder of the test's own for the files it makes.
class TestFolder
{
protected:
    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }
    // For each test's init(): an empty folder.
    bool clear() const { return m_dir.isValid() && TestFiles::clearFolder(m_dir.path()); }
};

namespace TestPictures {
// The image as a file of the format ("PNG", "ICO") would hold it.
QByteArray encoded(const QImage& image, const char* format);
// A PNG chunk, its CRC-32 as zlib computes it.
QByteArray pngChunk(const QByteArray& type, const QByteArray& data);
} // namespace TestPictures

// A child process run to its end, as a user runs it from a shell.
namespace TestProcess {
struct Result
{
    // -1 when it crashed or did not end within the time allowed.
    int exitCode = -1;
    QString out;
    QString err;
    // Standard output as written, for programs that write bytes there.
    QByteArray outBytes;
};

// The text a program wrote; on Windows its lines end in CRLF, as Windows
// programs' do, and are read as ending in LF.
QString text(const QByteArray& bytes);

// Runs the program in the folder; `environment` adds variables ("NAME=value").
// A `dataLimit` in bytes caps its heap and other private memory (RLIMIT_DATA,
// POSIX only): an allocation beyond it fails, and so does the program.
Result run(const QString& program, const QStringList& arguments, const QString& folder,
           const QStringList& environment = {}, qint64 dataLimit = 0);
} // namespace TestProcess
