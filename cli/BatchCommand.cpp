#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/Manifest.h"
#include "files/DisplayText.h"
#include "files/FileIdentity.h"
#include "files/InputFile.h"
#include "files/ReplacingFile.h"
#include "files/SystemFiles.h"
#include "host/ConsoleText.h"
#include "package/PackageWriter.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <memory>
#include <vector>

namespace Cli {

namespace {

using Manifest::Row;

// "MANIFEST:LINE: message" on standard error, on one line.
void reportAt(const QString& manifest, qsizetype line, const QString& message)
{
    reportLine(QStringLiteral("%1:%2: %3")
                   .arg(DisplayText::displayPath(manifest), QString::number(line), message));
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

    void step(qsizetype done)
    {
        if (!m_shown || (done < m_total && m_redrawn.isValid() && m_redrawn.elapsed() < 100))
            return;
        m_redrawn.start();
        const double seconds = double(std::max(m_started.elapsed(), qint64(1))) / 1000.0;
        ConsoleText::write(stderr, QStringLiteral("\r%1/%2 files, %3 files/s")
                                       .arg(done)
                                       .arg(m_total)
                                       .arg(qRound64(double(done) / seconds)));
    }

    void clear()
    {
        if (m_shown && m_redrawn.isValid())
            ConsoleText::write(stderr, QStringLiteral("\r\x1b[K"));
        m_redrawn.invalidate();
    }

private:
    qsizetype m_total;
    bool m_shown;
    QElapsedTimer m_started;
    QElapsedTimer m_redrawn;
};

// The manifest's checked contents, or nothing when it cannot be read (told here);
// `inputs` gets the files a batch reads, which no output may replace.
std::optional<Manifest::Contents> readManifest(const QString& manifest, PictureStorage pictures,
                                               InputFiles& inputs)
{
    QFile file;
    if (const Outcome opened = InputFile::open(file, manifest); opened.failed()) {
        reportCannotRead(manifest, opened.reason());
        return std::nullopt;
    }
    const QSet<FileIdentity> manifestFile = FileIdentity::ofInput(file.handle(), manifest);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        reportCannotRead(manifest, file.errorString() + QLatin1Char('.'));
        return std::nullopt;
    }
    file.close();
    Manifest::Contents contents =
        Manifest::read(bytes, QFileInfo(SystemFiles::plainPath(manifest)).absoluteDir());
    for (Row& row : contents.rows)
        row.request.leftPictures = row.request.rightPictures = pictures;
    inputs = Manifest::checkFiles(contents, InputFiles(manifestFile));
    inputs.add(manifestFile);
    return contents;
}

constexpr QLatin1String kNothingReplaced(" No earlier output was replaced.");

// Writes every new file beside its output, then makes them all durable at once.
int writeEveryRow(const std::vector<Row>& rows, const InputFiles& inputs, const QString& manifest,
                  std::vector<std::unique_ptr<ReplacingFile>>& outputs)
{
    const bool syncTogether = SystemFiles::canSyncFileSystems();
    const ReplacingFile::DataSync dataSync =
        syncTogether ? ReplacingFile::DataSync::ByCaller : ReplacingFile::DataSync::Now;
    outputs.reserve(rows.size());
    QStringList folders;
    ProgressLine progress(qsizetype(rows.size()));
    for (const Row& row : rows) {
        auto output = std::make_unique<ReplacingFile>(row.request.outputPath);
        // Looked at again as each output is replaced: nothing read may be lost.
        output->protect(inputs);
        Outcome written = PackageWriter::writeBeside(row.request, *output,
                                                     [](qint64, qint64) { return !interrupted(); });
        if (written.isCancelled() || interrupted())
            return Failure;
        if (written.isDone()) {
            if (const Outcome finished = output->finishWriting(dataSync); finished.failed())
                written = Outcome::failure(
                    DisplayText::cannotWriteFile(row.request.outputPath, finished.reason()));
        }
        if (written.failed()) {
            progress.clear();
            reportAt(manifest, row.line, written.reason() + kNothingReplaced);
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
    if (const Outcome synced = SystemFiles::syncFileSystems(folders); synced.failed())
        return reportFailure(
            QStringLiteral("Cannot save the new files to disk: %1").arg(synced.reason()) +
            kNothingReplaced);
    return Success;
}

// Puts every new file in its output's place, then keeps the new names on disk.
int replaceAll(const std::vector<Row>& rows,
               const std::vector<std::unique_ptr<ReplacingFile>>& outputs, const QString& manifest)
{
    QStringList replaced;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (const Outcome placed = outputs[i]->replaceTarget(); placed.failed()) {
            reportAt(manifest, rows[i].line,
                     DisplayText::cannotWriteFile(rows[i].request.outputPath, placed.reason()) +
                         QStringLiteral(" %1 of %2 outputs were already replaced%3")
                             .arg(replaced.size())
                             .arg(rows.size())
                             .arg(replaced.isEmpty()
                                      ? QStringLiteral(".")
                                      : QStringLiteral(": ") + replaced.join(QStringLiteral(", ")) +
                                            QLatin1Char('.')));
            return Failure;
        }
        replaced << DisplayText::displayPath(rows[i].request.outputPath);
    }
    // One sync for each folder keeps all the new names in it.
    QStringList syncedFolders;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (syncedFolders.contains(outputs[i]->folder()))
            continue;
        syncedFolders << outputs[i]->folder();
        if (const Outcome synced = outputs[i]->syncFolder(); synced.failed())
            return reportCannotWrite(rows[i].request.outputPath, synced.reason());
    }
    return Success;
}

int execute(const QCommandLineParser& parser)
{
    const QString manifest = parser.positionalArguments().constFirst();
    InputFiles inputs;
    const std::optional<Manifest::Contents> read =
        readManifest(manifest, pictureStorage(parser), inputs);
    if (!read)
        return Failure;
    if (const QList<Csv::Problem>& found = read->problems; !found.isEmpty()) {
        // A few: a binary file read as a manifest would fill the terminal.
        constexpr qsizetype kMostShown = 20;
        for (const Csv::Problem& problem : found.first(std::min(kMostShown, found.size())))
            reportAt(manifest, problem.line, problem.message);
        if (found.size() > kMostShown) {
            reportLine(QStringLiteral("%1: ... and %2 more problems")
                           .arg(DisplayText::displayPath(manifest))
                           .arg(found.size() - kMostShown));
        }
        return Failure;
    }
    const std::vector<Row>& rows = read->rows;
    for (const Row& row : rows) {
        for (const QString& note : madeIconNotes(row.request))
            reportAt(manifest, row.line, note);
    }
    if (parser.isSet(QStringLiteral("check"))) {
        ConsoleText::write(stdout,
                           QStringLiteral("All %1 lines can be written.\n").arg(rows.size()));
        return Success;
    }
    std::vector<std::unique_ptr<ReplacingFile>> outputs;
    if (const int status = writeEveryRow(rows, inputs, manifest, outputs); status != Success)
        return status;
    // The last moment to stop: once replacing has begun, it is finished.
    if (interrupted())
        return Failure;
    if (const int status = replaceAll(rows, outputs, manifest); status != Success)
        return status;
    ConsoleText::write(stdout, rows.size() == 1
                                   ? QStringLiteral("Wrote 1 TVK file.\n")
                                   : QStringLiteral("Wrote %1 TVK files.\n").arg(rows.size()));
    return Success;
}

} // namespace

Command makeBatchCommand()
{
    return {
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
             "replaced only once all the new files are written and on disk. A picture\n"
             "named as an icon is made into one, as 'tvk pack' does, unless --as-is.\n\n"
             "Example manifest:\n"
             "  name,author,left,right,output\n"
             "  Café,Zoë,icons/cafe-left.ico,icons/cafe-right.ico,out/cafe.tvk\n"
             "  \"Bar, the second\",Zoë,bar-l.ico,bar-r.ico,out/bar.tvk\n\n"
             "Example:\n"
             "  tvk batch manifest.csv"),
         .options = {QCommandLineOption(QStringLiteral("check"),
                                        QStringLiteral("Check every line as for writing, and "
                                                       "write nothing.")),
                     asIsOption()},
         .arguments = {{QStringLiteral("MANIFEST"), QStringLiteral("The manifest, a CSV file.")}}},
        execute};
}

} // namespace Cli
