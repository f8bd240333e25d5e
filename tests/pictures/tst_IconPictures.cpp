#include "format/IcoDirectory.h"
#include "pictures/IconPictures.h"
#include "tests/TestSupport.h"

#include <QBuffer>
#include <QTest>
#include <QtEndian>

namespace {

using TestPictures::encoded;
using TestPictures::pngChunk;

// An ICO file of `type` (1 icon, 2 cursor) whose `count` directory entries all
// list the one 2x2 picture after the directory.
QByteArray withDirectory(const QByteArray& picture, quint16 type, quint16 count)
{
    QByteArray ico(6 + 16 * qsizetype(count), '\0');
    qToLittleEndian<quint16>(type, ico.data() + 2);
    qToLittleEndian<quint16>(count, ico.data() + 4);
    for (qsizetype entry = 6; entry < ico.size(); entry += 16) {
        ico[entry] = 2;
        ico[entry + 1] = 2;
        qToLittleEndian<quint32>(quint32(picture.size()), ico.data() + entry + 8);
        qToLittleEndian<quint32>(quint32(ico.size()), ico.data() + entry + 12);
    }
    return ico + picture;
}

// An ICO file of one 2x2 bitmap of `bits` (8 or 32) a pixel, bottom-up as ICO files store
// them: the top row red then (masked) green, the bottom row blue then white.
// A 32-bit one carries its transparency in alpha when `alpha`, else in the mask.
QByteArray bitmapIco(int bits, bool alpha)
{
    const QList<QByteArray> bgr = {QByteArray("\x00\x00\xFF", 3), QByteArray("\x00\xFF\x00", 3),
                                   QByteArray("\xFF\x00\x00", 3), QByteArray("\xFF\xFF\xFF", 3)};
    QByteArray palette;
    for (int i = 0; bits <= 8 && i < (1 << bits); ++i)
        palette += (i < bgr.size() ? bgr.at(i) : QByteArray(3, '\0')) + '\0';
    const auto row = [&](int left, int right) {
        if (bits == 8)
            return (QByteArray(1, char(left)) + char(right)).leftJustified(4, '\0');
        QByteArray bytes;
        for (const int index : {left, right})
            bytes += bgr.at(index) + char(alpha && index != 1 ? 255 : 0);
        return bytes;
    };
    QByteArray header(40, '\0');
    qToLittleEndian<qint32>(40, header.data());
    qToLittleEndian<qint32>(2, header.data() + 4);
    qToLittleEndian<qint32>(4, header.data() + 8);
    qToLittleEndian<quint16>(1, header.data() + 12);
    qToLittleEndian<quint16>(quint16(bits), header.data() + 14);
    // Bottom row first; the mask hides the top right pixel.
    const QByteArray mask = QByteArray::fromHex("00000000") + QByteArray::fromHex("40000000");
    return withDirectory(header + palette + row(2, 3) + row(0, 1) + mask, 1, 1);
}

} // namespace

// Icon pictures handed to Qt's readers: each bitmap depth an icon uses with its
// mask, the bounds checked before decoding, and scaling that keeps colours
// clean at transparent edges.
class IconPicturesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void largest_bitmapDepths_colourAndTransparencyRight_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<bool>("alpha");
        QTest::newRow("8 bits") << 8 << false;
        QTest::newRow("32 bits, alpha channel") << 32 << true;
        QTest::newRow("32 bits, alpha all zero: the mask tells") << 32 << false;
    }

    void largest_bitmapDepths_colourAndTransparencyRight()
    {
        QFETCH(int, bits);
        QFETCH(bool, alpha);

        const Result<QImage> decoded = IconPictures::largest(bitmapIco(bits, alpha));

        QCOMPARE(decoded.reason(), QString());
        const QImage& picture = decoded.value();
        QCOMPARE(picture.size(), QSize(2, 2));
        QCOMPARE(picture.pixel(0, 0), qRgba(255, 0, 0, 255));
        QCOMPARE(qAlpha(picture.pixel(1, 0)), 0);
        QCOMPARE(picture.pixel(0, 1), qRgba(0, 0, 255, 255));
    }

    void largest_refusedBeforeDecoding_data()
    {
        QTest::addColumn<QByteArray>("icon");
        QTest::addColumn<QString>("expectedError");
        QByteArray huge = encoded(QImage(1, 1, QImage::Format_ARGB32), "PNG");
        qToBigEndian<quint32>(4096, huge.data() + 16);
        // Its rows, then zeros in the same stream: in 4 MiB, gigabytes of them.
        const QByteArray rows = QByteArray(64 * (1 + 64 * 4) + (64 << 10), '\0');
        const QByteArray bomb = encoded(QImage(64, 64, QImage::Format_ARGB32), "PNG").left(33) +
                                pngChunk("IDAT", qCompress(rows).mid(4)) + pngChunk("IEND", {});
        // An interlaced 64-pixel RGBA picture: its seven passes' rows take 16,504
        // bytes, each row led by a filter byte, here 7, which no filter has.
        QByteArray interlaced = encoded(QImage(64, 64, QImage::Format_ARGB32), "PNG").left(33);
        interlaced[8 + 8 + 12] = 1;
        interlaced = interlaced.left(29) + pngChunk("IHDR", interlaced.mid(16, 13)).right(4) +
                     pngChunk("IDAT", qCompress(QByteArray(16504, '\x07')).mid(4)) +
                     pngChunk("IEND", {});
        QByteArray wide = bitmapIco(24, false);
        qToLittleEndian<qint32>(4096, wide.data() + 22 + 4);
        QTest::newRow("PNG wider than 2048 pixels")
            << huge << "It is not an ICO, PNG or BMP picture of at most 2048 by 2048 pixels";
        QTest::newRow("ICO of a bitmap wider than 2048 pixels")
            << wide << "The ICO file lists no picture of at most 2048 by 2048 pixels";
        QTest::newRow("64-pixel PNG whose rows go on with 64 KiB of zeros")
            << bomb << "Its image data is far larger than a 64 by 64 picture needs";
        QTest::newRow("interlaced PNG whose rows name an unknown filter")
            << interlaced << "bad adaptive filter value";
    }

    void largest_refusedBeforeDecoding()
    {
        QFETCH(QByteArray, icon);
        QFETCH(QString, expectedError);
        const Result<QImage> decoded = IconPictures::largest(icon);
        QVERIFY(decoded.failed());
        QCOMPARE(decoded.reason(), expectedError);
    }

    // The window's mark, `tvk info`, previews and thumbnails all ask this one
    // reader, so a file is an ICO file to every one of them or to none.
    void icoDirectory_sameAnswerAsThePictures_data()
    {
        QTest::addColumn<QByteArray>("icon");
        QTest::addColumn<int>("entries");
        const QByteArray ico = bitmapIco(24, false);
        const QByteArray bitmap = ico.mid(22);
        const auto changed = [&](qsizetype at, quint32 value) {
            QByteArray bytes = ico;
            qToLittleEndian<quint32>(value, bytes.data() + at);
            return bytes;
        };
        QTest::newRow("icon") << ico << 1;
        QTest::newRow("cursor") << withDirectory(bitmap, 2, 1) << 1;
        QTest::newRow("300 entries, one picture") << withDirectory(bitmap, 1, 300) << 300;
        QTest::newRow("type 3") << withDirectory(bitmap, 3, 1) << -1;
        QTest::newRow("reserved word not 0") << QByteArray("\1") + ico.mid(1) << -1;
        QTest::newRow("no entries") << withDirectory(bitmap, 1, 0) << -1;
        QTest::newRow("directory cut short") << ico.left(20) << -1;
        QTest::newRow("picture past the end") << ico.left(ico.size() - 1) << -1;
        QTest::newRow("picture inside the directory") << changed(18, 21) << -1;
        QTest::newRow("empty picture") << changed(14, 0) << -1;
    }

    void icoDirectory_sameAnswerAsThePictures()
    {
        QFETCH(QByteArray, icon);
        QFETCH(int, entries);
        QBuffer buffer(&icon);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        const std::optional<std::vector<IcoDirectory::Entry>> directory =
            IcoDirectory::read(buffer, 0, icon.size());
        QCOMPARE(directory ? int(directory->size()) : -1, entries);
        if (directory)
            QCOMPARE(QSize(directory->front().width, directory->front().height), QSize(2, 2));
        QCOMPARE(IconPictures::largest(icon).failed(), !directory);
    }

    void fitted_transparentNeighbour_noFringe()
    {
        QImage picture(2, 1, QImage::Format_ARGB32);
        picture.setPixel(0, 0, qRgba(255, 0, 0, 255));
        picture.setPixel(1, 0, qRgba(0, 255, 0, 0));
        const QImage half = IconPictures::fitted(picture, 1).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(half.size(), QSize(1, 1));
        QCOMPARE(qRed(half.pixel(0, 0)), 255);
        QCOMPARE(qGreen(half.pixel(0, 0)), 0);
        QCOMPARE(IconPictures::fitted(picture, 4), picture);
    }
};

QTEST_GUILESS_MAIN(IconPicturesTest)
#include "tst_IconPictures.moc"
