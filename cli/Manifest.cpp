#include "cli/Manifest.h"

#include "files/DisplayText.h"
#include "package/PackageWriter.h"

#include <algorithm>
#include <optional>

namespace Cli::Manifest {

namespace {

// The manifest's columns, as columnNames() lists them.
enum Column : int
{
    kName,
    kAuthor,
    kLeft,
    kRight,
    kOutput,
};

const QStringList& columnNames()
{
    static const QStringList names = {QStringLiteral("name"), QStringLiteral("author"),
                                      QStringLiteral("left"), QStringLiteral("right"),
                                      QStringLiteral("output")};
    return names;
}

// Where the header puts each of columnNames(), and how many fields it has:
// spreadsheets may save a column more, without a name, which stays empty.
struct Columns
{
    QList<qsizetype> of;
    qsizetype width = 0;
};

// Matched as people type them in spreadsheets: "Name", " left ".
qsizetype columnOf(const QString& field)
{
    return columnNames().indexOf(field.trimmed().toLower());
}

// The header's columns, or problems: every known column once, no unknown one.
std::optional<Columns> columnsOf(const Csv::Record& header, QList<Csv::Problem>& problems)
{
    const QString listed = columnNames().join(QStringLiteral(", "));
    const auto problem = [&](const QString& message) {
        problems << Csv::Problem{header.line, message};
    };
    // Not one column known: no header at all, told once.
    if (std::ranges::none_of(header.fields,
                             [](const QString& field) { return columnOf(field) >= 0; })) {
        problem(QStringLiteral("the first line must name the columns %1, separated by commas or "
                               "semicolons")
                    .arg(listed));
        return std::nullopt;
    }
    const qsizetype earlierProblems = problems.size();
    Columns columns{QList<qsizetype>(columnNames().size(), -1), header.fields.size()};
    for (qsizetype i = 0; i < header.fields.size(); ++i) {
        const QString& field = header.fields.at(i);
        const qsizetype known = columnOf(field);
        if (field.trimmed().isEmpty())
            continue;
        if (known < 0)
            problem(QStringLiteral("unknown column '%1'; the columns are %2").arg(field, listed));
        else if (columns.of[known] >= 0)
            problem(QStringLiteral("the column '%1' is named twice").arg(columnNames().at(known)));
        else
            columns.of[known] = i;
    }
    for (qsizetype known = 0; known < columnNames().size(); ++known) {
        if (columns.of[known] < 0)
            problem(QStringLiteral("the column '%1' is missing").arg(columnNames().at(known)));
    }
    if (problems.size() > earlierProblems)
        return std::nullopt;
    return columns;
}

// One line as a row; nothing for a line of empty cells or one with a problem.
std::optional<Row> rowOf(const Csv::Record& record, const Columns& columns, const QDir& folder,
                         QList<Csv::Problem>& problems)
{
    const auto problem = [&](const QString& message) {
        problems << Csv::Problem{record.line, message};
        return std::nullopt;
    };
    // Spreadsheets end their sheets with rows of empty cells.
    if (std::ranges::all_of(record.fields, [](const QString& field) { return field.isEmpty(); }))
        return std::nullopt;
    if (record.fields.size() != columns.width) {
        return problem(QStringLiteral("expected %1 fields, found %2")
                           .arg(columns.width)
                           .arg(record.fields.size()));
    }
    const auto field = [&](int column) { return record.fields.at(columns.of.at(column)); };
    // The first missing text in the order of the columns, where the window would
    // ask for both names; then any text in a column the first line does not name.
    for (int column = kName; column <= kOutput; ++column) {
        if (field(column).isEmpty())
            return problem(QStringLiteral("the %1 is empty").arg(columnNames().at(column)));
    }
    for (qsizetype i = 0; i < record.fields.size(); ++i) {
        if (!columns.of.contains(i) && !record.fields.at(i).isEmpty()) {
            return problem(
                QStringLiteral("field %1 holds '%2', but the first line names no column there")
                    .arg(i + 1)
                    .arg(record.fields.at(i)));
        }
    }
    const auto fromFolder = [&](const QString& path) {
        return QDir::isRelativePath(path) ? folder.filePath(path) : path;
    };
    return Row{record.line, PackageRequest{.leftPath = fromFolder(field(kLeft)),
                                           .rightPath = fromFolder(field(kRight)),
                                           .outputPath = fromFolder(field(kOutput)),
                                           .name = field(kName),
                                           .author = field(kAuthor)}};
}

} // namespace

Contents read(const QByteArray& bytes, const QDir& folder)
{
    Csv::ParseResult csv = Csv::parse(bytes);
    Contents contents{{}, std::move(csv.problems)};
    if (csv.records.isEmpty()) {
        // Empty only if nothing in it was unreadable.
        if (contents.problems.isEmpty()) {
            contents.problems << Csv::Problem{
                1, QStringLiteral("the manifest is empty; its first line names the columns ") +
                       columnNames().join(QStringLiteral(", "))};
        }
        return contents;
    }
    const std::optional<Columns> columns = columnsOf(csv.records.constFirst(), contents.problems);
    if (!columns)
        return contents;
    contents.rows.reserve(size_t(csv.records.size()));
    for (const Csv::Record& record : csv.records.mid(1)) {
        if (std::optional<Row> row = rowOf(record, *columns, folder, contents.problems))
            contents.rows.push_back(std::move(*row));
    }
    std::ranges::stable_sort(contents.problems, {}, &Csv::Problem::line);
    return contents;
}

InputFiles checkFiles(Contents& contents, const InputFiles& manifest)
{
    std::vector<Row> rows;
    std::vector<QList<FileIdentity>> outputs;
    InputFiles outputLines;
    InputFiles icons;
    for (Row& row : contents.rows) {
        const QString& outputPath = row.request.outputPath;
        const QList<FileIdentity> output =
            FileIdentity::allOf(outputPath, FileIdentity::LastLink::Follow);
        if (const Outcome usable = PackageWriter::check(row.request); usable.failed()) {
            contents.problems << Csv::Problem{row.line, usable.reason()};
            continue;
        }
        // A missing folder would only be found while writing; here it is told with the rest.
        if (output.isEmpty()) {
            contents.problems << Csv::Problem{
                row.line, DisplayText::cannotWriteFile(
                              outputPath, QStringLiteral("Its folder does not exist."))};
            continue;
        }
        if (const std::optional<qsizetype> earlier = outputLines.reachedBy(output)) {
            contents.problems << Csv::Problem{row.line,
                                              QStringLiteral("%1 is already the output of line %2")
                                                  .arg(DisplayText::displayPath(outputPath))
                                                  .arg(*earlier)};
        }
        outputLines.add(output, row.line);
        for (const QString& icon : {row.request.leftPath, row.request.rightPath})
            icons.add(FileIdentity::allOf(icon, FileIdentity::LastLink::Follow), row.line);
        outputs.push_back(output);
        rows.push_back(std::move(row));
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        const QString shown = DisplayText::displayPath(rows[i].request.outputPath);
        const qsizetype iconLine = icons.reachedBy(outputs[i]).value_or(0);
        if (iconLine > 0 && iconLine != rows[i].line)
            contents.problems << Csv::Problem{
                rows[i].line, QStringLiteral("%1 is an icon of line %2").arg(shown).arg(iconLine)};
        if (manifest.reachedBy(outputs[i]))
            contents.problems << Csv::Problem{
                rows[i].line, QStringLiteral("%1 is the manifest itself").arg(shown)};
    }
    contents.rows = std::move(rows);
    std::ranges::stable_sort(contents.problems, {}, &Csv::Problem::line);
    return icons;
}

} // namespace Cli::Manifest
