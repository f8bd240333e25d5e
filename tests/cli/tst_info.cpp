#include "format/SingleByteText.h"
#include "format/TvkLayout.h"
#include "tests/cli/CliFixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

// `tvk info`.
class InfoCommandTest : public QObject, private CliFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(clear()); }

    void info_invalidFile_toldWhereItBreaks_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        const QByteArray valid =
            QByteArray::fromHex("01000000 41 01000000 42 03000000 00000000 010203");
        QTest::newRow("empty file")
            << QByteArray() << "NameLength at offset 0 runs past the end of the file (0 bytes)";
        QTest::newRow("cut inside NameLength")
            << valid.left(2) << "NameLength at offset 0 runs past the end of the file (2 bytes)";
        QTest::newRow("author longer than the file")
            << QByteArray::fromHex("01000000 41 A00F0000 42") + QByteArray(13, 'x')
            << "AuthorLength 4000 at offset 5 runs past the end of the file (23 bytes)";
        QTest::newRow("negative name length")
            << QByteArray::fromHex("FFFFFFFF 41") << "NameLength -1 at offset 0 is negative";
        QTest::newRow("negative right length")
            << QByteArray::fromHex("01000000 41 01000000 42 03000000 FEFFFFFF 010203")
            << "RightLength -2 at offset 14 is negative";
        QTest::newRow("left icon cut short")
            << valid.left(20)
            << "LeftLength 3 at offset 10 runs past the end of the file (20 bytes)";
        QTest::newRow("right icon cut short")
            << QByteArray::fromHex("01000000 41 01000000 42 01000000 03000000 01 0203")
            << "RightLength 3 at offset 14 runs past the end of the file (21 bytes)";
        QTest::newRow("trailing bytes")
            << valid + "zz"
            << "2 bytes follow RightData at offset 21, where the file should end";
        QTest::newRow("claims 2 GiB of name")
            << QByteArray::fromHex("FFFFFF7F") + QByteArray(12, '\0')
            << "NameLength 2147483647 at offset 0 runs past the end of the file (16 bytes)";
    }

    void info_invalidFile_toldWhereItBreaks()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QVERIFY(TestFiles::write(path(QStringLiteral("bad.tvk")), bytes));

        const Run info = tvk("info bad.tvk");

        QCOMPARE(info.exitCode, 1);
        QCOMPARE(info.out, QString());
        QCOMPARE(info.err, QStringLiteral("tvk: bad.tvk is not a TVK file: %1.\n").arg(expected));
    }

    // Whatever names from the file hold, nothing printed may steer the terminal.
    void info_namesEscapedAndIconsDescribed()
    {
        const QByteArray name("x\x1b]0;owned\x07y\x7f\x81z");
        QVERIFY(
            TestFiles::write(path(QStringLiteral("c.tvk")), TvkLayout::header(name, "B", 62, 30) +
                                                                smallIco() + smallIco().left(30)));

        const Run info = tvk("info c.tvk");
        const Run json = tvk("info --json c.tvk");

        QVERIFY2(info.out.startsWith(QStringLiteral("Name:   x\\x1b]0;owned\\x07y\\x7f\\x81z\n")),
                 qPrintable(info.out));
        QVERIFY2(
            info.out.contains(QStringLiteral("Left:   62 bytes, ICO file with images 16x16\n")),
            qPrintable(info.out));
        QVERIFY2(info.out.contains(QStringLiteral("Right:  30 bytes, not an ICO file\n")),
                 qPrintable(info.out));
        for (const QString& out : {info.out, json.out}) {
            for (const QChar c : out)
                QVERIFY(c == QLatin1Char('\n') || (c >= QLatin1Char(' ') && c.unicode() != 0x7F &&
                                                   (c.unicode() < 0x80 || c.unicode() > 0x9F)));
        }
        const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8()).object();
        QCOMPARE(object.value(QStringLiteral("name")).toString(), SingleByteText::decode(name));
        const QJsonObject left = object.value(QStringLiteral("left")).toObject();
        QCOMPARE(left.value(QStringLiteral("ico")).toBool(), true);
        QCOMPARE(left.value(QStringLiteral("images")).toArray(),
                 QJsonArray({QStringLiteral("16x16")}));
        QCOMPARE(
            object.value(QStringLiteral("right")).toObject().value(QStringLiteral("ico")).toBool(),
            false);
    }

    // A sparse file that declares a name of 2 GiB: shown cut short, never loaded.
    void hugeDeclaredName_shownCutAndNeverLoaded()
    {
        QFile file(path(QStringLiteral("huge.tvk")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        const qint64 nameLength = TvkLayout::kMaxFieldLength;
        QByteArray head;
        TvkLayout::appendLength(head, qint32(nameLength));
        QVERIFY(file.write(head + QByteArray(1500, 'n')) == head.size() + 1500);
        const QByteArray tail = TvkLayout::header({}, "B", 0, 0).mid(4);
        if (!file.seek(head.size() + nameLength) || file.write(tail) != tail.size())
            QSKIP("This file system cannot hold a sparse file of 2 GiB.");
        file.close();

        // Within the 10 MiB the README promises, counting heap and private data:
        // reading the name whole would fail. (AddressSanitizer reserves far more.)
#ifdef TVK_UNDER_SANITIZERS
        const qint64 limit = 0;
#else
        const qint64 limit = qint64(10) << 20;
#endif
        // A limit on memory is a process's: these run as children.
        const auto within = [&](const char* line) { return tvkChild(words(line), {}, limit); };
        const Run info = within("info huge.tvk");
        const Run json = within("info --json huge.tvk");
        const Run unpacked = within("unpack huge.tvk");

        QCOMPARE(info.exitCode, 0);
        QVERIFY(info.out.startsWith(QStringLiteral("Name:   ") + QString(1000, QLatin1Char('n')) +
                                    QStringLiteral("… (2147483647 characters)\n")));
        const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8()).object();
        QCOMPARE(object.value(QStringLiteral("name")).toString(), QString(1000, QLatin1Char('n')));
        QCOMPARE(object.value(QStringLiteral("nameLength")).toInteger(), nameLength);
        QCOMPARE(object.value(QStringLiteral("nameTruncated")).toBool(), true);
        QCOMPARE(object.value(QStringLiteral("authorTruncated")).toBool(), false);
        QCOMPARE(unpacked.exitCode, 0);
    }
};

QTEST_GUILESS_MAIN(InfoCommandTest)
#include "tst_info.moc"
