#include "format/TvkLayout.h"
#include "tests/cli/CliFixture.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTest>

#include <cerrno>
#include <csignal>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

// `tvk` as a whole: what every command shares, how each one reports, and how
// its files are told apart and written.
class TvkToolTest : public QObject, private CliFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(clear()); }

    void failures_oneLineAndExitStatus_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("expectedErr");
        QTest::newRow("no command")
            << QStringList() << 2 << "tvk: no command given (see 'tvk --help')";
        QTest::newRow("unknown command")
            << words("frob") << 2 << "tvk: unknown command 'frob' (see 'tvk --help')";
        QTest::newRow("unknown option") << words("info --frob x.tvk") << 2
                                        << "tvk: Unknown option 'frob' (see 'tvk info --help')";
        QTest::newRow("pack without output") << words("pack -n A -a B l.ico r.ico") << 2
                                             << "tvk: --output is required (see 'tvk pack --help')";
        QTest::newRow("pack with one icon") << words("pack -n A -a B l.ico -o o.tvk") << 2
                                            << "tvk: missing RIGHT (see 'tvk pack --help')";
        QTest::newRow("thumbnail with no argument")
            << words("thumbnail") << 2 << "tvk: missing FILE and OUT (see 'tvk thumbnail --help')";
        QTest::newRow("empty name")
            << words("pack -n  -a B l.ico r.ico -o o.tvk") << 1 << "tvk: --name is empty";
        QTest::newRow("empty author")
            << words("pack -n A -a  l.ico r.ico -o o.tvk") << 1 << "tvk: --author is empty";
        QTest::newRow("missing icon")
            << words("pack -n A -a B none.ico r.ico -o o.tvk") << 1
            << "tvk: Cannot read ICO file none.ico: The file does not exist.";
        QTest::newRow("output is an icon")
            << words("pack -n A -a B l.ico r.ico -o ./l.ico") << 1
            << "tvk: The output TVK file must differ from both ICO files!";
        QTest::newRow("pack fails writing")
            << words("pack -n A -a B l.ico r.ico -o none/o.tvk") << 1
            << "tvk: Cannot write file " + QDir::toNativeSeparators(QStringLiteral("none/o.tvk")) +
                   ": No such file or directory.";
        QTest::newRow("info on a missing file")
            << words("info none.tvk") << 1
            << "tvk: Cannot read file none.tvk: The file does not exist.";
        QTest::newRow("empty file name, no Qt warning")
            << words("info ") << 1 << "tvk: Cannot read file : The file does not exist.";
        QTest::newRow("newline inside an argument")
            << words("frob\nx") << 2 << "tvk: unknown command 'frob\\x0ax' (see 'tvk --help')";
        // No library's own lines, no second line that is not so.
        const QString fix = QStringLiteral("; save it as CSV UTF-8");
        QTest::newRow("legacy manifest, not UTF-8")
            << words("batch legacy.csv") << 1 << "legacy.csv:2: the line is not valid UTF-8" + fix;
        QTest::newRow("binary file as manifest")
            << words("batch binary") << 1
            << "binary:1: the manifest is not text (it holds NUL bytes)" + fix;
        QTest::newRow("a PNG its library refuses")
            << words("thumbnail badpng.tvk out.png") << 1
            << "tvk: The left icon of badpng.tvk is not a picture that can be read: IHDR: CRC "
               "error.";
#ifdef Q_OS_WIN
        QTest::newRow("output is a device, with an extension")
            << words("pack -n A -a B l.ico r.ico -o nul.tvk") << 1
            << "tvk: Cannot write file nul.tvk: This is not a regular file.";
        QTest::newRow("output is a data stream")
            << words("pack -n A -a B l.ico r.ico -o o.tvk:hidden") << 1
            << "tvk: Cannot write file o.tvk:hidden: This is not a regular file.";
#endif
#ifdef Q_OS_UNIX
        // A FIFO would make a blocking open wait for ever.
        const QString notRegular = QStringLiteral(": This is not a regular file.");
        QTest::newRow("info on a FIFO")
            << words("info fifo") << 1 << "tvk: Cannot read file fifo" + notRegular;
        QTest::newRow("icon is a FIFO") << words("pack -n A -a B fifo r.ico -o o.tvk") << 1
                                        << "tvk: Cannot read ICO file fifo" + notRegular;
#endif
    }

    void failures_oneLineAndExitStatus()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, expectedErr);
        QVERIFY(TestFiles::write(path(QStringLiteral("l.ico")), "left"));
        QVERIFY(TestFiles::write(path(QStringLiteral("r.ico")), "right"));
        QVERIFY(TestFiles::write(path(QStringLiteral("legacy.csv")),
                                 "name,author,left,right,output\nCaf\xE9,B,l,r,o\n"));
        QVERIFY(TestFiles::write(path(QStringLiteral("binary")),
                                 QByteArray("\x7F"
                                            "ELF\x02\x01\x01\0\0\0\n\xFF\n\xFE\n",
                                            16)));
        const QByteArray badPng = QByteArray("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR\0\0\0\x10\0\0\0\x10"
                                             "\x08\x06\0\0\0\0\0\0\0\0\0\0\0\x05IDATjunk!",
                                             46);
        QVERIFY(TestFiles::write(path(QStringLiteral("badpng.tvk")),
                                 TvkLayout::header("A", "B", qint32(badPng.size()), 0) + badPng));
#ifdef Q_OS_UNIX
        QCOMPARE(::mkfifo(QFile::encodeName(path(QStringLiteral("fifo"))).constData(), 0644), 0);
#endif

        const Run run = tvk(arguments);

        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.err, expectedErr + QLatin1Char('\n'));
        QCOMPARE(run.out, QString());
        QVERIFY(!QFile::exists(path(QStringLiteral("o.tvk"))));
        QCOMPARE(TestFiles::read(path(QStringLiteral("l.ico"))), QByteArray("left"));
    }

    // Each row makes one system call fail in the child, as a failing disk does.
    void injectedFailures_keepEarlierFilesOrTellTheUser_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("failure");
        QTest::addColumn<QStringList>("outputs");
        QTest::addColumn<bool>("replaced");
        QTest::addColumn<QString>("expectedErr");
        const QStringList pack = words("pack -n A -a B l.ico r.ico -o o.tvk");
        const QStringList unpack = words("unpack --force p.tvk");
        const QStringList packOutput = {QStringLiteral("o.tvk")};
        const QStringList icons = {QStringLiteral("left.ico"), QStringLiteral("right.ico")};
        const QString dataSync = QStringLiteral("TVK_FAIL_CALL=fdatasync");

        QTest::newRow("pack, data sync finds the disk full")
            << pack << QStringList{dataSync, QStringLiteral("TVK_FAIL_ERRNO=%1").arg(ENOSPC)}
            << packOutput << false << "tvk: Cannot write file o.tvk: No space left on device.";
        QTest::newRow("pack, folder sync fails")
            << pack << QStringList{QStringLiteral("TVK_FAIL_CALL=fsync-folder")} << packOutput
            << true
            << "tvk: Cannot write file o.tvk: The new file is in place, but its folder could not "
               "be synced to disk, so a power cut may still undo it: Input/output error.";
        QTest::newRow("icon, data sync fails")
            << words("icon pic.png -o o.ico") << QStringList{dataSync}
            << QStringList{QStringLiteral("o.ico")} << false
            << "tvk: Cannot write file o.ico: Input/output error.";
        QTest::newRow("unpack, data sync fails")
            << unpack << QStringList{dataSync} << icons << false
            << "tvk: Cannot write file left.ico: Input/output error.";
        QTest::newRow("batch, the disk cannot be flushed")
            << words("batch batch.csv") << QStringList{QStringLiteral("TVK_FAIL_CALL=syncfs")}
            << QStringList{QStringLiteral("o.tvk"), QStringLiteral("o2.tvk")} << false
            << "tvk: Cannot save the new files to disk: Input/output error. No earlier output was "
               "replaced.";
        QTest::newRow("unpack, second icon cannot take its place")
            << unpack
            << QStringList{QStringLiteral("TVK_FAIL_CALL=rename"),
                           QStringLiteral("TVK_FAIL_PATH=right.ico")}
            << icons << false << "tvk: Cannot write file right.ico: Input/output error.";
        QTest::newRow("batch, second output cannot take its place")
            << words("batch batch.csv")
            << QStringList{QStringLiteral("TVK_FAIL_CALL=rename"),
                           QStringLiteral("TVK_FAIL_PATH=o2.tvk")}
            << QStringList{QStringLiteral("o.tvk")} << true
            << "batch.csv:3: Cannot write file %1/o2.tvk: Input/output error. 1 of 2 outputs were "
               "already replaced: %1/o.tvk.";
    }

    void injectedFailures_keepEarlierFilesOrTellTheUser()
    {
#ifndef TVK_FAILING_CALLS
        QSKIP("System calls are made to fail only on Linux.");
#endif
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, failure);
        QFETCH(QStringList, outputs);
        QFETCH(bool, replaced);
        QFETCH(QString, expectedErr);
        QVERIFY(packNewIcons());
        for (const QString& output : outputs)
            QVERIFY(TestFiles::write(path(output), "earlier"));
        QVERIFY(TestFiles::write(path(QStringLiteral("batch.csv")), kTwoRowBatch));
        QVERIFY(QImage(16, 16, QImage::Format_ARGB32).save(path(QStringLiteral("pic.png"))));
        const QStringList before = TestFiles::entries(m_dir.path());

        const Run run = tvkFailing(arguments, failure);

        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err,
                 expectedErr.replace(QStringLiteral("%1"), m_dir.path()) + QLatin1Char('\n'));
        QCOMPARE(TestFiles::entries(m_dir.path()), before);
        for (const QString& output : outputs)
            QCOMPARE(TestFiles::read(path(output)) == "earlier", !replaced);
    }

#ifdef Q_OS_UNIX
    // Outputs are told apart by the files their paths reach, never by spelling.
    // Around them: l.ico, r.ico, in.tvk (of the two), real/x.ico, dl -> real,
    // real2/sub, dl2 -> real2/sub and hard.ico, a second name of l.ico.
    void writers_sameFileOtherSpelling_decidedByIdentity_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("manifestRows");
        QTest::addColumn<QString>("expectedErr");
        const QStringList batch = words("batch m.csv");
        QTest::newRow("batch, one new file through a folder link")
            << batch << QByteArray("A,B,l.ico,r.ico,real/a.tvk\nC,D,l.ico,r.ico,dl/a.tvk\n")
            << "m.csv:3: %1/dl/a.tvk is already the output of line 2";
        QTest::newRow("batch, '..' taken after the link")
            << batch << QByteArray("A,B,l.ico,r.ico,dl2/../a.tvk\nC,D,l.ico,r.ico,real2/a.tvk\n")
            << "m.csv:3: %1/real2/a.tvk is already the output of line 2";
        QTest::newRow("batch, '..' after a link is another folder")
            << batch << QByteArray("A,B,l.ico,r.ico,a.tvk\nC,D,l.ico,r.ico,dl2/../a.tvk\n")
            << QString();
        QTest::newRow("batch, output is another line's icon through a link")
            << batch << QByteArray("A,B,real/x.ico,r.ico,a.tvk\nC,D,l.ico,r.ico,dl/x.ico\n")
            << "m.csv:3: %1/dl/x.ico is an icon of line 2";
        QTest::newRow("batch, output is a hard link of another line's icon")
            << batch << QByteArray("A,B,l.ico,r.ico,a.tvk\nC,D,r.ico,real/x.ico,hard.ico\n")
            << "m.csv:3: %1/hard.ico is an icon of line 2";
        QTest::newRow("batch, output is the manifest")
            << batch << QByteArray("A,B,l.ico,r.ico,dl/../m.csv\n")
            << "m.csv:2: %1/dl/../m.csv is the manifest itself";
        QTest::newRow("thumbnail over a hard link of its own TVK file")
            << words("thumbnail in.tvk in.png") << QByteArray()
            << "tvk: Cannot write file in.png: It is also a file that is being read.";
        QTest::newRow("unpack, '..' after a link is the link's parent folder")
            << words("unpack -d dl2/.. in.tvk") << QByteArray() << QString();
        QTest::newRow("unpack over its own TVK file")
            << words("unpack --force left.ico") << QByteArray()
            << "tvk: Cannot write file left.ico: It is also a file that is being read.";
    }

    void writers_sameFileOtherSpelling_decidedByIdentity()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, manifestRows);
        QFETCH(QString, expectedErr);
        QVERIFY(TestFiles::write(path(QStringLiteral("l.ico")), pngIco({QSize(16, 16)})));
        QVERIFY(TestFiles::write(path(QStringLiteral("r.ico")), "right"));
        QVERIFY(TestFiles::write(path(QStringLiteral("real/x.ico")), "x"));
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("real2/sub")));
        QVERIFY(QFile::link(QStringLiteral("real"), path(QStringLiteral("dl"))));
        QVERIFY(QFile::link(QStringLiteral("real2/sub"), path(QStringLiteral("dl2"))));
        QCOMPARE(::link(QFile::encodeName(path(QStringLiteral("l.ico"))).constData(),
                        QFile::encodeName(path(QStringLiteral("hard.ico"))).constData()),
                 0);
        QCOMPARE(tvk("pack -n A -a B l.ico r.ico -o in.tvk").exitCode, 0);
        QVERIFY(QFile::copy(path(QStringLiteral("in.tvk")), path(QStringLiteral("left.ico"))));
        QCOMPARE(::link(QFile::encodeName(path(QStringLiteral("in.tvk"))).constData(),
                        QFile::encodeName(path(QStringLiteral("in.png"))).constData()),
                 0);
        QVERIFY(TestFiles::write(path(QStringLiteral("m.csv")),
                                 "name,author,left,right,output\n" + manifestRows));
        const QMap<QString, QByteArray> before = TestFiles::tree(m_dir.path());

        const Run run = tvk(arguments);

        if (expectedErr.isEmpty()) {
            QCOMPARE(run.err, QString());
            QCOMPARE(run.exitCode, 0);
            // Both rows write into real2, where the system takes "dl2/..".
            QVERIFY(QFile::exists(path(QStringLiteral("real2/a.tvk"))) ||
                    QFile::exists(path(QStringLiteral("real2/left.ico"))));
            QVERIFY(!QFile::exists(path(QStringLiteral("right.ico"))));
            return;
        }
        QCOMPARE(run.err, QString(expectedErr).replace(QStringLiteral("%1"), m_dir.path()) +
                              QLatin1Char('\n'));
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(TestFiles::tree(m_dir.path()), before);
    }

    // A replaced file never gains setuid, setgid or sticky bits, and a replaced
    // link gives nothing of its target's.
    void writers_replacedFiles_neverGainPrivileges_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("outputIsLink");
        QTest::addColumn<int>("expectedMode");
        const QStringList unpack = words("unpack --force p.tvk");
        QTest::newRow("unpack over a link to a setuid file")
            << unpack << QStringLiteral("left.ico") << true << 0644;
        QTest::newRow("unpack over a link to a folder")
            << unpack << QStringLiteral("right.ico") << true << 0644;
        QTest::newRow("pack over another user's setuid file")
            << words("pack -n A -a B l.ico r.ico -o suid") << QStringLiteral("suid") << false
            << 0755;
    }

    void writers_replacedFiles_neverGainPrivileges()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, output);
        QFETCH(bool, outputIsLink);
        QFETCH(int, expectedMode);
        QVERIFY(packNewIcons());
        const QByteArray suid = QFile::encodeName(path(QStringLiteral("suid")));
        QVERIFY(TestFiles::write(path(QStringLiteral("suid")), "privileged"));
        // As root, the file is another user's, as a system program is.
        if (::geteuid() == 0)
            QCOMPARE(::chown(suid.constData(), 65534, 65534), 0);
        QCOMPARE(::chmod(suid.constData(), 06755), 0);
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("folder")));
        QVERIFY(QFile::link(QStringLiteral("suid"), path(QStringLiteral("left.ico"))));
        QVERIFY(QFile::link(QStringLiteral("folder"), path(QStringLiteral("right.ico"))));
        const mode_t mask = ::umask(022);

        const Run run = tvk(arguments);

        ::umask(mask);
        QCOMPARE(run.err, QString());
        QCOMPARE(run.exitCode, 0);
        struct stat status = {};
        QCOMPARE(::lstat(QFile::encodeName(path(output)).constData(), &status), 0);
        QVERIFY(S_ISREG(status.st_mode));
        QCOMPARE(int(status.st_mode & 07777), expectedMode);
        if (outputIsLink) {
            QCOMPARE(::stat(suid.constData(), &status), 0);
            QCOMPARE(int(status.st_mode & 07777), 06755);
            QCOMPARE(TestFiles::read(path(QStringLiteral("suid"))), QByteArray("privileged"));
        }
    }
#endif

    void helpAndVersion_printAndSucceed()
    {
        // The version is the program's own, as its start-up names it.
        const Run version = tvkChild({QStringLiteral("--version")});
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out, QStringLiteral("tvk 1.00\n"));
        const QList<std::pair<QString, QString>> usages = {
            {QString(), QStringLiteral("tvk COMMAND [ARGUMENTS...]")},
            {QStringLiteral("pack"),
             QStringLiteral("tvk pack --name NAME --author AUTHOR LEFT RIGHT -o OUTPUT")},
            {QStringLiteral("info"), QStringLiteral("tvk info [--json] FILE")},
            {QStringLiteral("unpack"), QStringLiteral("tvk unpack [-d DIR] [--force] FILE")},
            {QStringLiteral("thumbnail"),
             QStringLiteral("tvk thumbnail [--size SIZE] FILE OUT.png")},
            {QStringLiteral("batch"), QStringLiteral("tvk batch [--check] MANIFEST.csv")}};
        for (const auto& [command, usage] : usages) {
            const QStringList named = command.isEmpty() ? QStringList() : QStringList(command);
            const Run help = tvk(named + QStringList(QStringLiteral("--help")));
            QCOMPARE(help.exitCode, 0);
            QVERIFY2(help.out.startsWith(QStringLiteral("Usage: ") + usage + QLatin1Char('\n')),
                     qPrintable(help.out));
            QVERIFY2(help.out.contains(QStringLiteral("\nExample")), qPrintable(help.out));
            // Every way of asking shows the same help.
            for (const QStringList& other : {named + QStringList(QStringLiteral("--help-all")),
                                             QStringList(QStringLiteral("help")) + named}) {
                const Run same = tvk(other);
                QCOMPARE(same.exitCode, 0);
                QCOMPARE(same.out, help.out);
            }
        }
    }

#ifdef Q_OS_UNIX
    // A SIGTERM (a file manager's timeout) reaches the one process doing the work;
    // paused at `call`, as on a slow disk, it keeps the earlier output, leaves no new file.
    void writers_signalled_oneProcessKeepsEarlierOutput_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("call");
        QTest::addColumn<QString>("output");
        QTest::newRow("pack, flushing") << words("pack -n A -a B l.ico r.ico -o o.tvk")
                                        << QByteArray("fdatasync") << QStringLiteral("o.tvk");
        QTest::newRow("thumbnail, taking the permissions")
            << words("thumbnail p.tvk p.png") << QByteArray("fchmod") << QStringLiteral("p.png");
    }

    void writers_signalled_oneProcessKeepsEarlierOutput()
    {
#ifndef TVK_FAILING_CALLS
        QSKIP("System calls are paused only on Linux.");
#endif
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, call);
        QFETCH(QString, output);
        QVERIFY(TestFiles::write(path(QStringLiteral("l.ico")), pngIco({QSize(16, 16)})));
        QVERIFY(TestFiles::write(path(QStringLiteral("r.ico")), "r"));
        QCOMPARE(tvk("pack -n A -a B l.ico r.ico -o p.tvk").exitCode, 0);
        QVERIFY(TestFiles::write(path(output), "earlier"));
        QProcess process;
        QVERIFY(startPaused(process, call.constData(), arguments));
        const QString children =
            QStringLiteral("/proc/%1/task/%1/children").arg(process.processId());
        QVERIFY(QFile::exists(children));
        QCOMPARE(TestFiles::read(children), QByteArray());

        QCOMPARE(::kill(pid_t(process.processId()), SIGTERM), 0);

        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 128 + SIGTERM);
        QCOMPARE(TestFiles::read(path(output)), QByteArray("earlier"));
        QCOMPARE(TestFiles::entries(m_dir.path()).filter(QStringLiteral(".tvk-")), QStringList());
    }

    // Arguments are bytes, decoded as UTF-8; one that is not must never end up
    // naming another file.
    void argumentNotUtf8_refusedNeverAnotherFile()
    {
        QVERIFY(TestFiles::write(path(QStringLiteral("l.ico")), "left"));
        QVERIFY(TestFiles::write(path(QStringLiteral("ic\uFFFD.ico")), "look-alike"));
        const QStringList before = TestFiles::entries(m_dir.path());
        // sh passes on the bytes printf makes, which QProcess's texts cannot hold.
        const auto tvkInShell = [&](const QString& command) {
            return TestProcess::run(QStringLiteral("sh"),
                                    {QStringLiteral("-c"), QStringLiteral("exec \"$0\" ") + command,
                                     QStringLiteral(TVK_EXECUTABLE)},
                                    m_dir.path());
        };

        const Run icon =
            tvkInShell(QStringLiteral("pack -n A -a B \"$(printf 'ic\\376.ico')\" l.ico -o o.tvk"));
        const Run output = tvkInShell(
            QStringLiteral("pack -n A -a B l.ico l.ico -o \"$(printf 'out\\377.tvk')\""));

        QCOMPARE(icon.exitCode, 1);
        QCOMPARE(icon.err, QStringLiteral("tvk: The name 'ic\\xfe.ico' is not valid UTF-8, so it "
                                          "cannot be used exactly as given.\n"));
        QCOMPARE(output.exitCode, 1);
        QVERIFY2(output.err.contains(QStringLiteral("'out\\xff.tvk' is not valid UTF-8")),
                 qPrintable(output.err));
        QCOMPARE(TestFiles::entries(m_dir.path()), before);
    }
#endif
};

QTEST_GUILESS_MAIN(TvkToolTest)
#include "tst_tvk.moc"
