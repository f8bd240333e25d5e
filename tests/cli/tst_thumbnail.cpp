#include "format/TvkLayout.h"
#include "tests/cli/CliFixture.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>

namespace {

using TestPictures::encoded;
using TestPictures::pngChunk;

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

} // namespace

// `tvk thumbnail`, run as a file manager runs it.
class ThumbnailCommandTest : public QObject, private CliFixture
{
    Q_OBJECT

private:
#ifdef TVK_THUMBNAIL_HOST
    // Explorer's thumbnail of p.tvk, from the provider loaded as Explorer's host
    // loads it; its pixels in host.rgba (see inject/ThumbnailHostWindows.cpp).
    Run providerThumbnail(int side) const
    {
        return TestProcess::run(QStringLiteral(TVK_THUMBNAIL_HOST),
                                {QStringLiteral(TVK_THUMBNAIL_PROVIDER),
                                 path(QStringLiteral("p.tvk")), QString::number(side),
                                 path(QStringLiteral("host.rgba"))},
                                m_dir.path());
    }
#endif

    // p.tvk, whose left icon l.ico is a square picture of the side given.
    bool packPicture(int side) const
    {
        return TestFiles::write(path(QStringLiteral("l.ico")), pngIco({QSize(side, side)})) &&
               TestFiles::write(path(QStringLiteral("r.ico")), "r") &&
               tvk("pack -n A -a B l.ico r.ico -o p.tvk").exitCode == 0;
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(clear());
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
                     QStringLiteral("%1 %2 2\n").arg(expected.width()).arg(expected.height())),
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
        // The static Windows build has these writers only if it links their plugins.
        QTest::newRow("JPEG") << "p.jpg" << QByteArray("jpeg");
        QTest::newRow("WebP") << "p.webp" << QByteArray("webp");
        QTest::newRow("BMP, extension in capitals") << "p.BMP" << QByteArray("bmp");
        QTest::newRow("PNG on standard output") << "-" << QByteArray("png");
        QTest::newRow("PNG without an extension") << "thumb" << QByteArray("png");
        QTest::newRow("no writer for GIF") << "p.gif" << QByteArray();
    }

    void thumbnail_output_formatByExtension()
    {
        QFETCH(QString, output);
        QFETCH(QByteArray, format);
        QVERIFY(packPicture(16));

        const Run run = tvk({QStringLiteral("thumbnail"), QStringLiteral("p.tvk"), output});

        if (format.isEmpty()) {
            QCOMPARE(run.exitCode, 2);
            QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
            QCOMPARE(TestFiles::entries(m_dir.path()).size(), 3);
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

        const Run run = tvk("thumbnail p.tvk p.png");

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

    void thumbnail_diskFull_toldWithTheSystemsReason()
    {
        const TestFiles::SmallDisk disk(16 * TestFiles::KiB);
        if (!disk.mounted())
            QSKIP("Mounting a small tmpfs is not allowed here, so a full disk cannot be made.");
        QVERIFY(packPicture(256));
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
};

QTEST_GUILESS_MAIN(ThumbnailCommandTest)
#include "tst_thumbnail.moc"
