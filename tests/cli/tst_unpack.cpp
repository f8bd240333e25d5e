#include "tests/cli/CliFixture.h"

#include <QFileInfo>
#include <QTest>

#include <cerrno>

// `tvk unpack`.
class UnpackCommandTest : public QObject, private CliFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(clear()); }

    // Refused, neither icon is written; forced, a link is replaced, not written through.
    void unpack_iconsInTheWay_refusedUnlessForcedNeverWrittenThrough()
    {
        QVERIFY(packNewIcons());
        QVERIFY(TestFiles::write(path(QStringLiteral("elsewhere/kept.ico")), "kept"));
        QVERIFY(QFile::link(path(QStringLiteral("elsewhere/missing.ico")),
                            path(QStringLiteral("right.ico"))));

        const Run refused = tvk("unpack p.tvk");
        const bool leftWritten = QFileInfo::exists(path(QStringLiteral("left.ico")));
        QVERIFY(QFile::link(path(QStringLiteral("elsewhere/kept.ico")),
                            path(QStringLiteral("left.ico"))));
        const Run forced = tvk("unpack --force p.tvk");

        QCOMPARE(refused.exitCode, 1);
        QCOMPARE(refused.err,
                 QStringLiteral("tvk: right.ico already exists; use --force to replace it.\n"));
        QVERIFY(!leftWritten);
        QCOMPARE(forced.exitCode, 0);
        QCOMPARE(TestFiles::entries(path(QStringLiteral("elsewhere"))),
                 QStringList(QStringLiteral("kept.ico")));
        QCOMPARE(TestFiles::read(path(QStringLiteral("elsewhere/kept.ico"))), QByteArray("kept"));
        for (const QString& icon : {QStringLiteral("left.ico"), QStringLiteral("right.ico")})
            QVERIFY(!QFileInfo(path(icon)).isSymLink());
        QCOMPARE(TestFiles::read(path(QStringLiteral("left.ico"))), QByteArray("new left"));
        QCOMPARE(TestFiles::read(path(QStringLiteral("right.ico"))), QByteArray("new right"));
    }

#ifdef Q_OS_UNIX
    // Unforced, an icon that appears while unpacking is kept and told; forced,
    // a file system without hard links still gets the pair all or nothing, and
    // an earlier file moved aside that cannot go back is kept and named.
    void unpack_aroundItsRenames_keepsWhatItMust_data()
    {
        QTest::addColumn<bool>("force");
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QString>("expectedErr");
        QTest::addColumn<QByteArray>("expectedLeft");
        QTest::addColumn<QByteArray>("expectedRight");
        const QString noHardLinks = QStringLiteral("TVK_FAIL_ERRNO=%1").arg(EPERM);
        QTest::newRow("right.ico appears just before its rename")
            << false << QStringList{QStringLiteral("TVK_APPEAR_AT=right.ico")}
            << "tvk: right.ico already exists; use --force to replace it." << QByteArray()
            << QByteArray("appeared");
        QTest::newRow("no hard links, as on FAT")
            << true << QStringList{QStringLiteral("TVK_FAIL_CALL=link"), noHardLinks} << QString()
            << QByteArray("new left") << QByteArray("new right");
        QTest::newRow("no hard links, right.ico can take no file")
            << true
            << QStringList{QStringLiteral("TVK_FAIL_CALL=link,rename"), noHardLinks,
                           QStringLiteral("TVK_FAIL_PATH=right.ico")}
            << "tvk: Cannot write file right.ico: Operation not permitted. The earlier file could "
               "not be put back and is kept as ./%1: Operation not permitted."
            << QByteArray("earlier left") << QByteArray();
    }

    void unpack_aroundItsRenames_keepsWhatItMust()
    {
#ifndef TVK_FAILING_CALLS
        QSKIP("System calls are made to fail only on Linux.");
#endif
        QFETCH(bool, force);
        QFETCH(QStringList, environment);
        QFETCH(QString, expectedErr);
        QFETCH(QByteArray, expectedLeft);
        QFETCH(QByteArray, expectedRight);
        QVERIFY(packNewIcons());
        if (force) {
            QVERIFY(TestFiles::write(path(QStringLiteral("left.ico")), "earlier left"));
            QVERIFY(TestFiles::write(path(QStringLiteral("right.ico")), "earlier right"));
        }

        const Run run =
            tvkFailing(words(force ? "unpack p.tvk --force" : "unpack p.tvk"), environment);

        const QStringList kept = TestFiles::entries(m_dir.path()).filter(QStringLiteral(".tvk-"));
        QCOMPARE(kept.size(), expectedErr.contains(QStringLiteral("kept as")) ? 1 : 0);
        QCOMPARE(run.err, expectedErr.isEmpty()
                              ? QString()
                              : QString(expectedErr).replace(QStringLiteral("%1"), kept.value(0)) +
                                    QLatin1Char('\n'));
        QCOMPARE(run.exitCode, expectedErr.isEmpty() ? 0 : 1);
        QCOMPARE(TestFiles::read(path(QStringLiteral("left.ico"))), expectedLeft);
        QCOMPARE(TestFiles::read(path(QStringLiteral("right.ico"))), expectedRight);
        if (!kept.isEmpty())
            QCOMPARE(TestFiles::read(path(kept.constFirst())), QByteArray("earlier right"));
    }
#endif
};

QTEST_GUILESS_MAIN(UnpackCommandTest)
#include "tst_unpack.moc"
