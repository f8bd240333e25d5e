#pragma once

#include "files/SystemFiles.h"

#include <QHash>
#include <QHashFunctions>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>

// Which file a path names, as the system decides, never by spelling: "dl/a.tvk" with dl a
// link to "real", "real/a.tvk" and a hard link of it are one file; "a.tvk" and
// "sub-link/../a.tvk" may be two. A file still to be made is known by its folder and name.
class FileIdentity
{
public:
    enum class LastLink
    {
        // What a link at the end of the path points to, as a write through it reaches.
        Follow,
        // The link itself, as a rename over the path replaces it.
        Keep,
    };

    // Every identity by which the file at the path may be known: the file's, or its folder's
    // and its name there, in folded case where the folder may fold it, so that "Cafe.tvk" and
    // "cafe.tvk" are one even where each spelling has a number of its own (exFAT via FUSE).
    static QList<FileIdentity> allOf(const QString& path, LastLink lastLink);
    // A file being read: the file opened, and allOf() the path it was opened by.
    static QSet<FileIdentity> ofInput(SystemFiles::Handle handle, const QString& path);

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
    friend size_t qHash(const FileIdentity& identity, size_t seed = 0)
    {
        return qHashMulti(seed, identity.m_id.device, identity.m_id.index, identity.m_name);
    }

private:
    FileIdentity(SystemFiles::FileId id, QString name) : m_id(id), m_name(std::move(name)) {}

    // Of the file itself, or of the folder that will hold it.
    SystemFiles::FileId m_id;
    // Null for an existing file.
    QString m_name;
};

// The files a command reads, each with its input's number (a manifest line; else 0): the
// one place that decides whether an output is also an input.
class InputFiles
{
public:
    InputFiles() = default;
    explicit InputFiles(const QSet<FileIdentity>& files) { add(files); }

    template <typename Files> void add(const Files& files, qsizetype input = 0)
    {
        for (const FileIdentity& file : files)
            m_inputs.insert(file, input);
    }
    // The (highest-numbered) input that `output`, an output path's identities, is, if any.
    std::optional<qsizetype> reachedBy(const QList<FileIdentity>& output) const;

private:
    QHash<FileIdentity, qsizetype> m_inputs;
};
