#pragma once

#include "files/FileIdentity.h"
#include "files/SystemFiles.h"

#include <QCoreApplication>
#include <QFile>
#include <QList>
#include <QSet>
#include <QString>

#include <memory>

// A file written beside its destination and put in its place only once every
// byte is on disk: until then an earlier file at that path stays as it was, and
// a failure leaves no temporary file behind. The steps can also be taken one by
// one, so that several files are all written before any of them replaces anything.
class ReplacingFile
{
    Q_DECLARE_TR_FUNCTIONS(ReplacingFile)
    Q_DISABLE_COPY_MOVE(ReplacingFile)

public:
    enum class Links
    {
        // A link at the path has its target replaced, as editors save.
        Follow,
        // A link at the path is itself replaced by the new file, as tar does.
        NoFollow,
    };
    enum class Existing
    {
        Replace,
        // An existing file (or link) at the path is never replaced, even one
        // that appears while the new file is written: it is told as existing.
        Keep,
    };
    explicit ReplacingFile(QString path, Links links = Links::Follow,
                           Existing existing = Existing::Replace);

    // Whether open() would take the path, or why not: a path no file can have,
    // a folder, device, FIFO or socket is refused.
    static Outcome check(const QString& path, Links links = Links::Follow);
    // Files the command reads: what stands at the path is refused if it is one
    // of them, when the file is opened and again just before it is replaced.
    // Each call adds a set; InputFiles are shared rather than copied (every file
    // of a batch shares the manifest's and the icons').
    void protect(const InputFiles& inputs) { m_inputs << inputs; }
    // "It is also a file that is being read.", the reason given for refusing one.
    static QString isAnInput();
    // Discards a new file that is not in place.
    ~ReplacingFile();

    // Refuses a folder, device, FIFO or socket at the path (after following links
    // where they are followed), then makes the new file beside the one it replaces.
    // A refusal is of the path or what stands there, which no retry mends; a
    // failure is the system's.
    Outcome open();
    // The new file, open for writing until finishWriting().
    QFile& device() { return *m_file; }

    enum class DataSync
    {
        Now,
        // The caller makes the data durable itself, for many files at once
        // (SystemFiles::syncFileSystems), before it replaces anything.
        ByCaller,
    };
    // Writes out what is buffered and, unless the caller does it, waits until
    // the data is on disk. The new file has a name beside the target afterwards.
    Outcome finishWriting(DataSync sync = DataSync::Now);
    // Puts the new file in place of the earlier one. With keepEarlier, the
    // earlier file is kept aside until this object ends, for restoreEarlier().
    Outcome replaceTarget(bool keepEarlier = false);
    // Undoes replaceTarget(keepEarlier = true): the earlier file, or none, is back.
    Outcome restoreEarlier();
    // Lets go of a kept earlier file and waits until the new name is on disk,
    // so that a power cut keeps it.
    Outcome syncFolder();

    // The folder in which the target is replaced (after following links).
    QString folder() const;

    // Whether the last step failed because, with Existing::Keep, a file was there.
    bool foundExisting() const { return m_foundExisting; }

private:
    // Whether a file of this kind at the resolved target may be replaced.
    static Outcome checkKind(const QString& target, SystemFiles::Kind kind, Links links);
    // Whether what stands at the target now may be replaced.
    Outcome checkTarget(SystemFiles::Kind kind);
    Outcome moveEarlierAside();
    Outcome putInPlace();
    // Discards the new file, and gives the failure back.
    Outcome failed(Outcome failure);
    void discardTemporary();

    QString m_path;
    Links m_links;
    Existing m_existing;
    QList<InputFiles> m_inputs;
    // What is replaced: the path, or where its links lead.
    QString m_target;
    // Let go once written, with its buffers: a batch keeps many of these objects.
    std::unique_ptr<QFile> m_file = std::make_unique<QFile>();
    SystemFiles::Handle m_handle = SystemFiles::kNoHandle;
    // Empty while the new file has no name.
    QString m_temporaryPath;
    // Where the earlier file is kept aside, if it is.
    QString m_earlierPath;
    // Renamed there rather than linked, where the file system has no hard links.
    bool m_earlierMoved = false;
    bool m_replaced = false;
    bool m_foundExisting = false;
};
