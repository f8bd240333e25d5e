#pragma once

#include "cli/Csv.h"
#include "files/FileIdentity.h"
#include "package/PackageRequest.h"

#include <QByteArray>
#include <QDir>
#include <QList>

#include <vector>

// A `tvk batch` manifest: CSV whose first line names the columns name, author,
// left, right and output, in any order, and whose every further line is one
// package, with paths taken from the manifest's folder.
namespace Cli::Manifest {

struct Row
{
    qsizetype line = 0;
    PackageRequest request;
};

// The good rows, and every problem, in the order of their lines.
struct Contents
{
    std::vector<Row> rows;
    QList<Csv::Problem> problems;
};

// Reads the manifest's bytes into rows, telling what is wrong with the text
// itself (not CSV, not UTF-8, columns, fields); looks at no file.
Contents read(const QByteArray& bytes, const QDir& folder);

// Checks each row as `tvk pack` checks its arguments, and the rows against each other and the
// manifest by the files their paths reach: no output folder missing, no output twice, none that
// is another row's icon or the manifest. Leaves out rows with a problem; gives icons by line.
InputFiles checkFiles(Contents& contents, const InputFiles& manifest);

} // namespace Cli::Manifest
