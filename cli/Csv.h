#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// CSV as spreadsheets write it (RFC 4180): fields separated by commas (or by
// semicolons, when the first line has more of them, as spreadsheets in many
// locales write it), quoted with double quotes where they hold commas, quotes
// ("" inside) or line breaks; lines ending in CRLF, LF or CR; UTF-8 with an
// optional byte order mark. Empty lines are skipped.
namespace Cli::Csv {

struct Record
{
    // The file's line on which the record starts, counting from 1.
    qsizetype line = 0;
    QStringList fields;
};

struct Problem
{
    qsizetype line = 0;
    QString message;
};

struct ParseResult
{
    QList<Record> records;
    // Lines that could not be read; their records are left out.
    QList<Problem> problems;
};

ParseResult parse(const QByteArray& bytes);

} // namespace Cli::Csv
