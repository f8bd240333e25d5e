#include "files/SystemFiles.h"
#include "format/SystemCodePage.h"
#include "package/PackageWriter.h"
#include "tests/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

class PackageWriterTest : public QObject, private TestFolder
{
    Q_OBJECT

private:
    // Icons "left.ico" (01 02 03) and "right.ico" (empty) in the test's folder.
    PackageRequest smallRequest(const QString& output = QStringLiteral("out.tvk"))
    {
        TestFiles::write(path(QStringLiteral("left.ico")), QByteArray::fromHex("010203"));
        TestFiles::write(path(QStringLiteral("right.ico")), {});
        return {path(QStringLiteral("left.ico")), path(QStringLiteral("right.ico")), path(output),
                QStringLiteral("A"), QStringLiteral("B")};
    }

    static const QByteArray& smallPackage()
    {
        static const QByteArray bytes =
            QByteArray::fromHex("01000000 41 01000000 42 03000000 00000000 010203");
        return bytes;
    }

private Q_SLOTS:
    void init() { QVERIFY(clear()); }

    void write_byteExamples_matchLayout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("author");
        QTest::addColumn<QByteArray>("left");
        QTest::addColumn<QByteArray>("right");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("one letter each, three bytes and an empty icon")
            << QStringLiteral("A") << QStringLiteral("B") << QByteArray::fromHex("010203")
            << QByteArray() << smallPackage();

        const QString longName(300, QLatin1Char('n'));
        QTest::newRow("300-character name")
            << longName << QStringLiteral("B") << QByteArray("L") << QByteArray("RR")
            << QByteArray::fromHex("2C010000") + QByteArray(300, 'n') +
                   QByteArray::fromHex("01000000 42 01000000 02000000") + "LRR";

        QTest::newRow("two empty icons end in eight zero bytes")
            << QStringLiteral("N") << QStringLiteral("A") << QByteArray() << QByteArray()
            << QByteArray::fromHex("01000000 4E 01000000 41 00000000 00000000");

        QTest::newRow("one space as name")
            << QStringLiteral(" ") << QStringLiteral("B") << QByteArray() << QByteArray()
            << QByteArray::fromHex("01000000 20 01000000 42 00000000 00000000");

        QTest::newRow("Western letters, one byte each")
            << QStringLiteral("é€ß") << QStringLiteral("Ÿ™") << QByteArray() << QByteArray()
            << QByteArray::fromHex("03000000 E980DF 02000000 9F99 00000000 00000000");
    }

    // In a folder and under names of spaces and letters beyond ASCII.
    void write_byteExamples_matchLayout()
    {
        QFETCH(QString, name);
        QFETCH(QString, author);
        QFETCH(QByteArray, left);
        QFETCH(QByteArray, right);
        QFETCH(QByteArray, expected);
        const QString folder = path(QStringLiteral("Ünïcode icons"));
        QVERIFY(TestFiles::write(folder + QStringLiteral("/левый.ico"), left));
        QVERIFY(TestFiles::write(folder + QStringLiteral("/right 右.ico"), right));
        const QString output = folder + QStringLiteral("/Ausgabe ß.tvk");

        const Outcome outcome =
            PackageWriter::write({folder + QStringLiteral("/левый.ico"),
                                  folder + QStringLiteral("/right 右.ico"), output, name, author});

        QVERIFY2(outcome.isDone(), qPrintable(outcome.reason()));
        QCOMPARE(TestFiles::read(output).toHex(' '), expected.toHex(' '));
    }

    void write_sameIconBothSides_storedTwice()
    {
        const QByteArray icon = QByteArray::fromHex("00000100 AABB");
        QVERIFY(TestFiles::write(path(QStringLiteral("both.ico")), icon));
        const QString both = path(QStringLiteral("both.ico"));

        const Outcome outcome = PackageWriter::write({both, both, path(QStringLiteral("out.tvk")),
                                                      QStringLiteral("A"), QStringLiteral("B")});

        QVERIFY2(outcome.isDone(), qPrintable(outcome.reason()));
        QCOMPARE(TestFiles::read(path(QStringLiteral("out.tvk"))),
                 QByteArray::fromHex("01000000 41 01000000 42 06000000 06000000") + icon + icon);
        QCOMPARE(TestFiles::read(both), icon);
    }

    void write_refusedInput_touchesNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("author");
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("right");
        QTest::addColumn<QString>("output");
        // %1 stands for the file it names.
        QTest::addColumn<QString>("expectedMessage");
        QTest::addColumn<QString>("named");

        const QString l = QStringLiteral("left.ico");
        const QString r = QStringLiteral("right.ico");
        const QString out = QStringLiteral("out.tvk");
        const QString a = QStringLiteral("A");
        const QString b = QStringLiteral("B");
        const QString sameFile =
            QStringLiteral("The output TVK file must differ from both ICO files!");

        QTest::newRow("emoji in name")
            << QStringLiteral("Smile 😀") << b << l << r << out
            << QStringLiteral("The Tovrik name contains the character “😀” (U+1F600), which a TVK "
                              "file cannot store.\nUse letters of Western European languages only.")
            << QString();
        QTest::newRow("CJK in author")
            << a << QStringLiteral("作者") << l << r << out
            << QStringLiteral("The Author name contains the character “作” (U+4F5C)") << QString();
        QTest::newRow("names are refused before icons")
            << QStringLiteral("Smile 😀") << b << QStringLiteral("nothing.ico") << r << out
            << QStringLiteral("The Tovrik name contains the character “😀”") << QString();
        QTest::newRow("left icon missing")
            << a << b << QStringLiteral("nothing.ico") << r << out
            << QStringLiteral("Cannot read ICO file %1:\nThe file does not exist.")
            << QStringLiteral("nothing.ico");
        QTest::newRow("right icon is a folder")
            << a << b << l << QStringLiteral("folder") << out
            << QStringLiteral("Cannot read ICO file %1:\nThis is a folder, not a file.")
            << QStringLiteral("folder");
        QTest::newRow("output is the left icon") << a << b << l << r << l << sameFile << QString();
        QTest::newRow("output is the right icon through a symbolic link")
            << a << b << l << r << QStringLiteral("link-to-right.ico") << sameFile << QString();
        QTest::newRow("output is the left icon through a hard link")
            << a << b << l << r << QStringLiteral("hardlink-to-left.ico") << sameFile << QString();
        QTest::newRow("output is a folder")
            << a << b << l << r << QStringLiteral("folder")
            << QStringLiteral("Cannot write file %1:\nThis is a folder, not a file.")
            << QStringLiteral("folder");
#ifdef Q_OS_UNIX
        const QString notRegular =
            QStringLiteral("Cannot write file %1:\nThis is not a regular file.");
        QTest::newRow("output is a FIFO")
            << a << b << l << r << QStringLiteral("fifo") << notRegular << QStringLiteral("fifo");
        QTest::newRow("output links to a FIFO")
            << a << b << l << r << QStringLiteral("link-to-fifo") << notRegular
            << QStringLiteral("link-to-fifo");
        QTest::newRow("output is a device") << a << b << l << r << QStringLiteral("null-device")
                                            << notRegular << QStringLiteral("null-device");
#endif
    }

    void write_refusedInput_touchesNothing()
    {
        QFETCH(QString, name);
        QFETCH(QString, author);
        QFETCH(QString, left);
        QFETCH(QString, right);
        QFETCH(QString, output);
        QFETCH(QString, expectedMessage);
        QFETCH(QString, named);
        const QByteArray leftBytes = QByteArray::fromHex("010203");
        QVERIFY(TestFiles::write(path(QStringLiteral("left.ico")), leftBytes));
        QVERIFY(TestFiles::write(path(QStringLiteral("right.ico")), "right"));
        QVERIFY(TestFiles::write(path(QStringLiteral("out.tvk")), "earlier"));
        QVERIFY(QDir().mkpath(path(QStringLiteral("folder"))));
        QVERIFY(QFile::link(path(QStringLiteral("right.ico")),
                            path(QStringLiteral("link-to-right.ico"))));
#ifdef Q_OS_UNIX
        QCOMPARE(::mkfifo(QFile::encodeName(path(QStringLiteral("fifo"))).constData(), 0644), 0);
        QVERIFY(QFile::link(path(QStringLiteral("fifo")), path(QStringLiteral("link-to-fifo"))));
        // The null device's own numbers: only root may make one.
        if (::mknod(QFile::encodeName(path(QStringLiteral("null-device"))).constData(),
                    S_IFCHR | 0666, makedev(1, 3)) != 0 &&
            output == QStringLiteral("null-device"))
            QSKIP("Making a device node needs root.");
        QVERIFY(
            ::link(QFile::encodeName(path(QStringLiteral("left.ico"))).constData(),
                   QFile::encodeName(path(QStringLiteral("hardlink-to-left.ico"))).constData()) ==
            0);
#else
        if (output == QStringLiteral("hardlink-to-left.ico"))
            QSKIP("Hard links are made here with POSIX link().");
        if (output == QStringLiteral("link-to-right.ico"))
            QSKIP("QFile::link() makes a shortcut on Windows, not a symbolic link.");
#endif
        const QStringList before = TestFiles::entries(m_dir.path());

        const Outcome outcome =
            PackageWriter::write({path(left), path(right), path(output), name, author});

        QVERIFY(outcome.refused());
        const QString expected = named.isEmpty()
                                     ? expectedMessage
                                     : expectedMessage.arg(QDir::toNativeSeparators(path(named)));
        QVERIFY2(outcome.reason().startsWith(expected) || outcome.reason().contains(expected),
                 qPrintable(outcome.reason()));
        QCOMPARE(TestFiles::entries(m_dir.path()), before);
        QCOMPARE(TestFiles::read(path(QStringLiteral("left.ico"))), leftBytes);
        QCOMPARE(TestFiles::read(path(QStringLiteral("right.ico"))), QByteArray("right"));
        QCOMPARE(TestFiles::read(path(QStringLiteral("out.tvk"))), QByteArray("earlier"));
#ifdef Q_OS_UNIX
        QCOMPARE(SystemFiles::kindOf(path(QStringLiteral("fifo")), false),
                 SystemFiles::Kind::Other);
#endif
    }

    // The advice names what the code page in use can store (Windows' own code page; the
    // suite runs it again under 1251 and 932, which TVK_CODE_PAGE then names).
    void write_characterOutsideCodePage_advisedForThatCodePage()
    {
        if (qEnvironmentVariableIsSet("TVK_CODE_PAGE"))
            QCOMPARE(SystemCodePage::number(), qEnvironmentVariable("TVK_CODE_PAGE").toUInt());
        const QMap<unsigned, QString> advice = {
            {1252, QStringLiteral("Use letters of Western European languages only.")},
            {1251, QStringLiteral("Use Cyrillic or English letters only.")},
            {932, QStringLiteral("Use English letters or half-width katakana only.")}};
        if (!advice.contains(SystemCodePage::number()))
            QSKIP("No advice known here for this code page.");
        const Outcome refused = PackageWriter::write(
            {path(QStringLiteral("l.ico")), path(QStringLiteral("r.ico")),
             path(QStringLiteral("o.tvk")), QStringLiteral("A"), QStringLiteral("Smile 😀")});
        QCOMPARE(refused.reason().section(QLatin1Char('\n'), 1),
                 advice.value(SystemCodePage::number()));
    }

    // The longest name a file system allows leaves no room for a longer
    // temporary name beside it; the longer earlier file leaves nothing behind.
    void write_existingLongerOutputWithLongestName_becomesExactlyNewPackage()
    {
        const QString longest = QString(251, QLatin1Char('n')) + QStringLiteral(".tvk");
        QVERIFY(TestFiles::write(path(longest), QByteArray(1000, 'x')));
        qint64 lastWritten = -1;
        qint64 lastTotal = -1;

        const Outcome outcome =
            PackageWriter::write(smallRequest(longest), [&](qint64 written, qint64 total) {
                lastWritten = written;
                lastTotal = total;
                return true;
            });

        QVERIFY2(outcome.isDone(), qPrintable(outcome.reason()));
        QCOMPARE(TestFiles::read(path(longest)), smallPackage());
        QCOMPARE(TestFiles::entries(m_dir.path()).size(), 3);
        QCOMPARE(lastTotal, smallPackage().size());
        QCOMPARE(lastWritten, lastTotal);
    }

    void write_iconOfTwoGigabytes_refusedNamingIt()
    {
        PackageRequest request = smallRequest();
        QFile huge(path(QStringLiteral("huge.ico")));
        QVERIFY(huge.open(QIODevice::WriteOnly));
        if (!huge.resize(qint64(1) << 31))
            QSKIP("This file system cannot hold a sparse file of 2 GiB.");
        huge.close();
        request.rightPath = huge.fileName();

        const Outcome outcome = PackageWriter::write(request);

        QVERIFY(outcome.refused());
        QVERIFY2(
            outcome.reason().startsWith(QStringLiteral("ICO file %1 is too large for a TVK file")
                                            .arg(QDir::toNativeSeparators(huge.fileName()))),
            qPrintable(outcome.reason()));
        QVERIFY(!QFile::exists(request.outputPath));
    }

    void write_cancelled_keepsEarlierOutputAndNoTemporaryFile()
    {
        QVERIFY(TestFiles::write(path(QStringLiteral("out.tvk")), "earlier"));
        const PackageRequest request = smallRequest();
        const QStringList before = TestFiles::entries(m_dir.path());
        int calls = 0;

        const Outcome outcome =
            PackageWriter::write(request, [&](qint64, qint64) { return ++calls < 2; });

        QVERIFY(outcome.isCancelled());
        QCOMPARE(TestFiles::read(request.outputPath), QByteArray("earlier"));
        QCOMPARE(TestFiles::entries(m_dir.path()), before);
    }

#ifdef Q_OS_UNIX
    // A real write failure on disk: the child process may write no more than
    // 16 KiB per file, so the package of a 64 KiB icon cannot be written.
    void write_fileSizeLimitReached_keepsEarlierOutputAndNoTemporaryFile()
    {
        QVERIFY(TestFiles::write(path(QStringLiteral("out.tvk")), "earlier"));
        PackageRequest request = smallRequest();
        QVERIFY(TestFiles::write(request.leftPath, QByteArray(64 * TestFiles::KiB, 'L')));
        const QStringList before = TestFiles::entries(m_dir.path());

        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{16 * TestFiles::KiB, 16 * TestFiles::KiB};
            setrlimit(RLIMIT_FSIZE, &limit);
            const Outcome outcome = PackageWriter::write(request);
            const bool toldWhy = outcome.reason().contains(QStringLiteral("File too large"));
            _exit(outcome.failed() && !outcome.refused() && toldWhy ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);

        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QCOMPARE(TestFiles::read(request.outputPath), QByteArray("earlier"));
        QCOMPARE(TestFiles::entries(m_dir.path()), before);
    }
#endif
};

QTEST_GUILESS_MAIN(PackageWriterTest)
#include "tst_PackageWriter.moc"
