#include "cli/Manifest.h"
#include "tests/TestSupport.h"

#include <QTest>

using namespace Cli;

namespace {

// "line: message", as a batch tells each problem after the manifest's name.
QStringList told(const QList<Csv::Problem>& problems)
{
    QStringList lines;
    for (const Csv::Problem& problem : problems)
        lines << QStringLiteral("%1: %2").arg(problem.line).arg(problem.message);
    return lines;
}

} // namespace

// Manifests held in memory, read as `tvk batch` reads them: the rows they make,
// and every problem with its line, before any file is written.
class ManifestTest : public QObject, private TestFolder
{
    Q_OBJECT

private Q_SLOTS:
    void read_asSpreadsheetsSaveIt_rowsWithPathsFromTheFolder_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("plain") << QByteArray("name,author,left,right,output\n"
                                             "A,B,l.ico,/abs/r.ico,o.tvk\nC,D,r,l,o2\n");
        QTest::newRow("columns in another order and letter case, semicolons, empty rows")
            << QByteArray("Output ; NAME;author;Left;right\r\no.tvk;A;B;l.ico;/abs/r.ico\r\n"
                          ";;;;\r\no2;C;D;r;l\r\n;;;;\r\n");
        QTest::newRow("an empty column more")
            << QByteArray("name,author,left,right,output,\nA,B,l.ico,/abs/r.ico,o.tvk,\n"
                          "C,D,r,l,o2,\n");
    }

    void read_asSpreadsheetsSaveIt_rowsWithPathsFromTheFolder()
    {
        QFETCH(QByteArray, bytes);

        const Manifest::Contents contents = Manifest::read(bytes, QDir(QStringLiteral("/job")));

        QCOMPARE(told(contents.problems), QStringList());
        QCOMPARE(contents.rows.size(), size_t(2));
        const PackageRequest& first = contents.rows[0].request;
        QCOMPARE(QStringList(
                     {first.leftPath, first.rightPath, first.outputPath, first.name, first.author}),
                 QStringList({"/job/l.ico", "/abs/r.ico", "/job/o.tvk", "A", "B"}));
        QCOMPARE(contents.rows[1].request.outputPath, QStringLiteral("/job/o2"));
        QCOMPARE(contents.rows[1].line, bytes.contains(";;;;") ? 4 : 3);
    }

    void read_badText_everyProblemByLine_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("expected");
        // The lines of the rows read all the same.
        QTest::addColumn<QList<qsizetype>>("rows");
        const QString columns = QStringLiteral("name, author, left, right, output");
        QTest::newRow("empty") << QByteArray("\n\n")
                               << QStringList("1: the manifest is empty; its first line names "
                                              "the columns " +
                                              columns)
                               << QList<qsizetype>();
        QTest::newRow("no header") << QByteArray("A,B,l,r,o\n")
                                   << QStringList("1: the first line must name the columns " +
                                                  columns + ", separated by commas or semicolons")
                                   << QList<qsizetype>();
        QTest::newRow("unknown, doubled and missing columns")
            << QByteArray("name,nmae,name,left,right,output\n")
            << QStringList({"1: unknown column 'nmae'; the columns are " + columns,
                            "1: the column 'name' is named twice",
                            "1: the column 'author' is missing"})
            << QList<qsizetype>();
        QTest::newRow("bad lines, each told, good ones kept")
            << QByteArray("author,name,left,right,output\n"
                          "B,A,l,r,o,extra\n"
                          "B,,l,r,o\n"
                          "B,A,l,r,\n"
                          "\"B\"x,A,l,r,o\n"
                          "B,A,l,r,o\n")
            << QStringList({"2: expected 5 fields, found 6", "3: the name is empty",
                            "4: the output is empty", "5: text follows a closing quote"})
            << QList<qsizetype>{6};
        QTest::newRow("text in a column without a name")
            << QByteArray("name,author,left,right,output,\nA,B,l,r,o,x\n")
            << QStringList("2: field 6 holds 'x', but the first line names no column there")
            << QList<qsizetype>();
    }

    void read_badText_everyProblemByLine()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, expected);
        QFETCH(QList<qsizetype>, rows);

        const Manifest::Contents contents = Manifest::read(bytes, QDir(QStringLiteral("/job")));

        QCOMPARE(told(contents.problems), expected);
        QList<qsizetype> lines;
        for (const Manifest::Row& row : contents.rows)
            lines << row.line;
        QCOMPARE(lines, rows);
    }

    // Paths are compared as the files they reach: "./o.tvk" is "o.tvk".
    void checkFiles_outputsAgainstFiles_everyProblemByLine()
    {
        QVERIFY(TestFiles::write(path(QStringLiteral("l.ico")), "left"));
        QVERIFY(TestFiles::write(path(QStringLiteral("r.ico")), "right"));
        QVERIFY(TestFiles::write(path(QStringLiteral("m.csv")), "manifest"));
        QVERIFY(TestFiles::write(path(QStringLiteral("o.tvk")), "earlier"));
        Manifest::Contents contents =
            Manifest::read("name,author,left,right,output\n"
                           "A,B,l.ico,none.ico,a.tvk\n"
                           "A,B,l.ico,r.ico,o.tvk\n"
                           "A,B,l.ico,r.ico,./o.tvk\n"
                           "A,B,l.ico,r.ico,r.ico\n"
                           "A,B,o.tvk,r.ico,b.tvk\n"
                           "A,B,l.ico,r.ico,nowhere/c.tvk\n"
                           "A,B,l.ico,r.ico,m.csv\n"
                           "A,B,l.ico,r.ico,d.tvk\n"
                           "中,B,l.ico,r.ico,e.tvk\n" +
                               // A NUL would cut the name short.
                               QByteArray("A,B,l.ico,r.ico,f\0.tvk\n", 23),
                           QDir(m_dir.path()));
        const QList<FileIdentity> manifest =
            FileIdentity::allOf(path(QStringLiteral("m.csv")), FileIdentity::LastLink::Follow);

        const InputFiles icons = Manifest::checkFiles(
            contents, InputFiles(QSet<FileIdentity>(manifest.cbegin(), manifest.cend())));

        const auto at = [&](const QString& name) { return QDir::toNativeSeparators(path(name)); };
        QCOMPARE(
            told(contents.problems),
            QStringList(
                {"2: Cannot read ICO file " + at("none.ico") + ":\nThe file does not exist.",
                 "3: " + at("o.tvk") + " is an icon of line 6",
                 "4: " + at("./o.tvk") + " is already the output of line 3",
                 "4: " + at("./o.tvk") + " is an icon of line 6",
                 "5: The output TVK file must differ from both ICO files!",
                 "7: Cannot write file " + at("nowhere/c.tvk") + ":\nIts folder does not exist.",
                 "8: " + at("m.csv") + " is the manifest itself",
                 QStringLiteral("10: The Tovrik name contains the character “中” (U+4E2D), "
                                "which a TVK file ") +
                     "cannot store.\nUse letters of Western European languages only.",
                 "11: Cannot write file " + at("f") +
                     "\\x00.tvk:\nThe path holds a NUL character, which no file name can hold."}));
        QCOMPARE(contents.rows.size(), size_t(5));
        QCOMPARE(icons.reachedBy(FileIdentity::allOf(path(QStringLiteral("l.ico")),
                                                     FileIdentity::LastLink::Follow)),
                 9);
    }
};

QTEST_GUILESS_MAIN(ManifestTest)
#include "tst_Manifest.moc"
