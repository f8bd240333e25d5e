#include "files/FileIdentity.h"
#include "files/ReplacingFile.h"
#include "files/SystemFiles.h"
#include "tests/TestSupport.h"

#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

// The safe replace on its own, for the ways it must refuse or fail without
// losing a byte of what was there, and the system calls it stands on.
class ReplacingFileTest : public QObject, private TestFolder
{
    Q_OBJECT

private:
    QMap<QString, QByteArray> tree() const { return TestFiles::tree(m_dir.path()); }
    bool hardLink(const QString& existing, const QString& name) const
    {
        bool unsupported = false;
        return SystemFiles::hardLink(path(existing), path(name), unsupported).isDone();
    }

    // Opens the output and writes `bytes` into it, not yet in place.
    static bool writeBeside(ReplacingFile& output, const QByteArray& bytes)
    {
        return output.open().isDone() && output.device().write(bytes) == bytes.size() &&
               output.finishWriting(ReplacingFile::DataSync::ByCaller).isDone();
    }

private Q_SLOTS:
    void init() { QVERIFY(clear()); }

    void open_unusableTarget_refusedAndNothingMade_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("a folder") << "folder";
        QTest::newRow("a NUL in the path") << QString::fromUtf16(u"a\0b", 3);
        QTest::newRow("longer than any path") << QString(40000, QLatin1Char('p'));
#ifdef Q_OS_UNIX
        QTest::newRow("a FIFO") << "fifo";
#endif
    }

    void open_unusableTarget_refusedAndNothingMade()
    {
        QFETCH(QString, name);
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("folder")));
#ifdef Q_OS_UNIX
        QCOMPARE(::mkfifo(QFile::encodeName(path(QStringLiteral("fifo"))).constData(), 0600), 0);
#endif
        // Names only: a FIFO's contents would be waited for.
        const QStringList before = TestFiles::entries(m_dir.path());
        ReplacingFile output(path(name));

        const Outcome opened = output.open();

        QVERIFY(opened.refused());
        QVERIFY(!opened.reason().isEmpty());
        QVERIFY(ReplacingFile::check(path(name)).failed());
        QCOMPARE(TestFiles::entries(m_dir.path()), before);
    }

    void notInPlace_discarded_earlierFileKept()
    {
        QVERIFY(TestFiles::write(path(QStringLiteral("out")), "earlier"));
        {
            ReplacingFile output(path(QStringLiteral("out")));
            QVERIFY(writeBeside(output, "new"));
        }
        QCOMPARE(tree(), (QMap<QString, QByteArray>{{QStringLiteral("out"), "earlier"}}));
    }

    void keepExisting_fileAppearingMeanwhile_isKept()
    {
        ReplacingFile output(path(QStringLiteral("out")), ReplacingFile::Links::NoFollow,
                             ReplacingFile::Existing::Keep);
        QVERIFY(writeBeside(output, "new"));
        QVERIFY(TestFiles::write(path(QStringLiteral("out")), "theirs"));

        QVERIFY(output.replaceTarget().failed());

        QVERIFY(output.foundExisting());
        QCOMPARE(tree(), (QMap<QString, QByteArray>{{QStringLiteral("out"), "theirs"}}));
    }

    // An input the command reads, reached under another name, is never replaced:
    // not when it is there at the start, nor when it comes there meanwhile.
    void protectedInput_atTarget_refusedAtOpenAndAtReplace()
    {
        QVERIFY(TestFiles::write(path(QStringLiteral("in")), "input"));
        if (!hardLink(QStringLiteral("in"), QStringLiteral("linked")))
            QSKIP("This file system has no hard links.");
        const QList<FileIdentity> identities =
            FileIdentity::allOf(path(QStringLiteral("in")), FileIdentity::LastLink::Follow);
        QVERIFY(!identities.isEmpty());
        const InputFiles input(QSet<FileIdentity>(identities.cbegin(), identities.cend()));

        ReplacingFile atStart(path(QStringLiteral("linked")));
        atStart.protect(input);
        const Outcome opened = atStart.open();
        QCOMPARE(opened.reason(), ReplacingFile::isAnInput());
        QVERIFY(opened.refused());

        ReplacingFile meanwhile(path(QStringLiteral("later")));
        meanwhile.protect(input);
        QVERIFY(writeBeside(meanwhile, "new"));
        QVERIFY(hardLink(QStringLiteral("in"), QStringLiteral("later")));
        QCOMPARE(meanwhile.replaceTarget().reason(), ReplacingFile::isAnInput());
        QCOMPARE(TestFiles::read(path(QStringLiteral("in"))), QByteArray("input"));
    }

    void replaceTarget_keepingEarlier_canPutItBack()
    {
        QVERIFY(TestFiles::write(path(QStringLiteral("out")), "earlier"));
        ReplacingFile output(path(QStringLiteral("out")));
        QVERIFY(writeBeside(output, "new"));

        QVERIFY(output.replaceTarget(true).isDone());
        QCOMPARE(TestFiles::read(path(QStringLiteral("out"))), QByteArray("new"));
        QVERIFY(output.restoreEarlier().isDone());

        QCOMPARE(tree(), (QMap<QString, QByteArray>{{QStringLiteral("out"), "earlier"}}));
    }

#ifdef Q_OS_WIN
    // A share, which tvk cannot reach under Wine, made plain; a volume, not a file, kept as given.
    void plainPath_shareMadePlain_volumeKept()
    {
        QCOMPARE(SystemFiles::plainPath(QStringLiteral(R"(\\?\UNC\srv\share\a.tvk)")),
                 QStringLiteral(R"(\\srv\share\a.tvk)"));
        QCOMPARE(SystemFiles::plainPath(QStringLiteral(R"(\\.\C:)")), QStringLiteral(R"(\\.\C:)"));
    }
#endif

#ifdef Q_OS_UNIX
    // Following links replaces the file a link leads to, and keeps the link;
    // replacing links puts the new file in the link's place, and the file it
    // led to stays as it was.
    void links_followedOrReplaced()
    {
        QVERIFY(TestFiles::write(path(QStringLiteral("target")), "earlier"));
        QVERIFY(QFile::link(QStringLiteral("target"), path(QStringLiteral("link"))));
        for (const ReplacingFile::Links links :
             {ReplacingFile::Links::Follow, ReplacingFile::Links::NoFollow}) {
            ReplacingFile output(path(QStringLiteral("link")), links);
            QVERIFY(writeBeside(output, "new") && output.replaceTarget().isDone());
        }
        QCOMPARE(tree(), (QMap<QString, QByteArray>{{QStringLiteral("link"), "new"},
                                                    {QStringLiteral("target"), "new"}}));
        QVERIFY(!QFileInfo(path(QStringLiteral("link"))).isSymLink());
    }
#endif
};

QTEST_GUILESS_MAIN(ReplacingFileTest)
#include "tst_ReplacingFile.moc"
