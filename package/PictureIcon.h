#pragma once

#include "base/Result.h"
#include "files/FileIdentity.h"
#include "pictures/IconMaker.h"

#include <QCoreApplication>
#include <QFile>
#include <QList>
#include <QString>

#include <optional>

// Icons made from picture files: which files are pictures, and the icon made from them,
// with messages that name the file.
class PictureIcon
{
    Q_DECLARE_TR_FUNCTIONS(PictureIcon)

public:
    // The picture format (as IconMaker names it) of the open file, read from its start, if an
    // icon is made from it: never for an ICO file, which is an icon already. The file is left
    // at its start.
    static std::optional<QByteArray> formatOf(QFile& file);

    // The picture in the open file, in `format` (formatOf()'s), or why not, naming `path`;
    // `budget` as IconMaker::read.
    static Result<IconMaker::Picture> read(QFile& file, const QString& path,
                                           const QByteArray& format,
                                           qint64 budget = IconMaker::kLargestDecoded);

    // The pictures at the paths, each opened and read, or why not, naming the file; the
    // files' identities are added to `inputs`, which the output must not be.
    static Result<QList<IconMaker::Picture>> readAll(const QStringList& paths, InputFiles& inputs);

    // The ICO file made from the pictures (`names` their paths, for the message) at the
    // sizes asked for that they give, or why none can be made.
    static Result<QByteArray> make(const QList<IconMaker::Picture>& pictures,
                                   const QList<int>& sizes, const QStringList& names);

    // The ICO file that Convert and `tvk pack` store for the picture in the open file, in
    // `format` (formatOf()'s), at IconMaker's default sizes, or why none can be made, naming
    // `path`.
    static Result<QByteArray> makeDefault(QFile& file, const QString& path,
                                          const QByteArray& format);

    // The sizes of that icon, or why none can be made: the picture read, but nothing drawn.
    static Result<QList<int>> defaultSizes(QFile& file, const QString& path,
                                           const QByteArray& format);

    // "16, 20, 24, 32 and 256 pixels".
    static QString sizesText(const QList<int>& sizes);
};
