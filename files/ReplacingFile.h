#pragma once

#include "files/FileIdentity.h"
#include "files/SystemFiles.h"

#include <QCoreApplication>
#include <QFile>
#include <QList>
#include <QString>

#include <memory>

// A file written beside its destination and put in its place only once every byte is on
// disk: until then an earlier file stays as it was, and a failure leaves no temporary file.
// Step by step, several files can all be written before any of them replaces anything.
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
        // An existing file (or link) at the path, even one appearing meanwhile, is never replaced.
        Keep,
    };
    explicit ReplacingFile(const QString& path, Links links = Links::Follow,
                           Existing existing = Existing::Replace)
        : m_path(SystemFiles::plainPath(path)), m_links(links), m_existing(existing)
    {}

    // Whether open() would take the path: a possible one, not a folder, device, FIFO or socket.
    static Outcome check(const QString& path, Links links = Links::Follow);
    // Files the command reads, refused at the path on open() and again just before it is
    // replaced. InputFiles are shared, not copied (a batch's files share the manifest's).
    void protect(const InputFiles& inputs) { m_inputs << inputs; }
    // The reason given for refusing an input.
    static QString isAnInput();
    // Discards a new file that is not in place.
    ~ReplacingFile();

    // Refuses what check() does and an input (with Existing::Keep, anything) at the path, then
    // makes the new file beside it; a failure, not a refusal, is the system's.
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
    // Writes out the buffers, syncs the data unless the caller does, and names the new file.
    Outcome finishWriting(DataSync sync = DataSync::Now);
    // With keepEarlier, the earlier file is kept aside for restoreEarlier() to put back.
    Outcome replaceTarget(bool keepEarlier = false);
    Outcome restoreEarlier();
    // Lets go of a kept earlier file and waits until the new name is on disk.
    Outcome syncFolder();

    // Where the target (after following links) is replaced.
    QString folder() const;

    // Whether the last step failed because, with Existing::Keep, a file was there.
    bool foundExisting() const { return m_foundExisting; }

private:
    static Outcome checkKind(const QString& target, SystemFiles::Kind kind, Links links);
    // Whether what stands at the target now may be replaced.
    Outcome checkTarget(SystemFiles::Kind kind);
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
