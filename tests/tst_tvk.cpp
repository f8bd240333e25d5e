#include "format/SingleByteText.h"
#include "format/TvkLayout.h"
#include "format/TvkReader.h"
#include "package/PackageWriter.h"
#include "tests/TestSupport.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QtEndian>

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using Run = TestProcess::Result;

// Two packages of the icons l.ico and r.ico, as `tvk batch` reads them.
constexpr char kTwoRowBatch[] = "name,author,left,right,output\n"
                                "A,B,l.ico,r.ico,o.tvk\n"
                                "C,D,r.ico,l.ico,o2.tvk\n";

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// An ICO file whose images are stored as PNG, as icons of 256 pixels and more are.
QByteArray pngIco(const QList<QSize>& sizes)
{
    QByteArray directory = QByteArray::fromHex("0000 0100") + char(sizes.size()) + '\0';
    QByteArray images;
    qint32 offset = qint32(6 + 16 * sizes.size());
    for (const QSize& size : sizes) {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(Qt::darkCyan);
        const QByteArray png = encoded(image, "PNG");
        QByteArray entry(16, '\0');
        // A width or height of 256 is stored as 0.
        entry[0] = char(size.width() & 0xFF);
        entry[1] = char(size.height() & 0xFF);
        qToLittleEndian<quint16>(1, entry.data() + 4);
        qToLittleEndian<quint16>(32, entry.data() + 6);
        qToLittleEndian<qint32>(qint32(png.size()), entry.data() + 8);
        qToLittleEndian<qint32>(offset, entry.data() + 12);
        directory += entry;
        images += png;
        offset += qint32(png.size());
    }
    return directory + images;
}

QByteArray pngChunk(const QByteArray& type, const QByteArray& data)
{
    QByteArray chunk(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), chunk.data());
    chunk += type + data + QByteArray(4, '\0');
    // Checked by the CRC-32 of the type and data.
    const QByteArray checked = type + data;
    qToBigEndian<quint32>(quint32(crc32(0, reinterpret_cast<const Bytef*>(checked.constData()),
                                        uInt(checked.size()))),
                          chunk.data() + chunk.size() - 4);
    return chunk;
}

// A picture that costs as much to decode as the byte limits let a file make it
// cost: an ICO file listing one PNG `entries` times, the PNG either a 2048-pixel
// square or a small one after chunks of compressed text that unpack to 8 MB each.
QByteArray costlyIco(int entries, bool textBomb)
{
    QImage image(textBomb ? QSize(16, 16) : QSize(2048, 2048), QImage::Format_ARGB32);
    image.fill(Qt::darkCyan);
    QByteArray png = encoded(image, "PNG");
    if (textBomb) {
        // zTXt: a keyword, a NUL, compression method 0, then the zlib stream.
        const QByteArray text =
            "Comment" + QByteArray(2, '\0') + qCompress(QByteArray(8'000'000, 'x'), 9).mid(4);
        QByteArray chunks;
        while (chunks.size() < 3'900'000)
            chunks += pngChunk("zTXt", text);
        png.insert(8 + 25, chunks);
    }
    QByteArray ico = QByteArray::fromHex("0000 0100") + QByteArray(2, '\0');
    qToLittleEndian<quint16>(quint16(entries), ico.data() + 4);
    QByteArray entry(16, '\0');
    qToLittleEndian<quint32>(quint32(png.size()), entry.data() + 8);
    qToLittleEndian<quint32>(quint32(6 + 16 * entries), entry.data() + 12);
    return ico + entry.repeated(entries) + png;
}

#ifdef TVK_THUMBNAIL_HOST
// The largest mean difference of one channel between two pictures of one size,
// colours weighted by alpha: a transparent pixel's colour means nothing.
double largestMeanDifference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    const QImage y = b.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    double sums[4] = {};
    for (int row = 0; row < x.height(); ++row) {
        for (int i = 0; i < x.width() * 4; ++i)
            sums[i % 4] += std::abs(x.constScanLine(row)[i] - y.constScanLine(row)[i]);
    }
    return *std::max_element(sums, sums + 4) / (double(x.width()) * x.height());
}
#endif

// A small but real ICO file: one 16x16 image of 40 bytes.
QByteArray smallIco()
{
    return QByteArray::fromHex("0000 0100 0100" // header: type 1, one image
                                                // 16x16, 40 bytes at 22.
                               "10 10 00 00 0100 2000 28000000 16000000") +
           QByteArray(40, '\x7F');
}

} // namespace

// The `tvk` command-line tool, run as a user runs it.
class TvkToolTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // Runs `tvk` in the test's folder; `environment` adds variables ("NAME=value").
    Run tvk(const QStringList& arguments, const QStringList& environment = {}) const
    {
        return run(QStringLiteral(TVK_EXECUTABLE), arguments, environment);
    }

#ifdef TVK_FAILING_CALLS
    // What preloads inject/FailingCalls.cpp into a child, with `failure` added.
    static QStringList failingEnvironment(const QStringList& failure)
    {
        // Under AddressSanitizer the preloaded library comes before its runtime.
        return QStringList{QStringLiteral("LD_PRELOAD=" TVK_FAILING_CALLS),
                           QStringLiteral("ASAN_OPTIONS=%1:verify_asan_link_order=0")
                               .arg(qEnvironmentVariable("ASAN_OPTIONS"))} +
               failure;
    }
#endif

#ifdef TVK_FAILING_CALLS
    // Starts `tvk` and returns once it, or its helper `program`, waits in the
    // system call `call`.
    bool startPaused(QProcess& process, const char* call, const QStringList& arguments,
                     const char* program = nullptr) const
    {
        process.setWorkingDirectory(m_dir.path());
        QStringList pause{QStringLiteral("TVK_PAUSE_CALL=%1").arg(QLatin1String(call))};
        if (program != nullptr)
            pause << QStringLiteral("TVK_PAUSE_PROGRAM=%1").arg(QLatin1String(program));
        process.setEnvironment(QProcess::systemEnvironment() + failingEnvironment(pause));
        process.start(QStringLiteral(TVK_EXECUTABLE), arguments);
        if (!process.waitForStarted())
            return false;
        QDeadlineTimer deadline(10000);
        while (!QFile::exists(path(QStringLiteral("paused"))) && !deadline.hasExpired())
            QThread::msleep(5);
        return !deadline.hasExpired();
    }
#endif

    // Runs `tvk` with some system calls failing (see inject/FailingCalls.cpp).
    Run tvkFailing(const QStringList& arguments, const QStringList& failure) const
    {
#ifdef TVK_FAILING_CALLS
        return tvk(arguments, failingEnvironment(failure));
#else
        Q_UNUSED(arguments);
        Q_UNUSED(failure);
        return {};
#endif
    }

#ifdef TVK_THUMBNAIL_HOST
    // Explorer's thumbnail of p.tvk, from the provider loaded as Explorer's host
    // loads it; its pixels in host.rgba (see inject/ThumbnailHostWindows.cpp).
    Run providerThumbnail(int side) const
    {
        return run(QStringLiteral(TVK_THUMBNAIL_HOST),
                   {QStringLiteral(TVK_THUMBNAIL_PROVIDER), path(QStringLiteral("p.tvk")),
                    QString::number(side), path(QStringLiteral("host.rgba"))});
    }
#endif

    Run run(const QString& program, const QStringList& arguments,
            const QStringList& environment = {}) const
    {
        return TestProcess::run(program, arguments, m_dir.path(), environment);
    }

    // p.tvk, holding the icons l.ico ("new left") and r.ico ("new right").
    bool packNewIcons() const
    {
        return TestFiles::write(path(QStringLiteral("l.ico")), "new left") &&
               TestFiles::write(path(QStringLiteral("r.ico")), "new right") &&
               pack(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("l.ico"),
                    QStringLiteral("r.ico"), QStringLiteral("p.tvk"))
                       .exitCode == 0;
    }

    // p.tvk, whose left icon l.ico is a 16-pixel picture.
    bool packSmallPicture() const
    {
        return TestFiles::write(path(QStringLiteral("l.ico")), pngIco({QSize(16, 16)})) &&
               TestFiles::write(path(QStringLiteral("r.ico")), "r") &&
               pack(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("l.ico"),
                    QStringLiteral("r.ico"), QStringLiteral("p.tvk"))
                       .exitCode == 0;
    }

    Run pack(const QString& name, const QString& author, const QString& left, const QString& right,
             const QString& output) const
    {
        return tvk({QStringLiteral("pack"), QStringLiteral("--name"), name,
                    QStringLiteral("--author"), author, left, right, QStringLiteral("-o"), output});
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(TestFiles::clearFolder(m_dir.path()));
    }

    void packInfoUnpack_roundTrip_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("author");
        QTest::addColumn<QByteArray>("left");
        QTest::addColumn<QByteArray>("right");
        QTest::newRow("empty right icon") << "A"
                                          << "B" << QByteArray::fromHex("010203") << QByteArray();
        QTest::newRow("same bytes twice") << "Twin"
                                          << "Me" << smallIco() << smallIco();
        QTest::newRow("300-character name")
            << QString(300, QLatin1Char('n')) << "B" << QByteArray("L") << QByteArray("R");
        QTest::newRow("Western letters") << QStringLiteral("Café €5") << QStringLiteral("Groß")
                                         << smallIco() << QByteArray(5000, '\0');
        QTest::newRow("name starting with a dash") << "-x"
                                                   << " " << QByteArray("L") << QByteArray();
    }

    void packInfoUnpack_roundTrip()
    {
        QFETCH(QString, name);
        QFETCH(QString, author);
        QFETCH(QByteArray, left);
        QFETCH(QByteArray, right);
        QVERIFY(TestFiles::write(path(QStringLiteral("in/l.ico")), left));
        QVERIFY(TestFiles::write(path(QStringLiteral("in/r.ico")), right));

        const Run packed = pack(name, author, path(QStringLiteral("in/l.ico")),
                                path(QStringLiteral("in/r.ico")), path(QStringLiteral("p.tvk")));
        QCOMPARE(packed.exitCode, 0);
        QCOMPARE(packed.out, QString());
        QCOMPARE(packed.err, QString());

        const Run info = tvk({QStringLiteral("info"), QStringLiteral("p.tvk")});
        QCOMPARE(info.exitCode, 0);
        QVERIFY2(info.out.contains(QStringLiteral("Name:   ") + name + QLatin1Char('\n')),
                 qPrintable(info.out));
        QVERIFY2(info.out.contains(QStringLiteral("Author: ") + author + QLatin1Char('\n')),
                 qPrintable(info.out));
        const qint64 total =
            TvkLayout::fileSize(name.size(), author.size(), left.size(), right.size());
        QVERIFY(info.out.contains(QStringLiteral("Size:   %1 bytes").arg(total)));

        const Run json =
            tvk({QStringLiteral("info"), QStringLiteral("--json"), QStringLiteral("p.tvk")});
        QCOMPARE(json.exitCode, 0);
        const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8()).object();
        QCOMPARE(object.value(QStringLiteral("name")).toString(), name);
        QCOMPARE(object.value(QStringLiteral("author")).toString(), author);
        QCOMPARE(object.value(QStringLiteral("size")).toInteger(), total);
        QCOMPARE(object.value(QStringLiteral("left"))
                     .toObject()
                     .value(QStringLiteral("size"))
                     .toInteger(),
                 left.size());
        QCOMPARE(object.value(QStringLiteral("right"))
                     .toObject()
                     .value(QStringLiteral("size"))
                     .toInteger(),
                 right.size());

        const Run unpacked = tvk({QStringLiteral("unpack"), QStringLiteral("p.tvk"),
                                  QStringLiteral("-d"), QStringLiteral("out")});
        QCOMPARE(unpacked.exitCode, 0);
        QCOMPARE(TestFiles::entries(path(QStringLiteral("out"))),
                 QStringList({QStringLiteral("left.ico"), QStringLiteral("right.ico")}));
        QCOMPARE(TestFiles::read(path(QStringLiteral("out/left.ico"))), left);
        QCOMPARE(TestFiles::read(path(QStringLiteral("out/right.ico"))), right);
    }

    void info_icoBytes_namesTheirImageSizes()
    {
        QVERIFY(TestFiles::write(path(QStringLiteral("l.ico")), smallIco()));
        QVERIFY(TestFiles::write(path(QStringLiteral("r.ico")), smallIco().left(30)));
        QCOMPARE(pack(QStringLiteral("A"), QStringLiteral("B"), path(QStringLiteral("l.ico")),
                      path(QStringLiteral("r.ico")), path(QStringLiteral("p.tvk")))
                     .exitCode,
                 0);

        const Run info = tvk({QStringLiteral("info"), QStringLiteral("p.tvk")});
        const Run json =
            tvk({QStringLiteral("info"), QStringLiteral("--json"), QStringLiteral("p.tvk")});

        QVERIFY2(
            info.out.contains(QStringLiteral("Left:   62 bytes, ICO file with images 16x16\n")),
            qPrintable(info.out));
        QVERIFY2(info.out.contains(QStringLiteral("Right:  30 bytes, not an ICO file\n")),
                 qPrintable(info.out));
        const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8()).object();
        const QJsonObject left = object.value(QStringLiteral("left")).toObject();
        QCOMPARE(left.value(QStringLiteral("ico")).toBool(), true);
        QCOMPARE(left.value(QStringLiteral("images")).toArray(),
                 QJsonArray({QStringLiteral("16x16")}));
        QCOMPARE(
            object.value(QStringLiteral("right")).toObject().value(QStringLiteral("ico")).toBool(),
            false);
    }

    void pack_agreesByteForByteWithTheWindowsConvert()
    {
        QVERIFY(TestFiles::write(path(QStringLiteral("l.ico")), smallIco()));
        QVERIFY(TestFiles::write(path(QStringLiteral("r.ico")), QByteArray(3000, 'r')));
        const PackageRequest request{path(QStringLiteral("l.ico")), path(QStringLiteral("r.ico")),
                                     path(QStringLiteral("window.tvk")),
                                     QStringLiteral("Ÿour naïve"), QStringLiteral("Zoë")};
        // What the window's Convert writes with.
        QVERIFY(PackageWriter::write(request).written());

        QCOMPARE(pack(request.name, request.author, request.leftPath, request.rightPath,
                      path(QStringLiteral("tool.tvk")))
                     .exitCode,
                 0);

        QCOMPARE(TestFiles::read(path(QStringLiteral("tool.tvk"))),
                 TestFiles::read(request.outputPath));
    }

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

        const Run info = tvk({QStringLiteral("info"), QStringLiteral("bad.tvk")});

        QCOMPARE(info.exitCode, 1);
        QCOMPARE(info.out, QString());
        QCOMPARE(info.err, QStringLiteral("tvk: bad.tvk is not a TVK file: %1.\n").arg(expected));

        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        const Result<TvkContents> read = TvkReader::read(buffer, bytes.size());
        QVERIFY(read.failed());
        QCOMPARE(read.reason(), expected);
    }

    void failures_oneLineAndExitStatus_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("expectedErr");
        const auto args = [](std::initializer_list<const char*> list) {
            QStringList result;
            for (const char* argument : list)
                result << QString::fromUtf8(argument);
            return result;
        };
        QTest::newRow("no command")
            << QStringList() << 2 << "tvk: no command given (see 'tvk --help')";
        QTest::newRow("unknown command")
            << args({"frob"}) << 2 << "tvk: unknown command 'frob' (see 'tvk --help')";
        QTest::newRow("unknown option") << args({"info", "--frob", "x.tvk"}) << 2
                                        << "tvk: Unknown option 'frob' (see 'tvk info --help')";
        QTest::newRow("pack without output")
            << args({"pack", "-n", "A", "-a", "B", "l.ico", "r.ico"}) << 2
            << "tvk: --output is required (see 'tvk pack --help')";
        QTest::newRow("pack with one icon")
            << args({"pack", "-n", "A", "-a", "B", "l.ico", "-o", "o.tvk"}) << 2
            << "tvk: missing RIGHT (see 'tvk pack --help')";
        QTest::newRow("thumbnail with no argument")
            << args({"thumbnail"}) << 2 << "tvk: missing FILE and OUT (see 'tvk thumbnail --help')";
        QTest::newRow("empty name")
            << args({"pack", "-n", "", "-a", "B", "l.ico", "r.ico", "-o", "o.tvk"}) << 1
            << "tvk: --name is empty";
        QTest::newRow("empty author")
            << args({"pack", "-n", "A", "-a", "", "l.ico", "r.ico", "-o", "o.tvk"}) << 1
            << "tvk: --author is empty";
        QTest::newRow("missing icon")
            << args({"pack", "-n", "A", "-a", "B", "none.ico", "r.ico", "-o", "o.tvk"}) << 1
            << "tvk: Cannot read ICO file none.ico: The file does not exist.";
        QTest::newRow("unencodable name")
            << args({"pack", "-n", "中", "-a", "B", "l.ico", "r.ico", "-o", "o.tvk"}) << 1
            << "tvk: The Tovrik name contains the character “中” (U+4E2D), which a TVK file cannot "
               "store. Use letters of Western European languages only.";
        QTest::newRow("output is an icon")
            << args({"pack", "-n", "A", "-a", "B", "l.ico", "r.ico", "-o", "./l.ico"}) << 1
            << "tvk: The output TVK file must differ from both ICO files!";
        QTest::newRow("pack fails writing")
            << args({"pack", "-n", "A", "-a", "B", "l.ico", "r.ico", "-o", "none/o.tvk"}) << 1
            << "tvk: Cannot write file " + QDir::toNativeSeparators(QStringLiteral("none/o.tvk")) +
                   ": No such file or directory.";
        QTest::newRow("info on a missing file")
            << args({"info", "none.tvk"}) << 1
            << "tvk: Cannot read file none.tvk: The file does not exist.";
        QTest::newRow("empty file name, no Qt warning")
            << args({"info", ""}) << 1 << "tvk: Cannot read file : The file does not exist.";
        QTest::newRow("newline inside an argument")
            << args({"frob\nx"}) << 2 << "tvk: unknown command 'frob\\x0ax' (see 'tvk --help')";
#ifdef Q_OS_WIN
        QTest::newRow("output is a device, with an extension")
            << args({"pack", "-n", "A", "-a", "B", "l.ico", "r.ico", "-o", "nul.tvk"}) << 1
            << "tvk: Cannot write file nul.tvk: This is not a regular file.";
        QTest::newRow("output is a data stream")
            << args({"pack", "-n", "A", "-a", "B", "l.ico", "r.ico", "-o", "o.tvk:hidden"}) << 1
            << "tvk: Cannot write file o.tvk:hidden: This is not a regular file.";
#endif
#ifdef Q_OS_UNIX
        // A FIFO would make a blocking open wait for ever.
        const QString notRegular = QStringLiteral(": This is not a regular file.");
        QTest::newRow("info on a FIFO")
            << args({"info", "fifo"}) << 1 << "tvk: Cannot read file fifo" + notRegular;
        QTest::newRow("unpack a FIFO")
            << args({"unpack", "fifo"}) << 1 << "tvk: Cannot read file fifo" + notRegular;
        QTest::newRow("icon is a FIFO")
            << args({"pack", "-n", "A", "-a", "B", "fifo", "r.ico", "-o", "o.tvk"}) << 1
            << "tvk: Cannot read ICO file fifo" + notRegular;
        QTest::newRow("output is a FIFO")
            << args({"pack", "-n", "A", "-a", "B", "l.ico", "r.ico", "-o", "fifo"}) << 1
            << "tvk: Cannot write file fifo" + notRegular;
#endif
    }

    void failures_oneLineAndExitStatus()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, expectedErr);
        QVERIFY(TestFiles::write(path(QStringLiteral("l.ico")), "left"));
        QVERIFY(TestFiles::write(path(QStringLiteral("r.ico")), "right"));
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

    void unpack_existingIcons_refusedUnlessForced()
    {
        QVERIFY(packNewIcons());
        QVERIFY(TestFiles::write(path(QStringLiteral("right.ico")), "mine"));

        const Run refused = tvk({QStringLiteral("unpack"), QStringLiteral("p.tvk")});
        QCOMPARE(refused.exitCode, 1);
        QCOMPARE(refused.err,
                 QStringLiteral("tvk: right.ico already exists; use --force to replace it.\n"));
        QCOMPARE(TestFiles::read(path(QStringLiteral("right.ico"))), QByteArray("mine"));
        QVERIFY(!QFile::exists(path(QStringLiteral("left.ico"))));

        const Run forced =
            tvk({QStringLiteral("unpack"), QStringLiteral("--force"), QStringLiteral("p.tvk")});
        QCOMPARE(forced.exitCode, 0);
        QCOMPARE(TestFiles::read(path(QStringLiteral("left.ico"))), QByteArray("new left"));
        QCOMPARE(TestFiles::read(path(QStringLiteral("right.ico"))), QByteArray("new right"));
    }

    // Each row makes one system call fail in the child, as a failing disk does.
    void injectedFailures_keepEarlierFilesOrTellTheUser_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("failure");
        QTest::addColumn<QStringList>("outputs");
        QTest::addColumn<bool>("replaced");
        QTest::addColumn<QString>("expectedErr");
        const QStringList pack = {
            QStringLiteral("pack"),  QStringLiteral("-n"), QStringLiteral("A"),
            QStringLiteral("-a"),    QStringLiteral("B"),  QStringLiteral("l.ico"),
            QStringLiteral("r.ico"), QStringLiteral("-o"), QStringLiteral("o.tvk")};
        const QStringList unpack = {QStringLiteral("unpack"), QStringLiteral("--force"),
                                    QStringLiteral("p.tvk")};
        const QStringList packOutput = {QStringLiteral("o.tvk")};
        const QStringList icons = {QStringLiteral("left.ico"), QStringLiteral("right.ico")};
        const QString dataSync = QStringLiteral("TVK_FAIL_CALL=fdatasync");

        QTest::newRow("pack, data sync fails")
            << pack << QStringList{dataSync} << packOutput << false
            << "tvk: Cannot write file o.tvk: Input/output error.";
        QTest::newRow("pack, data sync finds the disk full")
            << pack << QStringList{dataSync, QStringLiteral("TVK_FAIL_ERRNO=%1").arg(ENOSPC)}
            << packOutput << false << "tvk: Cannot write file o.tvk: No space left on device.";
        QTest::newRow("pack, folder sync fails")
            << pack << QStringList{QStringLiteral("TVK_FAIL_CALL=fsync-folder")} << packOutput
            << true
            << "tvk: Cannot write file o.tvk: The new file is in place, but its folder could not "
               "be synced to disk, so a power cut may still undo it: Input/output error.";
        QTest::newRow("unpack, data sync fails")
            << unpack << QStringList{dataSync} << icons << false
            << "tvk: Cannot write file left.ico: Input/output error.";
        QTest::newRow("batch, the disk cannot be flushed")
            << QStringList{QStringLiteral("batch"), QStringLiteral("batch.csv")}
            << QStringList{QStringLiteral("TVK_FAIL_CALL=syncfs")}
            << QStringList{QStringLiteral("o.tvk"), QStringLiteral("o2.tvk")} << false
            << "tvk: Cannot save the new files to disk: Input/output error. No earlier output was "
               "replaced.";
        QTest::newRow("unpack, second icon cannot take its place")
            << unpack
            << QStringList{QStringLiteral("TVK_FAIL_CALL=rename"),
                           QStringLiteral("TVK_FAIL_PATH=right.ico")}
            << icons << false << "tvk: Cannot write file right.ico: Input/output error.";
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
        const QStringList before = TestFiles::entries(m_dir.path());

        const Run run = tvkFailing(arguments, failure);

        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, expectedErr + QLatin1Char('\n'));
        QCOMPARE(TestFiles::entries(m_dir.path()), before);
        for (const QString& output : outputs)
            QCOMPARE(TestFiles::read(path(output)) == "earlier", !replaced);
    }

    // A link where an icon is to go counts as a file; forced, the link itself is
    // replaced and what it points to is never written.
    void unpack_linksInTheWay_replacedNeverWrittenThrough()
    {
        QVERIFY(packNewIcons());
        QVERIFY(TestFiles::write(path(QStringLiteral("elsewhere/kept.ico")), "kept"));
        QVERIFY(QFile::link(path(QStringLiteral("elsewhere/missing.ico")),
                            path(QStringLiteral("left.ico"))));

        const Run refused = tvk({QStringLiteral("unpack"), QStringLiteral("p.tvk")});
        QVERIFY(QFile::link(path(QStringLiteral("elsewhere/kept.ico")),
                            path(QStringLiteral("right.ico"))));
        const Run forced =
            tvk({QStringLiteral("unpack"), QStringLiteral("--force"), QStringLiteral("p.tvk")});

        QCOMPARE(refused.exitCode, 1);
        QCOMPARE(refused.err,
                 QStringLiteral("tvk: left.ico already exists; use --force to replace it.\n"));
        QCOMPARE(forced.exitCode, 0);
        QCOMPARE(TestFiles::entries(path(QStringLiteral("elsewhere"))),
                 QStringList(QStringLiteral("kept.ico")));
        QCOMPARE(TestFiles::read(path(QStringLiteral("elsewhere/kept.ico"))), QByteArray("kept"));
        for (const QString& icon : {QStringLiteral("left.ico"), QStringLiteral("right.ico")})
            QVERIFY(!QFileInfo(path(icon)).isSymLink());
        QCOMPARE(TestFiles::read(path(QStringLiteral("left.ico"))), QByteArray("new left"));
        QCOMPARE(TestFiles::read(path(QStringLiteral("right.ico"))), QByteArray("new right"));
    }

    // Names come from the file: whatever they hold, nothing printed may steer
    // the terminal.
    void info_controlCharactersInNames_escaped()
    {
        const QByteArray name("x\x1b]0;owned\x07y\x7f\x81z");
        QVERIFY(
            TestFiles::write(path(QStringLiteral("c.tvk")), TvkLayout::header(name, "B", 0, 0)));

        const Run info = tvk({QStringLiteral("info"), QStringLiteral("c.tvk")});
        const Run json =
            tvk({QStringLiteral("info"), QStringLiteral("--json"), QStringLiteral("c.tvk")});

        QVERIFY2(info.out.startsWith(QStringLiteral("Name:   x\\x1b]0;owned\\x07y\\x7f\\x81z\n")),
                 qPrintable(info.out));
        for (const QString& out : {info.out, json.out}) {
            for (const QChar c : out)
                QVERIFY(c == QLatin1Char('\n') || (c >= QLatin1Char(' ') && c.unicode() != 0x7F &&
                                                   (c.unicode() < 0x80 || c.unicode() > 0x9F)));
        }
        QCOMPARE(QJsonDocument::fromJson(json.out.toUtf8())
                     .object()
                     .value(QStringLiteral("name"))
                     .toString(),
                 SingleByteText::decode(name));
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
        const auto within = [&](const QStringList& arguments) {
            return TestProcess::run(QStringLiteral(TVK_EXECUTABLE), arguments, m_dir.path(), {},
                                    limit);
        };
        const Run info = within({QStringLiteral("info"), QStringLiteral("huge.tvk")});
        const Run json =
            within({QStringLiteral("info"), QStringLiteral("--json"), QStringLiteral("huge.tvk")});
        const Run unpacked = within({QStringLiteral("unpack"), QStringLiteral("huge.tvk")});

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

    void thumbnail_leftIcon_largestImageFittedToSize_data()
    {
        QTest::addColumn<QByteArray>("left");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QSize>("expected");
        QImage wide(40, 20, QImage::Format_ARGB32);
        wide.fill(Qt::red);
        QTest::newRow("small BMP icon, never made larger")
            << encoded(wide, "ICO") << QStringList() << QSize(40, 20);
        // Opaque red, half-transparent blue, transparent and opaque cyan.
        QImage quarters(200, 100, QImage::Format_ARGB32);
        for (int y = 0; y < quarters.height(); ++y) {
            for (int x = 0; x < quarters.width(); ++x) {
                const int quarter = (y < 50 ? 0 : 2) + (x < 100 ? 0 : 1);
                const QColor colours[] = {Qt::red, QColor(0, 0, 255, 128), Qt::transparent,
                                          Qt::darkCyan};
                quarters.setPixelColor(x, y, colours[quarter]);
            }
        }
        QTest::newRow("BMP icon of four colours, alpha kept")
            << encoded(quarters, "ICO") << QStringList() << QSize(128, 64);
        const QByteArray twoSizes = pngIco({QSize(16, 16), QSize(200, 200)});
        QTest::newRow("PNG icon, largest image, default size")
            << twoSizes << QStringList() << QSize(128, 128);
        QTest::newRow("PNG icon, --size 48")
            << twoSizes << QStringList{QStringLiteral("--size"), QStringLiteral("48")}
            << QSize(48, 48);
        // Each would take minutes if every entry or every text were decoded.
        QTest::newRow("65,535 entries naming one 2048-pixel PNG")
            << costlyIco(0xFFFF, false) << QStringList() << QSize(128, 128);
        QTest::newRow("a dozen entries naming one PNG full of compressed text")
            << costlyIco(12, true) << QStringList() << QSize(16, 16);
    }

    void thumbnail_leftIcon_largestImageFittedToSize()
    {
        QFETCH(QByteArray, left);
        QFETCH(QStringList, options);
        QFETCH(QSize, expected);
        QVERIFY(TestFiles::write(path(QStringLiteral("p.tvk")),
                                 TvkLayout::header("A", "B", qint32(left.size()), 1) + left + "R"));

        const Run run = tvk(QStringList{QStringLiteral("thumbnail")} + options +
                            QStringList{QStringLiteral("p.tvk"), QStringLiteral("p.png")});

        QCOMPARE(run.err, QString());
        QCOMPARE(run.exitCode, 0);
        const QImage thumbnail(path(QStringLiteral("p.png")), "PNG");
        QCOMPARE(thumbnail.size(), expected);
#ifdef TVK_THUMBNAIL_HOST
        // Explorer's thumbnail is the same picture at the same size, with its
        // alpha; scaled by other means (under Wine, nearest neighbour), so its
        // pixels differ a little. A wrong picture, swapped channels or lost alpha
        // differ by 60 or more in some channel.
        const Run host = providerThumbnail(options.isEmpty() ? 128 : options.constLast().toInt());
        QCOMPARE(host.exitCode, 0);
        QVERIFY2(host.out.startsWith(
                     QStringLiteral("%1 %2 2 ").arg(expected.width()).arg(expected.height())),
                 qPrintable(host.out));
        const QByteArray pixels = TestFiles::read(path(QStringLiteral("host.rgba")));
        QCOMPARE(pixels.size(), expected.width() * expected.height() * 4);
        const QImage shown(reinterpret_cast<const uchar*>(pixels.constData()), expected.width(),
                           expected.height(), QImage::Format_RGBA8888);
        const double difference = largestMeanDifference(shown, thumbnail);
        QVERIFY2(difference < 6, qPrintable(QString::number(difference)));
#endif
    }

    void thumbnail_output_formatByExtension_data()
    {
        QTest::addColumn<QString>("output");
        // Qt's name of the format written; empty when the output is refused.
        QTest::addColumn<QByteArray>("format");
#ifndef Q_OS_WIN
        // The Windows build links no JPEG writer.
        QTest::newRow("JPEG") << "p.jpg" << QByteArray("jpeg");
#endif
        QTest::newRow("BMP, extension in capitals") << "p.BMP" << QByteArray("bmp");
        QTest::newRow("PNG on standard output") << "-" << QByteArray("png");
        QTest::newRow("PNG without an extension") << "thumb" << QByteArray("png");
        QTest::newRow("no writer for GIF") << "p.gif" << QByteArray();
    }

    void thumbnail_output_formatByExtension()
    {
        QFETCH(QString, output);
        QFETCH(QByteArray, format);
        const QByteArray left = pngIco({QSize(16, 16)});
        QVERIFY(TestFiles::write(path(QStringLiteral("p.tvk")),
                                 TvkLayout::header("A", "B", qint32(left.size()), 0) + left));

        const Run run = tvk({QStringLiteral("thumbnail"), QStringLiteral("p.tvk"), output});

        if (format.isEmpty()) {
            QCOMPARE(run.exitCode, 2);
            QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
            QCOMPARE(TestFiles::entries(m_dir.path()), QStringList(QStringLiteral("p.tvk")));
            return;
        }
        QCOMPARE(run.err, QString());
        QCOMPARE(run.exitCode, 0);
        QByteArray written =
            output == QLatin1String("-") ? run.outBytes : TestFiles::read(path(output));
        QBuffer buffer(&written);
        QImageReader reader(&buffer);
        QCOMPARE(reader.format(), format);
        QCOMPARE(reader.read().size(), QSize(16, 16));
    }

    void thumbnail_unusableIcon_oneLineAndNoFile_data()
    {
        QTest::addColumn<qint64>("leftLength");
        QTest::addColumn<QString>("expectedErr");
        QTest::newRow("not a picture")
            << qint64(5)
            << "tvk: The left icon of p.tvk is not a picture that can be read: It is not an ICO, "
               "PNG or BMP picture of at most 2048 by 2048 pixels.";
        QTest::newRow("too large to load")
            << qint64(100)
            << "tvk: The left icon of p.tvk holds 104857600 bytes; a thumbnail is "
               "made of icons of at most 4194304 bytes.";
    }

    void thumbnail_unusableIcon_oneLineAndNoFile()
    {
        QFETCH(qint64, leftLength);
        QFETCH(QString, expectedErr);
        // The large one is declared in a sparse file: lengths in MiB, data as zeros.
        const qint64 bytes = leftLength == 5 ? 5 : leftLength << 20;
        QFile file(path(QStringLiteral("p.tvk")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write(TvkLayout::header("A", "B", qint32(bytes), 0) + "hello") > 0);
        if (!file.resize(TvkLayout::fileSize(1, 1, bytes, 0)))
            QSKIP("This file system cannot hold a sparse file.");
        file.close();

        const Run run =
            tvk({QStringLiteral("thumbnail"), QStringLiteral("p.tvk"), QStringLiteral("p.png")});

        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, expectedErr + QLatin1Char('\n'));
        QVERIFY(!QFile::exists(path(QStringLiteral("p.png"))));
#ifdef TVK_THUMBNAIL_HOST
        // Explorer gets no thumbnail either, and the provider can still be unloaded.
        const Run host = providerThumbnail(128);
        QCOMPARE(host.exitCode, 1);
        QVERIFY2(host.out.startsWith(QStringLiteral("failed 0x80004005")), qPrintable(host.out));
#endif
    }

#ifdef Q_OS_UNIX
    // Arguments are bytes, decoded as UTF-8; one that is not must never end up
    // naming another file.
    void argumentNotUtf8_refusedNeverAnotherFile()
    {
        QVERIFY(TestFiles::write(path(QStringLiteral("l.ico")), "left"));
        QVERIFY(TestFiles::write(path(QStringLiteral("ic\uFFFD.ico")), "look-alike"));
        const QStringList before = TestFiles::entries(m_dir.path());
        // sh passes on the bytes printf makes, which QProcess's texts cannot hold.
        const auto inShell = [&](const char* program, const QString& command) {
            return run(QStringLiteral("sh"),
                       {QStringLiteral("-c"), QStringLiteral("exec \"$0\" ") + command,
                        QLatin1String(program)},
                       {QStringLiteral("QT_QPA_PLATFORM=no-such-platform")});
        };
        const auto tvkInShell = [&](const QString& command) {
            return inShell(TVK_EXECUTABLE, command);
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
        // The window is not even opened for such a file.
        const Run opened =
            inShell(TVK_MAK_EXECUTABLE, QStringLiteral("\"$(printf 'ic\\376.ico')\""));
        QCOMPARE(opened.exitCode, 1);
        QCOMPARE(opened.err, QStringLiteral("TVK_Mak: The name 'ic\\xfe.ico' is not valid UTF-8, "
                                            "so it cannot be used exactly as given.\n"));
        QCOMPARE(TestFiles::entries(m_dir.path()), before);
    }
#endif

    void batch_manifestAsSpreadsheetsWriteIt_sameBytesAsPack_data()
    {
        QTest::addColumn<QByteArray>("manifest");
        QTest::newRow("plain, LF")
            << QByteArray("name,author,left,right,output\nA,B,in/l.ico,in/r.ico,one.tvk\n"
                          "C,D,in/r.ico,in/l.ico,two.tvk");
        QTest::newRow("semicolons, column names as typed, trailing empty rows")
            << QByteArray("Name ; AUTHOR;Left;right;Output\r\nA;B;in/l.ico;in/r.ico;one.tvk\r\n"
                          "C;D;in/r.ico;in/l.ico;two.tvk\r\n;;;;\r\n;;;;\r\n");
        QTest::newRow("BOM, CRLF, quotes, a line break in a field, an empty last line")
            << QByteArray("\xEF\xBB\xBFoutput,name,author,left,right\r\n"
                          "one.tvk,\"A, \"\"quoted\"\"\",B,in/l.ico,in/r.ico\r\n"
                          "two.tvk,C,\"two\r\nlines\",in/r.ico,in/l.ico\r\n\r\n");
        QTest::newRow("CR line ends, an empty column more")
            << QByteArray("name,author,left,right,output,\rA,B,in/l.ico,in/r.ico,one.tvk,\r"
                          "C,D,in/r.ico,in/l.ico,two.tvk,\r");
    }

    // Relative paths are taken from the manifest's folder, not the current one.
    void batch_manifestAsSpreadsheetsWriteIt_sameBytesAsPack()
    {
        QFETCH(QByteArray, manifest);
        QVERIFY(TestFiles::write(path(QStringLiteral("job/in/l.ico")), smallIco()));
        QVERIFY(TestFiles::write(path(QStringLiteral("job/in/r.ico")), "right"));
        QVERIFY(TestFiles::write(path(QStringLiteral("job/m.csv")), manifest));
        const Run check =
            tvk({QStringLiteral("batch"), QStringLiteral("--check"), QStringLiteral("job/m.csv")});
        QCOMPARE(check.out, QStringLiteral("All 2 lines can be written.\n"));
        QCOMPARE(check.exitCode, 0);
        QVERIFY(!QFile::exists(path(QStringLiteral("job/one.tvk"))));

        const Run run = tvk({QStringLiteral("batch"), QStringLiteral("job/m.csv")});

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

    // Every problem is told, with its line; nothing is written.
    void batch_badManifest_everyProblemToldByLine()
    {
        QVERIFY(TestFiles::write(path(QStringLiteral("l.ico")), "left"));
        QVERIFY(TestFiles::write(path(QStringLiteral("r.ico")), "right"));
        QVERIFY(TestFiles::write(path(QStringLiteral("o.tvk")), "earlier"));
        QVERIFY(TestFiles::write(path(QStringLiteral("m.csv")),
                                 "author,name,left,right,output\n"
                                 "B,A,l.ico,none.ico,o.tvk\n"
                                 "B,A,l.ico,r.ico,o.tvk\n"
                                 "B,A,l.ico,r.ico,o.tvk\n"
                                 "B,A,l.ico,r.ico,r.ico\n"
                                 "B,A,l.ico,r.ico,o2.tvk,extra\n"
                                 "B,,l.ico,r.ico,o3.tvk\n"
                                 "\"B\nA\",x\"y,l.ico,r.ico,o4.tvk\n"
                                 "中,A,l.ico,r.ico,o5.tvk\n"
                                 "B,A,o.tvk,r.ico,o6.tvk\n"
                                 "B,A,l.ico,r.ico,nowhere/o7.tvk\n" +
                                     // A NUL would cut the name short: "victim.txt".
                                     QByteArray("B,A,l.ico,r.ico,victim.txt\0.tvk\n", 32)));
        const QStringList before = TestFiles::entries(m_dir.path());

        const Run run = tvk({QStringLiteral("batch"), QStringLiteral("m.csv")});

        const auto at = [&](const QString& name) { return QDir::toNativeSeparators(path(name)); };
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QString());
        QCOMPARE(
            run.err.split(QLatin1Char('\n')),
            QStringList(
                {QStringLiteral("m.csv:2: Cannot read ICO file %1: The file does not exist.")
                     .arg(at(QStringLiteral("none.ico"))),
                 QStringLiteral("m.csv:3: %1 is an icon of line 11")
                     .arg(at(QStringLiteral("o.tvk"))),
                 QStringLiteral("m.csv:4: %1 is already the output of line 3")
                     .arg(at(QStringLiteral("o.tvk"))),
                 QStringLiteral("m.csv:4: %1 is an icon of line 11")
                     .arg(at(QStringLiteral("o.tvk"))),
                 QStringLiteral("m.csv:5: The output TVK file must differ from both ICO files!"),
                 QStringLiteral("m.csv:6: expected 5 fields, found 6"),
                 QStringLiteral("m.csv:7: the name is empty"),
                 QStringLiteral("m.csv:8: a quote inside a field that does not start with one"),
                 QStringLiteral("m.csv:10: The Author name contains the character “中” "
                                "(U+4E2D), which a TVK file cannot store. Use letters of "
                                "Western European languages only."),
                 QStringLiteral("m.csv:12: Cannot write file %1: Its folder does not exist.")
                     .arg(at(QStringLiteral("nowhere/o7.tvk"))),
                 QStringLiteral("m.csv:13: Cannot write file %1\\x00.tvk: The path holds a NUL "
                                "character, which no file name can hold.")
                     .arg(at(QStringLiteral("victim.txt"))),
                 QString()}));
        QCOMPARE(TestFiles::entries(m_dir.path()), before);
        QCOMPARE(TestFiles::read(path(QStringLiteral("o.tvk"))), QByteArray("earlier"));
    }

    // A real full disk while writing: every earlier output stays as it was.
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

        const Run run = tvk({QStringLiteral("batch"), QStringLiteral("m.csv")});

        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(QStringLiteral("No space left on device. No earlier output was "
                                                 "replaced.")),
                 qPrintable(run.err));
        QCOMPARE(TestFiles::entries(disk.path()), before);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(TestFiles::read(disk.filePath(QStringLiteral("o%1.tvk").arg(i))),
                     QByteArray("earlier"));
    }

    // Renames come last, once every file is on disk; one that still fails is told
    // with what was already replaced.
    void batch_renameFails_toldWhatWasReplaced()
    {
#ifndef TVK_FAILING_CALLS
        QSKIP("System calls are made to fail only on Linux.");
#endif
        QVERIFY(TestFiles::write(path(QStringLiteral("l.ico")), "left"));
        QVERIFY(TestFiles::write(path(QStringLiteral("r.ico")), "right"));
        QVERIFY(TestFiles::write(path(QStringLiteral("batch.csv")), kTwoRowBatch));

        const Run run = tvkFailing(
            {QStringLiteral("batch"), QStringLiteral("batch.csv")},
            {QStringLiteral("TVK_FAIL_CALL=rename"), QStringLiteral("TVK_FAIL_PATH=o2.tvk")});

        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, QStringLiteral("batch.csv:3: Cannot write file %1: Input/output error. "
                                         "1 of 2 outputs were already replaced: %2.\n")
                              .arg(path(QStringLiteral("o2.tvk")), path(QStringLiteral("o.tvk"))));
        QCOMPARE(TestFiles::entries(m_dir.path()),
                 QStringList({QStringLiteral("batch.csv"), QStringLiteral("l.ico"),
                              QStringLiteral("o.tvk"), QStringLiteral("r.ico")}));
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
        const QString batch = QStringLiteral("batch");
        const QString csv = QStringLiteral("m.csv");
        const auto packTo = [](const QString& output) {
            return QStringList{
                QStringLiteral("pack"),       QStringLiteral("-n"), QStringLiteral("A"),
                QStringLiteral("-a"),         QStringLiteral("B"),  QStringLiteral("l.ico"),
                QStringLiteral("real/x.ico"), QStringLiteral("-o"), output};
        };
        const QString differ = QStringLiteral("tvk: The output TVK file must differ from both ICO "
                                              "files!");
        QTest::newRow("batch, one new file through a folder link")
            << QStringList{batch, csv}
            << QByteArray("A,B,l.ico,r.ico,real/a.tvk\nC,D,l.ico,r.ico,dl/a.tvk\n")
            << "m.csv:3: %1/dl/a.tvk is already the output of line 2";
        QTest::newRow("batch, '..' taken after the link")
            << QStringList{batch, csv}
            << QByteArray("A,B,l.ico,r.ico,dl2/../a.tvk\nC,D,l.ico,r.ico,real2/a.tvk\n")
            << "m.csv:3: %1/real2/a.tvk is already the output of line 2";
        QTest::newRow("batch, '..' after a link is another folder")
            << QStringList{batch, csv}
            << QByteArray("A,B,l.ico,r.ico,a.tvk\nC,D,l.ico,r.ico,dl2/../a.tvk\n") << QString();
        QTest::newRow("batch, output is another line's icon through a link")
            << QStringList{batch, csv}
            << QByteArray("A,B,real/x.ico,r.ico,a.tvk\nC,D,l.ico,r.ico,dl/x.ico\n")
            << "m.csv:3: %1/dl/x.ico is an icon of line 2";
        QTest::newRow("batch, output is a hard link of another line's icon")
            << QStringList{batch, csv}
            << QByteArray("A,B,l.ico,r.ico,a.tvk\nC,D,r.ico,real/x.ico,hard.ico\n")
            << "m.csv:3: %1/hard.ico is an icon of line 2";
        QTest::newRow("batch, output is the manifest")
            << QStringList{batch, csv} << QByteArray("A,B,l.ico,r.ico,dl/../m.csv\n")
            << "m.csv:2: %1/dl/../m.csv is the manifest itself";
        QTest::newRow("pack, output is an icon through a folder link")
            << packTo(QStringLiteral("dl/x.ico")) << QByteArray() << differ;
        QTest::newRow("pack, output is a hard link of an icon")
            << packTo(QStringLiteral("hard.ico")) << QByteArray() << differ;
        QTest::newRow("thumbnail over a hard link of its own TVK file")
            << QStringList{QStringLiteral("thumbnail"), QStringLiteral("in.tvk"),
                           QStringLiteral("in.png")}
            << QByteArray()
            << "tvk: Cannot write file in.png: It is also a file that is being read.";
        QTest::newRow("unpack, '..' after a link is the link's parent folder")
            << QStringList{QStringLiteral("unpack"), QStringLiteral("-d"), QStringLiteral("dl2/.."),
                           QStringLiteral("in.tvk")}
            << QByteArray() << QString();
        QTest::newRow("unpack over its own TVK file")
            << QStringList{QStringLiteral("unpack"), QStringLiteral("--force"),
                           QStringLiteral("left.ico")}
            << QByteArray()
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
        QCOMPARE(pack(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("l.ico"),
                      QStringLiteral("r.ico"), QStringLiteral("in.tvk"))
                     .exitCode,
                 0);
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
        const QStringList unpack = {QStringLiteral("unpack"), QStringLiteral("--force"),
                                    QStringLiteral("p.tvk")};
        QTest::newRow("unpack over a link to a setuid file")
            << unpack << QStringLiteral("left.ico") << true << 0644;
        QTest::newRow("unpack over a link to a folder")
            << unpack << QStringLiteral("right.ico") << true << 0644;
        QTest::newRow("pack over another user's setuid file")
            << QStringList{QStringLiteral("pack"),  QStringLiteral("-n"), QStringLiteral("A"),
                           QStringLiteral("-a"),    QStringLiteral("B"),  QStringLiteral("l.ico"),
                           QStringLiteral("r.ico"), QStringLiteral("-o"), QStringLiteral("suid")}
            << QStringLiteral("suid") << false << 0755;
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
        QStringList arguments = {QStringLiteral("unpack"), QStringLiteral("p.tvk")};
        if (force) {
            QVERIFY(TestFiles::write(path(QStringLiteral("left.ico")), "earlier left"));
            QVERIFY(TestFiles::write(path(QStringLiteral("right.ico")), "earlier right"));
            arguments << QStringLiteral("--force");
        }

        const Run run = tvkFailing(arguments, environment);

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

    // Stopped part-way by a signal, a batch removes every new file it made and
    // keeps every earlier output; its exit status is the shell's for the signal.
    void batch_signalled_removesWhatItMade_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGINT (Ctrl+C)") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP (terminal closed)") << SIGHUP;
    }

    void batch_signalled_removesWhatItMade()
    {
        QFETCH(int, signal);
        QVERIFY(TestFiles::write(path(QStringLiteral("l.ico")), QByteArray(8192, 'l')));
        QVERIFY(TestFiles::write(path(QStringLiteral("r.ico")), "r"));
        QVERIFY(TestFiles::write(path(QStringLiteral("out/o0.tvk")), "earlier"));
        QByteArray manifest("name,author,left,right,output\n");
        for (int i = 0; i < 20000; ++i)
            manifest += "A,B,l.ico,r.ico,out/o" + QByteArray::number(i) + ".tvk\n";
        QVERIFY(TestFiles::write(path(QStringLiteral("m.csv")), manifest));
        QProcess batch;
        batch.setWorkingDirectory(m_dir.path());
        batch.start(QStringLiteral(TVK_EXECUTABLE),
                    {QStringLiteral("batch"), QStringLiteral("m.csv")});
        QVERIFY(batch.waitForStarted());

        // Signalled once it has new files waiting beside their outputs.
        QTRY_VERIFY_WITH_TIMEOUT(TestFiles::entries(path(QStringLiteral("out"))).size() > 10,
                                 10000);
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

    // A file manager's SIGTERM on a timeout reaches the process doing the work,
    // which starts no other, and ends it with nothing left of the new picture.
    void thumbnail_signalled_oneProcessNoFileLeft()
    {
#ifndef TVK_FAILING_CALLS
        QSKIP("System calls are paused only on Linux.");
#endif
        QVERIFY(packSmallPicture());
        QVERIFY(TestFiles::write(path(QStringLiteral("p.png")), "earlier"));
        QProcess thumbnail;
        QVERIFY(startPaused(
            thumbnail, "fchmod",
            {QStringLiteral("thumbnail"), QStringLiteral("p.tvk"), QStringLiteral("p.png")}));
        const QString children =
            QStringLiteral("/proc/%1/task/%1/children").arg(thumbnail.processId());
        QVERIFY(QFile::exists(children));
        QCOMPARE(TestFiles::read(children), QByteArray());

        QCOMPARE(::kill(pid_t(thumbnail.processId()), SIGTERM), 0);

        QVERIFY(thumbnail.waitForFinished(10000));
        QCOMPARE(thumbnail.exitCode(), 128 + SIGTERM);
        QCOMPARE(TestFiles::read(path(QStringLiteral("p.png"))), QByteArray("earlier"));
        QCOMPARE(TestFiles::entries(m_dir.path()).filter(QStringLiteral(".tvk-")), QStringList());
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
            return run(program, arguments);
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

    // A signal while the new file is flushed to a slow disk is still in time:
    // the earlier file stays, and the status says the command was stopped.
    void pack_signalledDuringFlush_keepsEarlierFile()
    {
        QVERIFY(TestFiles::write(path(QStringLiteral("l.ico")), "l"));
        QVERIFY(TestFiles::write(path(QStringLiteral("r.ico")), "r"));
        QVERIFY(TestFiles::write(path(QStringLiteral("p.tvk")), "earlier"));
        QProcess pack;
        QVERIFY(
            startPaused(pack, "fdatasync",
                        {QStringLiteral("pack"), QStringLiteral("-n"), QStringLiteral("A"),
                         QStringLiteral("-a"), QStringLiteral("B"), QStringLiteral("l.ico"),
                         QStringLiteral("r.ico"), QStringLiteral("-o"), QStringLiteral("p.tvk")}));

        QCOMPARE(::kill(pid_t(pack.processId()), SIGTERM), 0);

        QVERIFY(pack.waitForFinished(10000));
        QCOMPARE(pack.exitCode(), 128 + SIGTERM);
        QCOMPARE(TestFiles::read(path(QStringLiteral("p.tvk"))), QByteArray("earlier"));
        QCOMPARE(TestFiles::entries(m_dir.path()).filter(QStringLiteral(".tvk-")), QStringList());
    }
#endif

    // Every failure is one line with its true reason: no library's own lines, no
    // second line that is not so.
    void messages_oneLineWithTheTrueReason_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("expectedErr");
        const QStringList batch = {QStringLiteral("batch"), QStringLiteral("in")};
        const QString fix = QStringLiteral("; save it as CSV UTF-8");
        QTest::newRow("UTF-16 manifest") << batch << QByteArray("\xFF\xFEn\0a\0m\0e\0", 10)
                                         << "in:1: the manifest is UTF-16 text" + fix;
        QTest::newRow("legacy manifest, not UTF-8")
            << batch << QByteArray("name,author,left,right,output\nCaf\xE9,B,l,r,o\n")
            << "in:2: the line is not valid UTF-8" + fix;
        QTest::newRow("no header line")
            << batch << QByteArray("A,B,l.ico,r.ico,o.tvk\n")
            << "in:1: the first line must name the columns name, author, left, right, output, "
               "separated by commas or semicolons";
        QTest::newRow("binary file as manifest")
            << batch
            << QByteArray("\x7F"
                          "ELF\x02\x01\x01\0\0\0\n\xFF\n\xFE\n",
                          16)
            << "in:1: the manifest is not text (it holds NUL bytes)" + fix;
        const QByteArray badPng = QByteArray("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR\0\0\0\x10\0\0\0\x10"
                                             "\x08\x06\0\0\0\0\0\0\0\0\0\0\0\x05IDATjunk!",
                                             46);
        QTest::newRow("a PNG its library refuses")
            << QStringList{QStringLiteral("thumbnail"), QStringLiteral("in"),
                           QStringLiteral("out.png")}
            << TvkLayout::header("A", "B", qint32(badPng.size()), 0) + badPng
            << "tvk: The left icon of in is not a picture that can be read: IHDR: CRC error.";
    }

    void messages_oneLineWithTheTrueReason()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(QString, expectedErr);
        QVERIFY(TestFiles::write(path(QStringLiteral("in")), input));

        const Run run = tvk(arguments);

        QCOMPARE(run.err, expectedErr + QLatin1Char('\n'));
        QCOMPARE(run.exitCode, 1);
    }

    void thumbnail_diskFull_toldWithTheSystemsReason()
    {
        const TestFiles::SmallDisk disk(16 * TestFiles::KiB);
        if (!disk.mounted())
            QSKIP("Mounting a small tmpfs is not allowed here, so a full disk cannot be made.");
        QVERIFY(TestFiles::write(path(QStringLiteral("l.ico")), pngIco({QSize(256, 256)})));
        QVERIFY(TestFiles::write(path(QStringLiteral("r.ico")), "r"));
        QCOMPARE(pack(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("l.ico"),
                      QStringLiteral("r.ico"), QStringLiteral("p.tvk"))
                     .exitCode,
                 0);
        QVERIFY(TestFiles::write(disk.filePath(QStringLiteral("filler")),
                                 QByteArray(16 * TestFiles::KiB, 'f')));

        const Run run =
            tvk({QStringLiteral("thumbnail"), QStringLiteral("--size"), QStringLiteral("1024"),
                 QStringLiteral("p.tvk"), disk.filePath(QStringLiteral("p.png"))});

        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, QStringLiteral("tvk: Cannot write file %1: No space left on device.\n")
                              .arg(disk.filePath(QStringLiteral("p.png"))));
        QCOMPARE(TestFiles::entries(disk.path()), QStringList(QStringLiteral("filler")));
    }

    void helpAndVersion_printAndSucceed()
    {
        const Run version = tvk({QStringLiteral("--version")});
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
    // The window's program ends when asked, even with a message shown, and
    // when its display goes away, and leaves no folder of its own behind.
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
        QTest::qWait(1000);
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
        QTRY_COMPARE_WITH_TIMEOUT(ours().size(), 1, 10000);
        server.kill();
        server.waitForFinished();
        QVERIFY(opened.waitForFinished(5000));
        QCOMPARE(ours(), QStringList());
    }
#endif

    // Paths longer than Windows' old 260 characters work as any other.
    void longPath_packsAndUnpacks()
    {
        QString folder = m_dir.path();
        while (folder.size() < 300)
            folder += QStringLiteral("/a-folder-name-of-forty-characters-or-so");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(TestFiles::write(folder + QStringLiteral("/l.ico"), "left"));
        QVERIFY(TestFiles::write(folder + QStringLiteral("/r.ico"), "right"));
        const QString output = folder + QStringLiteral("/o.tvk");

        QCOMPARE(pack(QStringLiteral("A"), QStringLiteral("B"), folder + QStringLiteral("/l.ico"),
                      folder + QStringLiteral("/r.ico"), output)
                     .err,
                 QString());
        const Run unpacked = tvk({QStringLiteral("unpack"), output, QStringLiteral("-d"),
                                  folder + QStringLiteral("/out")});

        QCOMPARE(unpacked.err, QString());
        QCOMPARE(TestFiles::read(folder + QStringLiteral("/out/right.ico")), QByteArray("right"));
    }

#ifdef TVK_HOLD_FILE
    // Another program holding the output (a scanner, a viewer, the game): a hold
    // that lets go within a moment is waited out; one that stays is told, and
    // the earlier file stays as it was. A read-only output is refused.
    void heldOrReadOnlyOutput_waitedOutOrTold()
    {
        QVERIFY(TestFiles::write(path(QStringLiteral("l.ico")), "l"));
        QVERIFY(TestFiles::write(path(QStringLiteral("r.ico")), "r"));
        const QString output = path(QStringLiteral("o.tvk"));
        const auto holdFor = [&](QProcess& holder, int milliseconds) {
            holder.start(QStringLiteral(TVK_HOLD_FILE), {output, QString::number(milliseconds)});
            return holder.waitForReadyRead(10000);
        };
        const auto packOver = [&] {
            return pack(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("l.ico"),
                        QStringLiteral("r.ico"), QStringLiteral("o.tvk"));
        };
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
        QCOMPARE(TestFiles::entries(m_dir.path()).filter(QStringLiteral(".tvk-")), QStringList());
    }
#endif

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
        QCOMPARE(window({QStringLiteral("a.ico"), QStringLiteral("b.ICO"), QStringLiteral("c.tvk")})
                     .exitCode,
                 -1);
        for (const QStringList& wrong :
             {QStringList{QStringLiteral("--bogus")},
              QStringList{QStringLiteral("a.tvk"), QStringLiteral("b.tvk")},
              QStringList{QStringLiteral("a.png")}}) {
            const Run refused = window(wrong);
            QCOMPARE(refused.exitCode, 2);
            QCOMPARE(refused.err.count(QLatin1Char('\n')), 1);
            QVERIFY2(refused.err.startsWith(QStringLiteral("TVK_Mak: ")), qPrintable(refused.err));
        }
    }
};

QTEST_GUILESS_MAIN(TvkToolTest)
#include "tst_tvk.moc"
