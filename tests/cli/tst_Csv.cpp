#include "cli/Csv.h"

#include <QTest>

using namespace Cli;

Q_DECLARE_METATYPE(QList<QStringList>)

// Manifests as spreadsheets save them, read directly: what each record holds,
// on which line it starts, and every line that cannot be read.
class CsvTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_spreadsheetCsv_recordsAndLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<QStringList>>("records");
        // The line each record starts on.
        QTest::addColumn<QList<qsizetype>>("lines");
        QTest::newRow("quoted comma, doubled quote, CRLF")
            << QByteArray("a,\"b,c\"\r\n\"say \"\"hi\"\"\",d\r\n")
            << QList<QStringList>{{"a", "b,c"}, {"say \"hi\"", "d"}} << QList<qsizetype>{1, 2};
        QTest::newRow("line break inside quotes moves the next line's number")
            << QByteArray("\"x\ny\",z\nlast,one")
            << QList<QStringList>{{"x\ny", "z"}, {"last", "one"}} << QList<qsizetype>{1, 3};
        QTest::newRow("byte order mark, empty lines skipped")
            << QByteArray("\xEF\xBB\xBFn,a\n\n\nx,y\n")
            << QList<QStringList>{{"n", "a"}, {"x", "y"}} << QList<qsizetype>{1, 4};
        QTest::newRow("semicolons when the first line has more of them")
            << QByteArray("n;a;l\nCafé, au lait;Zoë;x")
            << QList<QStringList>{{"n", "a", "l"}, {"Café, au lait", "Zoë", "x"}}
            << QList<qsizetype>{1, 2};
    }

    void parse_spreadsheetCsv_recordsAndLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<QStringList>, records);
        QFETCH(QList<qsizetype>, lines);

        const Csv::ParseResult result = Csv::parse(bytes);

        QVERIFY(result.problems.isEmpty());
        QList<QStringList> fields;
        QList<qsizetype> starts;
        for (const Csv::Record& record : result.records) {
            fields << record.fields;
            starts << record.line;
        }
        QCOMPARE(fields, records);
        QCOMPARE(starts, lines);
    }

    void parse_unreadable_toldByLineAndLeftOut_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qsizetype>("line");
        QTest::addColumn<QString>("message");
        QTest::newRow("text after a closing quote")
            << QByteArray("a,b\n\"c\"d,e\n") << qsizetype(2) << "text follows a closing quote";
        QTest::newRow("quote inside an unquoted field")
            << QByteArray("a,b\nc,x\"y\n") << qsizetype(2)
            << "a quote inside a field that does not start with one";
        QTest::newRow("quote never closed") << QByteArray("a,b\nc,\"d\ne\n") << qsizetype(2)
                                            << "the quote opened on line 2 is never closed";
        QTest::newRow("legacy code page") << QByteArray("a,b\nCaf\xE9,x\n") << qsizetype(2)
                                          << "the line is not valid UTF-8; save it as CSV UTF-8";
        QTest::newRow("UTF-16") << QByteArray("\xFF\xFEn\0a\0", 6) << qsizetype(1)
                                << "the manifest is UTF-16 text; save it as CSV UTF-8";
    }

    void parse_unreadable_toldByLineAndLeftOut()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qsizetype, line);
        QFETCH(QString, message);

        const Csv::ParseResult result = Csv::parse(bytes);

        QCOMPARE(result.problems.size(), 1);
        QCOMPARE(result.problems.constFirst().line, line);
        QCOMPARE(result.problems.constFirst().message, message);
        for (const Csv::Record& record : result.records)
            QVERIFY(record.line != line);
    }
};

QTEST_GUILESS_MAIN(CsvTest)
#include "tst_Csv.moc"
