#include "files/ChunkedCopy.h"
#include "format/TvkLayout.h"
#include "package/PackageWriter.h"
#include "tests/cli/CliFixture.h"

#include <QBuffer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

// `tvk pack`, and what it makes as `info` and `unpack` read it.
class PackCommandTest : public QObject, private CliFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(clear()); }

    void packInfoUnpack_roundTrip_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("author");
        QTest::addColumn<QByteArray>("left");
        QTest::addColumn<QByteArray>("right");
        QTest::newRow("empty right icon") << QStringLiteral("A") << QStringLiteral("B")
                                          << QByteArray::fromHex("010203") << QByteArray();
        QTest::newRow("same bytes twice")
            << QStringLiteral("Twin") << QStringLiteral("Me") << smallIco() << smallIco();
        QTest::newRow("300-character name")
            << QString(300, QLatin1Char('n')) << "B" << QByteArray("L") << QByteArray("R");
        QTest::newRow("Western letters") << QStringLiteral("Café €5") << QStringLiteral("Groß")
                                         << smallIco() << QByteArray(5000, '\0');
        QTest::newRow("name starting with a dash")
            << QStringLiteral("-x") << QStringLiteral(" ") << QByteArray("L") << QByteArray();
        QByteArray large(3 * ChunkedCopy::kChunkSize + 17, Qt::Uninitialized);
        for (qsizetype i = 0; i < large.size(); ++i)
            large[i] = char((i * 7 + i / 251) & 0xFF);
        QTest::newRow("icons of more than one chunk")
            << QStringLiteral("A") << QStringLiteral("B") << large
            << large.right(ChunkedCopy::kChunkSize);
    }

    // In a folder whose path is longer than Windows' old 260 characters.
    void packInfoUnpack_roundTrip()
    {
        QFETCH(QString, name);
        QFETCH(QString, author);
        QFETCH(QByteArray, left);
        QFETCH(QByteArray, right);
        QString folder = m_dir.path();
        while (folder.size() < 300)
            folder += QStringLiteral("/a-folder-name-of-forty-characters-or-so");
        QVERIFY(TestFiles::write(folder + QStringLiteral("/l.ico"), left));
        QVERIFY(TestFiles::write(folder + QStringLiteral("/r.ico"), right));
        const QString file = folder + QStringLiteral("/p.tvk");

        const PackageRequest request{folder + QStringLiteral("/l.ico"),
                                     folder + QStringLiteral("/r.ico"),
                                     path(QStringLiteral("window.tvk")), name, author};

        const Run packed = pack(name, author, request.leftPath, request.rightPath, file);
        QCOMPARE(packed.exitCode, 0);
        QCOMPARE(packed.out, QString());
        QCOMPARE(packed.err, QString());
        // Byte for byte what the window's Convert writes.
        QVERIFY(PackageWriter::write(request).isDone());
        QCOMPARE(TestFiles::read(file), TestFiles::read(request.outputPath));

        const Run info = tvk({QStringLiteral("info"), file});
        QCOMPARE(info.exitCode, 0);
        QVERIFY2(info.out.contains(QStringLiteral("Name:   ") + name + QLatin1Char('\n')),
                 qPrintable(info.out));
        QVERIFY2(info.out.contains(QStringLiteral("Author: ") + author + QLatin1Char('\n')),
                 qPrintable(info.out));
        const qint64 total =
            TvkLayout::fileSize(name.size(), author.size(), left.size(), right.size());
        QVERIFY(info.out.contains(QStringLiteral("Size:   %1 bytes").arg(total)));

        const Run json = tvk({QStringLiteral("info"), QStringLiteral("--json"), file});
        QCOMPARE(json.exitCode, 0);
        const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8()).object();
        QCOMPARE(object.value(QStringLiteral("name")).toString(), name);
        QCOMPARE(object.value(QStringLiteral("author")).toString(), author);
        QCOMPARE(object.value(QStringLiteral("size")).toInteger(), total);
        const auto sizeOf = [&](const QString& icon) {
            return object.value(icon).toObject().value(QStringLiteral("size")).toInteger();
        };
        QCOMPARE(sizeOf(QStringLiteral("left")), left.size());
        QCOMPARE(sizeOf(QStringLiteral("right")), right.size());

        const Run unpacked = tvk({QStringLiteral("unpack"), file, QStringLiteral("-d"),
                                  folder + QStringLiteral("/out")});
        QCOMPARE(unpacked.exitCode, 0);
        QCOMPARE(TestFiles::entries(folder + QStringLiteral("/out")),
                 QStringList({QStringLiteral("left.ico"), QStringLiteral("right.ico")}));
        QCOMPARE(TestFiles::read(folder + QStringLiteral("/out/left.ico")), left);
        QCOMPARE(TestFiles::read(folder + QStringLiteral("/out/right.ico")), right);
    }

#ifdef TVK_HOLD_FILE
    // Another program holding the output (a scanner, a viewer, the game): a hold
    // that lets go within a moment is waited out; one that stays is told, and
    // the earlier file stays as it was. A read-only output is refused; a hidden, system one
    // stays so.
    void heldReadOnlyOrHiddenOutput_asWindowsUsersKeepIt()
    {
        QVERIFY(TestFiles::write(path(QStringLiteral("l.ico")), "l"));
        QVERIFY(TestFiles::write(path(QStringLiteral("r.ico")), "r"));
        const QString output = path(QStringLiteral("o.tvk"));
        const auto holdFor = [&](QProcess& holder, int milliseconds) {
            holder.start(QStringLiteral(TVK_HOLD_FILE), {output, QString::number(milliseconds)});
            return holder.waitForReadyRead(10000);
        };
        const auto packOver = [&] { return tvk("pack -n A -a B l.ico r.ico -o o.tvk"); };
        QVERIFY(TestFiles::write(output, "earlier"));
        QProcess brief;
        QVERIFY(holdFor(brief, 400));
        QCOMPARE(packOver().exitCode, 0);
        QCOMPARE(TestFiles::read(output).size(), 20);
        QVERIFY(brief.waitForFinished());

        QVERIFY(TestFiles::write(output, "earlier"));
        QProcess stays;
        QVERIFY(holdFor(stays, 20000));
        const Run held = packOver();
        stays.kill();
        stays.waitForFinished();
        QCOMPARE(held.exitCode, 1);
        QVERIFY2(
            held.err.startsWith(QStringLiteral("tvk: Cannot write file o.tvk: The file is in use "
                                               "by another program")),
            qPrintable(held.err));
        QCOMPARE(TestFiles::read(output), QByteArray("earlier"));

        QVERIFY(QFile::setPermissions(output, QFileDevice::ReadOwner | QFileDevice::ReadUser));
        const Run readOnly = packOver();
        QCOMPARE(readOnly.err,
                 QStringLiteral("tvk: Cannot write file o.tvk: The file is read-only.\n"));
        QCOMPARE(TestFiles::read(output), QByteArray("earlier"));
        QVERIFY(QFile::setPermissions(output, QFileDevice::ReadOwner | QFileDevice::WriteOwner));

        // Hidden and system, which the user gave the file, stay when it is replaced.
        const std::wstring native = QDir::toNativeSeparators(output).toStdWString();
        constexpr DWORD kGiven =
            FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
        QVERIFY(SetFileAttributesW(native.c_str(), kGiven));
        QCOMPARE(packOver().exitCode, 0);
        QCOMPARE(GetFileAttributesW(native.c_str()), kGiven);
        QCOMPARE(TestFiles::entries(m_dir.path()).filter(QStringLiteral(".tvk-")), QStringList());
    }

    // The forms Windows writes paths in are the files they name, checked as any other spelling;
    // a device or stream in any form is still refused.
    void windowsPathForms_takenAsTheFilesTheyName_data()
    {
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("refusal");
        const auto as = [this](const char* prefix, const char* name) {
            return QLatin1String(prefix) + QDir::toNativeSeparators(path(QLatin1String(name)));
        };
        const QString notRegular = QStringLiteral("This is not a regular file.");
        QTest::newRow("\\\\?\\ in and out")
            << as(R"(\\?\)", "l.ico") << as(R"(\\?\)", "o.tvk") << "";
        QTest::newRow("\\\\.\\ out") << "l.ico" << as(R"(\\.\)", "o.tvk") << "";
        QTest::newRow("output that is the input")
            << "l.ico" << as(R"(\\?\)", "l.ico")
            << QStringLiteral("The output TVK file must differ from both ICO files!");
        for (const char* name : {"o.tvk:s", "o.tvk."})
            QTest::newRow(name) << "l.ico" << as(R"(\\?\)", name) << notRegular;
        for (const char* device : {R"(\\.\NUL)", R"(\\.\pipe\x)", R"(\\.\PhysicalDrive0)",
                                   R"(\\?\GLOBALROOT\Device\Null)"})
            QTest::newRow(device) << QString::fromLatin1(device) << "o.tvk" << notRegular;
    }

    void windowsPathForms_takenAsTheFilesTheyName()
    {
        QFETCH(QString, left);
        QFETCH(QString, output);
        QFETCH(QString, refusal);
        QVERIFY(TestFiles::write(path(QStringLiteral("l.ico")), "l"));
        QVERIFY(TestFiles::write(path(QStringLiteral("r.ico")), "r"));

        const Run run = tvk(words("pack -n A -a B") + QStringList{left, "r.ico", "-o", output});

        QVERIFY(run.err.endsWith(refusal.isEmpty() ? QString() : refusal + QLatin1Char('\n')));
        QCOMPARE(TestFiles::read(path(QStringLiteral("o.tvk"))).size(), refusal.isEmpty() ? 20 : 0);
    }
#endif
    // A picture given as an icon is made into one, and said so, unless --as-is; one that
    // cannot be read is refused by its name, and nothing is written.
    void picture_madeIntoIconUnlessAsIs()
    {
        QImage picture(40, 30, QImage::Format_ARGB32);
        picture.fill(QColor(200, 30, 30, 128));
        QByteArray png;
        QBuffer buffer(&png);
        QVERIFY(buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "PNG"));
        QVERIFY(TestFiles::write(path(QStringLiteral("l.png")), png));
        QVERIFY(TestFiles::write(path(QStringLiteral("r.ico")), smallIco()));
        const auto left = [&] {
            const Run info = tvk("info --json p.tvk");
            return QJsonDocument::fromJson(info.out.toUtf8())
                .object()
                .value(QStringLiteral("left"))
                .toObject();
        };

        const Run made = tvk("pack -n A -a B l.png r.ico -o p.tvk");
        QCOMPARE(made.exitCode, 0);
        QCOMPARE(
            made.err,
            QStringLiteral("tvk: l.png is a PNG picture: it is packed as an icon made from it.\n"));
        QCOMPARE(
            left().value(QStringLiteral("images")).toArray(),
            QJsonArray({QStringLiteral("16x16"), QStringLiteral("20x20"), QStringLiteral("24x24"),
                        QStringLiteral("32x32"), QStringLiteral("40x40")}));

        const Run asIs = tvk("pack --as-is -n A -a B l.png r.ico -o p.tvk");
        QCOMPARE(asIs.exitCode, 0);
        QCOMPARE(asIs.err, QString());
        QCOMPARE(left().value(QStringLiteral("picture")).toString(), QStringLiteral("png"));
        QCOMPARE(left().value(QStringLiteral("size")).toInteger(), png.size());

        QVERIFY(TestFiles::write(path(QStringLiteral("l.png")), png.left(40)));
        const Run broken = tvk("pack -n A -a B l.png r.ico -o q.tvk");
        QCOMPARE(broken.exitCode, 1);
        QVERIFY2(broken.err.contains(QStringLiteral("Cannot make an icon from l.png: ")),
                 qPrintable(broken.err));
        QVERIFY(!QFile::exists(path(QStringLiteral("q.tvk"))));
    }
};

QTEST_GUILESS_MAIN(PackCommandTest)
#include "tst_pack.moc"
