#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/Csv.h"
#include "files/DisplayText.h"
#include "files/FileIdentity.h"
#include "files/InputFile.h"
#include "files/ReplacingFile.h"
#include "files/SystemFiles.h"
#include "host/ConsoleText.h"
#include "package/PackageWriter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTextStream>

#include <algorithm>
#include <memory>
#include <vector>

namespace Cli {

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

QStringList columnNames()
{
    return {QStringLiteral("name"), QStringLiteral("author"), QStringLiteral("left"),
            QStringLiteral("right"), QStringLiteral("output")};
}

struct Row
{
    qsizetype line = 0;
    PackageRequest request;
};

// Where the header puts each of columnNames(), and how many fields it has:
// spreadsheets may save a column more, without a name, which stays empty.
struct Columns
{
    QList<qsizetype> of;
    qsizetype width = 0;
};

// Everything wrong with a manifest, told all at once, in the order of its lines.
class Problems
{
public:
    explicit Problems(QString manifest) : m_manifest(std::move(manifest)) {}

    void add(qsizetype line, const QString& message) { m_found << Csv::Problem{line, message}; }
    bool any() const { return !m_found.isEmpty(); }
    qsizetype count() const { return m_found.size(); }

    // "MANIFEST:LINE: message", one line each, and at most kMostShown of them:
    // a binary file read as a manifest would fill the terminal.
    void report()
    {
        std::stable_sort(
            m_found.begin(), m_found.end(),
            [](const Csv::Problem& a, const Csv::Problem& b) { return a.line < b.line; });
        constexpr qsizetype kMostShown = 20;
        for (const Csv::Problem& problem : m_found.first(std::min(kMostShown, m_found.size())))
            reportAt(problem.line, problem.message);
        if (m_found.size() > kMostShown) {
            reportLine(QStringLiteral("%1: ... and %2 more problems")
                           .arg(DisplayText::displayPath(m_manifest))
                           .arg(m_found.size() - kMostShown));
        }
    }

    void reportAt(qsizetype line, const QString& message) const
    {
        reportLine(QStringLiteral("%1:%2: %3")
                       .arg(DisplayText::displayPath(m_manifest), QString::number(line), message));
    }

private:
    QString m_manifest;
    QList<Csv::Problem> m_found;
};

// The header's column for each of columnNames(), or problems with it.
std::optional<Columns> columnsOf(const Csv::Record& header, Problems& problems)
{
    const QStringList names = columnNames();
    const QString expected = names.join(QStringLiteral(", "));
    const qsizetype earlierProblems = problems.count();
    Columns columns{QList<qsizetype>(names.size(), -1), header.fields.size()};
    // Matched as people type them in spreadsheets: "Name", " left ".
    const auto columnOf = [&](const QString& field) {
        return names.indexOf(field.trimmed().toLower());
    };
    // Not one column known: no header at all, told once.
    if (std::none_of(header.fields.cbegin(), header.fields.cend(),
                     [&](const QString& field) { return columnOf(field) >= 0; })) {
        problems.add(header.line, QStringLiteral("the first line must name the columns %1, "
                                                 "separated by commas or semicolons")
                                      .arg(expected));
        return std::nullopt;
    }
    for (qsizetype i = 0; i < header.fields.size(); ++i) {
        const qsizetype known = columnOf(header.fields.at(i));
        if (header.fields.at(i).trimmed().isEmpty())
            continue;
        if (known < 0) {
            problems.add(header.line, QStringLiteral("unknown column '%1'; the columns are %2")
                                          .arg(header.fields.at(i), expected));
        } else if (columns.of[known] >= 0) {
            problems.add(header.line,
                         QStringLiteral("the column '%1' is named twice").arg(names.at(known)));
        } else {
            columns.of[known] = i;
        }
    }
    for (qsizetype known = 0; known < names.size(); ++known) {
        if (columns.of[known] < 0) {
            problems.add(header.line,
                         QStringLiteral("the column '%1' is missing").arg(names.at(known)));
        }
    }
    if (problems.count() > earlierProblems)
        return std::nullopt;
    return columns;
}

// "the name is empty": the first missing text in the order of the columns, told
// by column, where the window would ask for both names; then any text in a
// column the first line does not name.
Outcome checkFilled(const PackageRequest& request, const Csv::Record& record,
                    const Columns& columns)
{
    using Field = PackageRequest::Field;
    const QList<Field> missing = request.missingFields();
    const QStringList names = columnNames();
    const Field fieldOf[] = {Field::Name, Field::Author, Field::Left, Field::Right, Field::Output};
    for (qsizetype column = 0; column < names.size(); ++column) {
        if (missing.contains(fieldOf[column]))
            return Outcome::failure(QStringLiteral("the %1 is empty").arg(names.at(column)));
    }
    for (qsizetype i = 0; i < record.fields.size(); ++i) {
        if (!columns.of.contains(i) && !record.fields.at(i).isEmpty()) {
            return Outcome::failure(
                QStringLiteral("field %1 holds '%2', but the first line names no column there")
                    .arg(i + 1)
                    .arg(record.fields.at(i)));
        }
    }
    return Outcome::done();
}

// What the rows read, by identity: every icon with the line naming it, and the manifest.
struct Inputs
{
    QHash<FileIdentity, qsizetype> iconLines;
    QSet<FileIdentity> manifest;

    QSet<FileIdentity> all() const
    {
        QSet<FileIdentity> files(iconLines.keyBegin(), iconLines.keyEnd());
        return files.unite(manifest);
    }
};

// One line of the manifest as a row, checked as `tvk pack` checks its
// arguments; nothing when it is a line of empty cells or has a problem.
std::optional<Row> rowOf(const Csv::Record& record, const Columns& columns, const QDir& base,
                         Problems& problems)
{
    // Spreadsheets end their sheets with rows of empty cells.
    if (std::all_of(record.fields.cbegin(), record.fields.cend(),
                    [](const QString& field) { return field.isEmpty(); }))
        return std::nullopt;
    if (record.fields.size() != columns.width) {
        problems.add(record.line, QStringLiteral("expected %1 fields, found %2")
                                      .arg(columns.width)
                                      .arg(record.fields.size()));
        return std::nullopt;
    }
    const auto field = [&](int column) { return record.fields.at(columns.of.at(column)); };
    const auto fromBase = [&](const QString& path) {
        return path.isEmpty() || !QDir::isRelativePath(path) ? path : base.filePath(path);
    };
    Row row{record.line, PackageRequest{.leftPath = fromBase(field(kLeft)),
                                        .rightPath = fromBase(field(kRight)),
                                        .outputPath = fromBase(field(kOutput)),
                                        .name = field(kName),
                                        .author = field(kAuthor)}};
    Outcome usable = checkFilled(row.request, record, columns);
    if (usable.isDone())
        usable = PackageWriter::check(row.request);
    if (usable.failed()) {
        problems.add(row.line, usable.reason());
        return std::nullopt;
    }
    return row;
}

// No output may be an icon of another line, or the manifest itself.
void checkOutputsAreNotInputs(const std::vector<Row>& rows,
                              const std::vector<QList<FileIdentity>>& outputs, const Inputs& inputs,
                              Problems& problems)
{
    for (size_t i = 0; i < rows.size(); ++i) {
        const QString shown = DisplayText::displayPath(rows[i].request.outputPath);
        qsizetype iconLine = 0;
        for (const FileIdentity& output : outputs[i])
            iconLine = std::max(iconLine, inputs.iconLines.value(output));
        if (iconLine > 0 && iconLine != rows[i].line)
            problems.add(rows[i].line,
                         QStringLiteral("%1 is an icon of line %2").arg(shown).arg(iconLine));
        if (FileIdentity::anyOf(outputs[i], inputs.manifest))
            problems.add(rows[i].line, QStringLiteral("%1 is the manifest itself").arg(shown));
    }
}

// The rows of the manifest, each checked as `tvk pack` checks its arguments, and
// against each other by the files their paths reach, however spelled: no output
// twice, no output that is another row's icon or the manifest.
std::vector<Row> readRows(const QList<Csv::Record>& records, const Columns& columns,
                          const QDir& base, Inputs& inputs, Problems& problems)
{
    std::vector<Row> rows;
    rows.reserve(size_t(records.size()));
    QHash<FileIdentity, qsizetype> outputLines;
    std::vector<QList<FileIdentity>> outputs;
    for (const Csv::Record& record : records) {
        const std::optional<Row> read = rowOf(record, columns, base, problems);
        if (!read)
            continue;
        const Row& row = *read;
        const QList<FileIdentity> output =
            FileIdentity::allOf(row.request.outputPath, FileIdentity::LastLink::Follow);
        // A missing folder would only be found while writing; here it is told with the rest.
        if (output.isEmpty()) {
            problems.add(row.line, DisplayText::cannotWriteFile(
                                       row.request.outputPath, QStringLiteral("Its folder does not "
                                                                              "exist.")));
            continue;
        }
        qsizetype earlier = 0;
        for (const FileIdentity& identity : output)
            earlier = std::max(earlier, outputLines.value(identity));
        if (earlier > 0) {
            problems.add(row.line, QStringLiteral("%1 is already the output of line %2")
                                       .arg(DisplayText::displayPath(row.request.outputPath))
                                       .arg(earlier));
        }
        for (const FileIdentity& identity : output)
            outputLines.insert(identity, row.line);
        outputs.push_back(output);
        for (const QString& icon : {row.request.leftPath, row.request.rightPath}) {
            for (const FileIdentity& identity :
                 FileIdentity::allOf(icon, FileIdentity::LastLink::Follow))
                inputs.iconLines.insert(identity, row.line);
        }
        rows.push_back(row);
    }
    checkOutputsAreNotInputs(rows, outputs, inputs, problems);
    return rows;
}

// "  120/1000 files, 450 files/s" on one terminal line, redrawn as it goes.
class ProgressLine
{
public:
    explicit ProgressLine(qsizetype total)
        : m_total(total), m_shown(ConsoleText::standardErrorIsTerminal())
    {
        m_started.start();
    }
    ~ProgressLine() { clear(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void step(qsizetype done)
    {
        if (!m_shown || (done < m_total && m_redrawn.isValid() && m_redrawn.elapsed() < 100))
            return;
        m_redrawn.start();
        const double seconds = double(std::max(m_started.elapsed(), qint64(1))) / 1000.0;
        printError(QStringLiteral("\r%1/%2 files, %3 files/s")
                       .arg(done)
                       .arg(m_total)
                       .arg(qRound64(double(done) / seconds)));
    }

    void clear()
    {
        if (m_shown && m_redrawn.isValid())
            printError(QStringLiteral("\r\x1b[K"));
        m_redrawn.invalidate();
    }

private:
    qsizetype m_total;
    bool m_shown;
    QElapsedTimer m_started;
    QElapsedTimer m_redrawn;
};

QString listed(const QStringList& paths)
{
    QStringList shown;
    for (const QString& path : paths)
        shown << DisplayText::displayPath(path);
    return shown.join(QStringLiteral(", "));
}

// Reads and checks every line of the manifest; every problem is added to
// `problems`. Returns the rows, which are all good only if no problem was found,
// or nothing when the manifest cannot be read, which is told here.
std::optional<std::vector<Row>> readManifest(const QString& manifest, Inputs& inputs,
                                             Problems& problems)
{
    QFile file;
    if (const Outcome opened = InputFile::open(file, manifest); opened.failed()) {
        reportCannotRead(manifest, opened.reason());
        return std::nullopt;
    }
    inputs.manifest = FileIdentity::ofInput(file.handle(), manifest);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        reportCannotRead(manifest, file.errorString() + QLatin1Char('.'));
        return std::nullopt;
    }
    file.close();

    const Csv::ParseResult csv = Csv::parse(bytes);
    for (const Csv::Problem& problem : csv.problems)
        problems.add(problem.line, problem.message);
    if (csv.records.isEmpty()) {
        // Empty only if nothing in it was unreadable.
        if (!problems.any()) {
            problems.add(1, QStringLiteral("the manifest is empty; its first line names the "
                                           "columns ") +
                                columnNames().join(QStringLiteral(", ")));
        }
        return std::vector<Row>();
    }
    const std::optional<Columns> columns = columnsOf(csv.records.constFirst(), problems);
    if (!columns)
        return std::vector<Row>();
    return readRows(csv.records.mid(1), *columns, QFileInfo(manifest).absoluteDir(), inputs,
                    problems);
}

constexpr QLatin1String kNothingReplaced(" No earlier output was replaced.");

// Writes every new file beside its output, and then makes them all durable at
// once; replaces nothing.
int writeEveryRow(const std::vector<Row>& rows, const Inputs& inputs, const Problems& problems,
                  std::vector<std::unique_ptr<ReplacingFile>>& outputs)
{
    const bool syncTogether = SystemFiles::canSyncFileSystems();
    const ReplacingFile::DataSync dataSync =
        syncTogether ? ReplacingFile::DataSync::ByCaller : ReplacingFile::DataSync::Now;
    outputs.reserve(rows.size());
    QStringList folders;
    ProgressLine progress(qsizetype(rows.size()));
    // Looked at again as each output is replaced: nothing read may be lost.
    const QSet<FileIdentity> read = inputs.all();
    const WriteProgress goOn = [](qint64, qint64) { return !interrupted(); };
    for (const Row& row : rows) {
        auto output = std::make_unique<ReplacingFile>(row.request.outputPath);
        output->protect(read);
        const WriteResult written = PackageWriter::writeUncommitted(row.request, *output, goOn);
        if (written.status == WriteResult::Status::Cancelled || interrupted())
            return Failure;
        QString failure = written.message;
        if (written.written()) {
            if (const Outcome finished = output->finishWriting(dataSync); finished.failed())
                failure = DisplayText::cannotWriteFile(row.request.outputPath, finished.reason());
        }
        if (!failure.isEmpty()) {
            progress.clear();
            problems.reportAt(row.line, failure + kNothingReplaced);
            return Failure;
        }
        if (!folders.contains(output->folder()))
            folders << output->folder();
        outputs.push_back(std::move(output));
        progress.step(qsizetype(outputs.size()));
    }
    progress.clear();
    if (!syncTogether)
        return Success;
    if (const Outcome synced = SystemFiles::syncFileSystems(folders); synced.failed()) {
        reportFailure(QStringLiteral("Cannot save the new files to disk: %1").arg(synced.reason()) +
                      kNothingReplaced);
        return Failure;
    }
    return Success;
}

// Puts every new file in its output's place, telling which were replaced if one
// cannot be, and then keeps the new names on disk.
int replaceAll(const std::vector<Row>& rows,
               const std::vector<std::unique_ptr<ReplacingFile>>& outputs, const Problems& problems)
{
    QStringList replaced;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (const Outcome placed = outputs[i]->replaceTarget(); placed.failed()) {
            problems.reportAt(
                rows[i].line,
                DisplayText::cannotWriteFile(rows[i].request.outputPath, placed.reason()) +
                    QStringLiteral(" %1 of %2 outputs were already replaced%3")
                        .arg(replaced.size())
                        .arg(rows.size())
                        .arg(replaced.isEmpty()
                                 ? QStringLiteral(".")
                                 : QStringLiteral(": ") + listed(replaced) + QLatin1Char('.')));
            return Failure;
        }
        replaced << rows[i].request.outputPath;
    }
    // One sync for each folder keeps all the new names in it.
    QStringList syncedFolders;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (syncedFolders.contains(outputs[i]->folder()))
            continue;
        syncedFolders << outputs[i]->folder();
        if (const Outcome synced = outputs[i]->syncFolder(); synced.failed()) {
            reportFailure(
                DisplayText::cannotWriteFile(rows[i].request.outputPath, synced.reason()));
            return Failure;
        }
    }
    return Success;
}

class BatchCommand final : public ParsedCommand
{
public:
    BatchCommand()
        : ParsedCommand(
              {.name = QStringLiteral("batch"),
               .summary = QStringLiteral(
                   "Makes many TVK files from one manifest, each exactly as 'tvk pack' makes it."),
               .usage = QStringLiteral("tvk batch [--check] MANIFEST.csv"),
               .notes = QStringLiteral(
                   "The manifest is CSV as spreadsheets write it (UTF-8): a first line naming "
                   "the\n"
                   "columns name, author, left, right and output, in any order, then one line "
                   "for\n"
                   "each TVK file. Relative paths are taken from the manifest's folder.\n\n"
                   "Every line is checked before anything is written, and every problem is told "
                   "as\n"
                   "MANIFEST:LINE: followed by what is wrong. Earlier files at the outputs are\n"
                   "replaced only once all the new files are written and on disk.\n\n"
                   "Example manifest:\n"
                   "  name,author,left,right,output\n"
                   "  Café,Zoë,icons/cafe-left.ico,icons/cafe-right.ico,out/cafe.tvk\n"
                   "  \"Bar, the second\",Zoë,bar-l.ico,bar-r.ico,out/bar.tvk\n\n"
                   "Example:\n"
                   "  tvk batch manifest.csv"),
               .options = {QCommandLineOption(
                   QStringLiteral("check"),
                   QStringLiteral("Check every line as for writing, and write nothing."))},
               .arguments = {
                   {QStringLiteral("MANIFEST"), QStringLiteral("The manifest, a CSV file.")}}})
    {}

protected:
    int execute(const QCommandLineParser& parser) override;
};

int BatchCommand::execute(const QCommandLineParser& parser)
{
    const QString manifest = parser.positionalArguments().constFirst();
    Inputs inputs;
    Problems problems(manifest);
    const std::optional<std::vector<Row>> read = readManifest(manifest, inputs, problems);
    if (!read)
        return Failure;
    if (problems.any()) {
        problems.report();
        return Failure;
    }
    const std::vector<Row>& rows = *read;
    if (parser.isSet(QStringLiteral("check"))) {
        printOut(QStringLiteral("All %1 lines can be written.\n").arg(rows.size()));
        return Success;
    }
    // Every new file is written beside its output first; only when all of them
    // are on disk does any replace an earlier file.
    std::vector<std::unique_ptr<ReplacingFile>> outputs;
    if (const int status = writeEveryRow(rows, inputs, problems, outputs); status != Success)
        return status;
    // The last moment to stop: once replacing has begun, it is finished.
    if (interrupted())
        return Failure;
    if (const int status = replaceAll(rows, outputs, problems); status != Success)
        return status;
    printOut(QStringLiteral("Wrote %1 TVK files.\n").arg(rows.size()));
    return Success;
}

} // namespace

std::unique_ptr<Command> makeBatchCommand()
{
    return std::make_unique<BatchCommand>();
}

} // namespace Cli
