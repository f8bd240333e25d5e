#include "format/TvkReader.h"

#include <QIODevice>

#include <algorithm>

namespace {

using Fault = TvkFieldWalk::Fault;

QString described(const Fault& fault, qint64 fileSize, const QString& readError)
{
    const QString field = QLatin1String(fault.field);
    switch (fault.kind) {
    case Fault::Kind::LengthPastEnd:
        return TvkReader::tr("%1 at offset %2 runs past the end of the file (%3 bytes)")
            .arg(field, QString::number(fault.offset), QString::number(fileSize));
    case Fault::Kind::NegativeLength:
        return TvkReader::tr("%1 %2 at offset %3 is negative")
            .arg(field, QString::number(fault.value), QString::number(fault.offset));
    case Fault::Kind::DataPastEnd:
        return TvkReader::tr("%1 %2 at offset %3 runs past the end of the file (%4 bytes)")
            .arg(field, QString::number(fault.value), QString::number(fault.offset),
                 QString::number(fileSize));
    case Fault::Kind::TextUnreadable:
        return TvkReader::tr("The file cannot be read at offset %1: %2")
            .arg(QString::number(fault.offset), readError);
    case Fault::Kind::TrailingBytes:
        return TvkReader::tr("%1 bytes follow RightData at offset %2, where the file should end")
            .arg(QString::number(fault.value), QString::number(fault.offset));
    }
    return {};
}

} // namespace

Result<TvkContents> TvkReader::read(QIODevice& device, qint64 textLimit)
{
    const auto readAt = [&](qint64 at, unsigned char* into, qint64 count) {
        return device.seek(at) && device.read(reinterpret_cast<char*>(into), count) == count;
    };
    TvkContents contents;
    contents.fileSize = device.size();
    // The first `textLimit` bytes of each text: never in proportion to its
    // length, as a file may declare 2 GiB of name.
    int textsRead = 0;
    const auto readText = [&](qint64 at, qint64 count) {
        QByteArray& text = textsRead++ == 0 ? contents.NameText : contents.AuthorText;
        text.resize(std::min(count, textLimit));
        return readAt(at, reinterpret_cast<unsigned char*>(text.data()), text.size());
    };
    const TvkFieldWalk::Walked walked = TvkFieldWalk::walk(contents.fileSize, readAt, readText);
    if (walked.fault)
        return Result<TvkContents>::failure(
            described(*walked.fault, contents.fileSize, device.errorString()));
    static_cast<TvkFieldWalk::Fields&>(contents) = walked.fields;
    return contents;
}
