#include "tests/TestSupport.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#endif

// The window program as a shell or a file manager starts it.
class TvkMakProgramTest : public QObject, private TestFolder
{
    Q_OBJECT

private:
    using Run = TestProcess::Result;

    Run run(const QString& program, const QStringList& arguments,
            const QStringList& environment = {}) const
    {
        return TestProcess::run(program, arguments, m_dir.path(), environment);
    }

private Q_SLOTS:
    void init() { QVERIFY(clear()); }

#ifdef Q_OS_UNIX
    // Even with a message shown; and it leaves no folder of its own behind.
    void windowProgram_signalledOrDisplayLost_endsAndRemovesItsFolder()
    {
        QVERIFY(QDir().mkpath(path(QStringLiteral("tmp"))));
        QVERIFY(TestFiles::write(path(QStringLiteral("odd.tvk")), "odd"));
        QVERIFY(TestFiles::write(
            path(QStringLiteral("p.tvk")),
            QByteArray::fromHex("01000000 41 01000000 42 01000000 01000000 6C 72")));
        const auto start = [&](QProcess& window, const QString& file, const QStringList& display) {
            window.setWorkingDirectory(m_dir.path());
            window.setEnvironment(
                QProcess::systemEnvironment() + display +
                QStringList{QStringLiteral("TMPDIR=") + path(QStringLiteral("tmp"))});
            window.start(QStringLiteral(TVK_MAK_EXECUTABLE), {file});
            return window.waitForStarted();
        };

        // "Cannot open TVK file", waiting for its OK.
        QProcess told;
        QVERIFY(
            start(told, QStringLiteral("odd.tvk"), {QStringLiteral("QT_QPA_PLATFORM=offscreen")}));
        // Once it catches SIGTERM (the kernel's mask of caught signals says so), whatever the load.
        const auto catchesTerm = [&told] {
            const QByteArray status =
                TestFiles::read(QStringLiteral("/proc/%1/status").arg(told.processId()));
            const qsizetype at = status.indexOf("SigCgt:");
            return at >= 0 && (status.mid(at + 7, 17).trimmed().toULongLong(nullptr, 16) &
                               (1ULL << (SIGTERM - 1))) != 0;
        };
        QTRY_VERIFY_WITH_TIMEOUT(catchesTerm(), 10000);
        QTest::qWait(500);
        QCOMPARE(::kill(pid_t(told.processId()), SIGTERM), 0);
        QVERIFY(told.waitForFinished(5000));
        QCOMPARE(told.exitCode(), 128 + SIGTERM);

        QProcess server;
        server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1")});
        if (!server.waitForStarted() || !server.waitForReadyRead(10000))
            QSKIP("Xvfb cannot be started here.");
        const QString display = QString::fromLatin1(server.readLine()).trimmed();
        QProcess opened;
        QVERIFY(
            start(opened, QStringLiteral("p.tvk"),
                  {QStringLiteral("QT_QPA_PLATFORM=xcb"), QStringLiteral("DISPLAY=:") + display}));
        // Qt may also make its runtime folder there, without XDG_RUNTIME_DIR.
        const auto ours = [&] {
            return TestFiles::entries(path(QStringLiteral("tmp")))
                .filter(QStringLiteral("TVK_Mak-"));
        };
        // Once the file is open, its icons copied in: the folder is then the program's to
        // remove (a slow machine may take seconds to get there).
        QTRY_VERIFY_WITH_TIMEOUT(
            ours().size() == 1 &&
                TestFiles::entries(path(QStringLiteral("tmp/")) + ours().constFirst()).size() == 3,
            20000);
        server.kill();
        server.waitForFinished();
        QVERIFY(opened.waitForFinished(10000));
        QCOMPARE(ours(), QStringList());
    }

    // Started from a file manager, nobody sees standard error: files that cannot be placed
    // are told in a message box too, and the program exits as refused once it is answered.
    void windowProgram_refusedWithoutTerminal_showsBoxThenExits()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("xdotool is not installed.");
        QProcess server;
        server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1")});
        if (!server.waitForStarted() || !server.waitForReadyRead(10000))
            QSKIP("Xvfb cannot be started here.");
        const QStringList display = {QStringLiteral("QT_QPA_PLATFORM=xcb"),
                                     QStringLiteral("DISPLAY=:") +
                                         QString::fromLatin1(server.readLine()).trimmed()};
        const auto xdotool = [&](const QStringList& arguments) {
            return run(QStringLiteral("xdotool"), arguments, display).out;
        };
        QProcess refused;
        refused.setEnvironment(QProcess::systemEnvironment() + display);
        refused.start(QStringLiteral(TVK_MAK_EXECUTABLE),
                      {QStringLiteral("a.ico"), QStringLiteral("b.ico"), QStringLiteral("c.ico")});

        QTRY_VERIFY_WITH_TIMEOUT(!xdotool({QStringLiteral("search"), QStringLiteral("--name"),
                                           QStringLiteral("^TVK_Mak$")})
                                      .isEmpty(),
                                 10000);
        QCOMPARE(refused.state(), QProcess::Running);
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        QVERIFY(refused.waitForFinished(5000));
        const QByteArray told = refused.readAllStandardError();
        // What it said is the first clue when it ends otherwise.
        if (refused.exitStatus() != QProcess::NormalExit || refused.exitCode() != 2)
            QFAIL(qPrintable(QStringLiteral("Ended with %1 (%2), saying: %3")
                                 .arg(refused.exitCode())
                                 .arg(refused.exitStatus() == QProcess::CrashExit
                                          ? QStringLiteral("crashed")
                                          : QStringLiteral("exited"),
                                      QString::fromLocal8Bit(told))));
        QCOMPARE(told.count('\n'), 1);
        server.kill();
        server.waitForFinished();
    }

    // Arguments are bytes, decoded as UTF-8: the window is not even opened for
    // a file whose name is not, as it would be read as another file's name.
    void argumentNotUtf8_refusedBeforeAnyWindow()
    {
        QVERIFY(TestFiles::write(path(QStringLiteral("ic\uFFFD.ico")), "look-alike"));
        // sh passes on the bytes printf makes, which QProcess's texts cannot hold.
        const Run opened =
            run(QStringLiteral("sh"),
                {QStringLiteral("-c"), QStringLiteral("exec \"$0\" \"$(printf 'ic\\376.ico')\""),
                 QStringLiteral(TVK_MAK_EXECUTABLE)},
                {QStringLiteral("QT_QPA_PLATFORM=no-such-platform")});

        QCOMPARE(opened.exitCode, 1);
        QCOMPARE(opened.err, QStringLiteral("TVK_Mak: The name 'ic\\xfe.ico' is not valid UTF-8, "
                                            "so it cannot be used exactly as given.\n"));
        QCOMPARE(TestFiles::entries(m_dir.path()), QStringList(QStringLiteral("ic\uFFFD.ico")));
    }
#endif

    // A folder left by a run that was killed goes at the next start; a running one's, and a
    // folder that is not the program's, stay.
    void windowProgram_killed_folderRemovedAtNextStart()
    {
        const QString tmp = path(QStringLiteral("tmp"));
        QVERIFY(QDir().mkpath(tmp + QStringLiteral("/TVK_Mak-abcdef")));
        QVERIFY(TestFiles::write(
            path(QStringLiteral("p.tvk")),
            QByteArray::fromHex("01000000 41 01000000 42 01000000 01000000 6C 72")));
        const auto start = [&](QProcess& window, const QStringList& arguments) {
            window.setWorkingDirectory(m_dir.path());
            QStringList environment = QProcess::systemEnvironment();
            for (const char* name : {"TMPDIR=", "TMP=", "TEMP="})
                environment << QLatin1String(name) + tmp;
            window.setEnvironment(environment);
            window.start(QStringLiteral(TVK_MAK_EXECUTABLE), arguments);
            return window.waitForStarted();
        };
        const auto ours = [&] {
            return TestFiles::entries(tmp).filter(QStringLiteral("TVK_Mak-"));
        };
        QProcess killed, running, next;
        // Killed once its folder has its lock: one without is never touched, as it may be
        // one that another run is making.
        const auto locked = [&] {
            const QStringList folders = ours();
            return folders.size() == 2 && std::ranges::all_of(folders, [&](const QString& folder) {
                       return folder == QLatin1String("TVK_Mak-abcdef") ||
                              QFile::exists(tmp + QLatin1Char('/') + folder +
                                            QStringLiteral("/.owner"));
                   });
        };
        QVERIFY(start(killed, {QStringLiteral("p.tvk")}));
        QTRY_VERIFY_WITH_TIMEOUT(locked(), 10000);
        killed.kill();
        QVERIFY(killed.waitForFinished(5000));
        const QStringList left = ours();
        QVERIFY(start(running, {QStringLiteral("p.tvk")}));
        QTRY_VERIFY_WITH_TIMEOUT(ours().size() == 2 && ours() != left, 10000);
        const QStringList live = ours();
        QVERIFY(start(next, {}));
        QTest::qWait(1000);
        QCOMPARE(ours(), live);
        QVERIFY(live.contains(QStringLiteral("TVK_Mak-abcdef")));
        for (QProcess* window : {&running, &next}) {
            window->kill();
            window->waitForFinished(5000);
        }
    }

    // The window program's own command line is read before any display is
    // opened: a platform that cannot start would abort it otherwise.
    void windowProgram_helpVersionAndWrongUse_needNoDisplay()
    {
        const QStringList noDisplay = {QStringLiteral("QT_QPA_PLATFORM=no-such-platform")};
        const auto window = [&](const QStringList& arguments) {
            return run(QStringLiteral(TVK_MAK_EXECUTABLE), arguments, noDisplay);
        };
        const Run help = window({QStringLiteral("--help")});
        QCOMPARE(help.exitCode, 0);
        QVERIFY2(help.out.startsWith(QStringLiteral("Usage: TVK_Mak [options] [FILE...]\n")),
                 qPrintable(help.out));
        const Run version = window({QStringLiteral("-v")});
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out, QStringLiteral("TVK_Mak 1.00\n"));
        // Files for the boxes are taken, as a drop takes them: on to the display.
        QCOMPARE(
            window({QStringLiteral("a.ico"), QStringLiteral("b.WebP"), QStringLiteral("c.tvk")})
                .exitCode,
            -1);
        for (const QStringList& wrong :
             {QStringList{QStringLiteral("--bogus")},
              QStringList{QStringLiteral("a.tvk"), QStringLiteral("b.tvk")},
              QStringList{QStringLiteral("a.txt")}}) {
            const Run refused = window(wrong);
            QCOMPARE(refused.exitCode, 2);
            QCOMPARE(refused.err.count(QLatin1Char('\n')), 1);
            QVERIFY2(refused.err.startsWith(QStringLiteral("TVK_Mak: ")), qPrintable(refused.err));
        }
    }
};

QTEST_GUILESS_MAIN(TvkMakProgramTest)
#include "tst_TVK_Mak.moc"
