#include "tests/cli/CliFixture.h"

#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

#include <csignal>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

// `tvk batch`: many packages from one manifest, all or nothing.
class BatchCommandTest : public QObject, private CliFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(clear()); }

    void batch_manifestAsSpreadsheetsWriteIt_sameBytesAsPack_data()
    {
        QTest::addColumn<QByteArray>("manifest");
        QTest::newRow("plain, LF")
            << QByteArray("name,author,left,right,output\nA,B,in/l.ico,in/r.ico,one.tvk\n"
                          "C,D,in/r.ico,in/l.ico,two.tvk");
        QTest::newRow("BOM, CRLF, quotes, a line break in a field, an empty last line")
            << QByteArray("\xEF\xBB\xBFoutput,name,author,left,right\r\n"
                          "one.tvk,\"A, \"\"quoted\"\"\",B,in/l.ico,in/r.ico\r\n"
                          "two.tvk,C,\"two\r\nlines\",in/r.ico,in/l.ico\r\n\r\n");
    }

    // Relative paths are taken from the manifest's folder, not the current one.
    void batch_manifestAsSpreadsheetsWriteIt_sameBytesAsPack()
    {
        QFETCH(QByteArray, manifest);
        QVERIFY(TestFiles::write(path(QStringLiteral("job/in/l.ico")), smallIco()));
        QVERIFY(TestFiles::write(path(QStringLiteral("job/in/r.ico")), "right"));
        QVERIFY(TestFiles::write(path(QStringLiteral("job/m.csv")), manifest));
        const Run check = tvk("batch --check job/m.csv");
        QCOMPARE(check.out, QStringLiteral("All 2 lines can be written.\n"));
        QCOMPARE(check.exitCode, 0);
        QVERIFY(!QFile::exists(path(QStringLiteral("job/one.tvk"))));

        const Run run = tvk("batch job/m.csv");

        QCOMPARE(run.err, QString());
        QCOMPARE(run.out, QStringLiteral("Wrote 2 TVK files.\n"));
        QCOMPARE(run.exitCode, 0);
        const bool quoted = manifest.contains("quoted");
        const QString names[][2] = {
            {quoted ? QStringLiteral("A, \"quoted\"") : QStringLiteral("A"), QStringLiteral("B")},
            {QStringLiteral("C"), quoted ? QStringLiteral("two\r\nlines") : QStringLiteral("D")}};
        const QString icons[][2] = {
            {QStringLiteral("job/in/l.ico"), QStringLiteral("job/in/r.ico")},
            {QStringLiteral("job/in/r.ico"), QStringLiteral("job/in/l.ico")}};
        const QString outputs[] = {QStringLiteral("one.tvk"), QStringLiteral("two.tvk")};
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(pack(names[i][0], names[i][1], icons[i][0], icons[i][1],
                          QStringLiteral("packed.tvk"))
                         .exitCode,
                     0);
            QCOMPARE(TestFiles::read(path(QStringLiteral("job/") + outputs[i])),
                     TestFiles::read(path(QStringLiteral("packed.tvk"))));
        }
    }

    // Not even the good line is written.
    void batch_badManifest_toldByLineNothingWritten()
    {
        QVERIFY(TestFiles::write(path(QStringLiteral("l.ico")), "left"));
        QVERIFY(TestFiles::write(path(QStringLiteral("o.tvk")), "earlier"));
        QVERIFY(TestFiles::write(path(QStringLiteral("m.csv")), "name,author,left,right,output\n"
                                                                "A,B,l.ico,l.ico,o.tvk\n"
                                                                "A,B,l.ico,none.ico,o2.tvk\n"));
        const QStringList before = TestFiles::entries(m_dir.path());

        const Run run = tvk("batch m.csv");

        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QString());
        QCOMPARE(run.err, QStringLiteral("m.csv:3: Cannot read ICO file %1: The file does not "
                                         "exist.\n")
                              .arg(QDir::toNativeSeparators(path(QStringLiteral("none.ico")))));
        QCOMPARE(TestFiles::entries(m_dir.path()), before);
        QCOMPARE(TestFiles::read(path(QStringLiteral("o.tvk"))), QByteArray("earlier"));
    }

#ifdef Q_OS_WIN
    // One output, given plainly and in Windows' extended form, is one file named twice.
    void batch_outputInExtendedForm_isTheSameFile()
    {
        QVERIFY(TestFiles::write(path(QStringLiteral("l.ico")), "left"));
        const QString extended =
            QStringLiteral(R"(\\?\)") + QDir::toNativeSeparators(path(QStringLiteral("o.tvk")));
        const QByteArray lines(
            "name,author,left,right,output\nA,B,l.ico,l.ico,o.tvk\nC,D,l.ico,l.ico,");
        QVERIFY(TestFiles::write(path(QStringLiteral("m.csv")), lines + extended.toUtf8()));

        QCOMPARE(tvk("batch m.csv").err,
                 QStringLiteral("m.csv:3: %1 is already the output of line 2\n").arg(extended));
    }
#endif

    void batch_diskFull_keepsEveryEarlierOutput()
    {
        const TestFiles::SmallDisk disk(64 * TestFiles::KiB);
        if (!disk.mounted())
            QSKIP("Mounting a small tmpfs is not allowed here, so a full disk cannot be made.");
        QVERIFY(
            TestFiles::write(path(QStringLiteral("l.ico")), QByteArray(24 * TestFiles::KiB, 'l')));
        QVERIFY(TestFiles::write(path(QStringLiteral("r.ico")), "r"));
        QByteArray manifest("name,author,left,right,output\n");
        for (int i = 0; i < 4; ++i) {
            QVERIFY(TestFiles::write(disk.filePath(QStringLiteral("o%1.tvk").arg(i)), "earlier"));
            manifest += QStringLiteral("A,B,%1,%2,%3\n")
                            .arg(path(QStringLiteral("l.ico")), path(QStringLiteral("r.ico")),
                                 disk.filePath(QStringLiteral("o%1.tvk").arg(i)))
                            .toUtf8();
        }
        QVERIFY(TestFiles::write(path(QStringLiteral("m.csv")), manifest));
        const QStringList before = TestFiles::entries(disk.path());

        const Run run = tvk("batch m.csv");

        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(QStringLiteral("No space left on device. No earlier output was "
                                                 "replaced.")),
                 qPrintable(run.err));
        QCOMPARE(TestFiles::entries(disk.path()), before);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(TestFiles::read(disk.filePath(QStringLiteral("o%1.tvk").arg(i))),
                     QByteArray("earlier"));
    }

#ifdef Q_OS_UNIX
    // The exit status is the shell's for the signal.
    void batch_signalled_removesWhatItMade_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGINT (Ctrl+C)") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP (terminal closed)") << SIGHUP;
    }

    void batch_signalled_removesWhatItMade()
    {
#ifndef TVK_FAILING_CALLS
        QSKIP("System calls are paused only on Linux.");
#endif
        QFETCH(int, signal);
        QVERIFY(TestFiles::write(path(QStringLiteral("l.ico")), "l"));
        QVERIFY(TestFiles::write(path(QStringLiteral("r.ico")), "r"));
        QVERIFY(TestFiles::write(path(QStringLiteral("out/o0.tvk")), "earlier"));
        QVERIFY(TestFiles::write(path(QStringLiteral("m.csv")), "name,author,left,right,output\n"
                                                                "A,B,l.ico,r.ico,out/o1.tvk\n"
                                                                "A,B,l.ico,r.ico,out/o2.tvk\n"
                                                                "A,B,l.ico,r.ico,out/o0.tvk\n"));
        QProcess batch;
        // Paused as it takes the earlier output's permissions, on the last line,
        // with new files waiting beside their outputs.
        QVERIFY(startPaused(batch, "fchmod", words("batch m.csv")));
        QVERIFY(TestFiles::entries(path(QStringLiteral("out"))).size() >= 3);

        QCOMPARE(::kill(pid_t(batch.processId()), signal), 0);

        QVERIFY(batch.waitForFinished(10000));
        QCOMPARE(batch.exitStatus(), QProcess::NormalExit);
        QCOMPARE(batch.exitCode(), 128 + signal);
        QCOMPARE(QString::fromUtf8(batch.readAllStandardError()),
                 QStringLiteral("tvk: Interrupted; the files being written were removed.\n"));
        QCOMPARE(TestFiles::entries(path(QStringLiteral("out"))),
                 QStringList(QStringLiteral("o0.tvk")));
        QCOMPARE(TestFiles::read(path(QStringLiteral("out/o0.tvk"))), QByteArray("earlier"));
    }

    // On exFAT, "Cafe.tvk" and "cafe.tvk" are one file, though exfat-fuse gives
    // each spelling a number of its own: an output spelled as another file is
    // refused, by pack and by batch, and nothing is lost.
    void caseInsensitiveFileSystem_spellingsAreOneFile()
    {
        if (::geteuid() != 0 ||
            QStandardPaths::findExecutable(QStringLiteral("mkfs.exfat")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("mount.exfat-fuse")).isEmpty())
            QSKIP("Needs root, mkfs.exfat and exfat-fuse to mount an exFAT image.");
        const QString image = path(QStringLiteral("exfat.img"));
        const QString mounted = path(QStringLiteral("mnt"));
        QVERIFY(QDir().mkpath(mounted));
        QFile file(image);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(16 << 20));
        file.close();
        const auto system = [&](const QString& program, const QStringList& arguments) {
            return TestProcess::run(program, arguments, m_dir.path());
        };
        QCOMPARE(system(QStringLiteral("mkfs.exfat"), {image}).exitCode, 0);
        const TestProcess::Result loop = system(
            QStringLiteral("losetup"), {QStringLiteral("-f"), QStringLiteral("--show"), image});
        const QString device = loop.out.trimmed();
        if (loop.exitCode != 0 ||
            system(QStringLiteral("mount.exfat-fuse"), {device, mounted}).exitCode != 0) {
            system(QStringLiteral("losetup"), {QStringLiteral("-d"), device});
            QSKIP("This machine cannot mount an exFAT image (no loop device or FUSE).");
        }
        const auto unmount = qScopeGuard([&] {
            system(QStringLiteral("umount"), {mounted});
            system(QStringLiteral("losetup"), {QStringLiteral("-d"), device});
        });
        QVERIFY(TestFiles::write(mounted + QStringLiteral("/cafe-left.ico"), "left"));
        QVERIFY(TestFiles::write(mounted + QStringLiteral("/cafe-right.ico"), "right"));
        QVERIFY(TestFiles::write(mounted + QStringLiteral("/m.csv"),
                                 "name,author,left,right,output\n"
                                 "A,B,cafe-left.ico,cafe-right.ico,Cafe.tvk\n"
                                 "A,B,cafe-left.ico,cafe-right.ico,cafe.tvk\n"
                                 "A,B,cafe-left.ico,cafe-right.ico,CAFE-LEFT.ICO\n"));

        const Run overIcon = tvk({QStringLiteral("pack"), QStringLiteral("-n"), QStringLiteral("A"),
                                  QStringLiteral("-a"), QStringLiteral("B"),
                                  mounted + QStringLiteral("/cafe-left.ico"),
                                  mounted + QStringLiteral("/cafe-right.ico"), QStringLiteral("-o"),
                                  mounted + QStringLiteral("/Cafe-Right.ico")});
        const Run batch = tvk({QStringLiteral("batch"), mounted + QStringLiteral("/m.csv")});

        QCOMPARE(overIcon.exitCode, 1);
        QCOMPARE(overIcon.err,
                 QStringLiteral("tvk: The output TVK file must differ from both ICO files!\n"));
        QCOMPARE(batch.exitCode, 1);
        QCOMPARE(batch.err.split(QLatin1Char('\n')),
                 QStringList({QStringLiteral("%1:3: %2/cafe.tvk is already the output of line 2")
                                  .arg(mounted + QStringLiteral("/m.csv"), mounted),
                              QStringLiteral("%1:4: The output TVK file must differ from both ICO "
                                             "files!")
                                  .arg(mounted + QStringLiteral("/m.csv")),
                              QString()}));
        QCOMPARE(TestFiles::read(mounted + QStringLiteral("/cafe-right.ico")), QByteArray("right"));
        QCOMPARE(TestFiles::entries(mounted).size(), 3);
    }
#endif
};

QTEST_GUILESS_MAIN(BatchCommandTest)
#include "tst_batch.moc"
