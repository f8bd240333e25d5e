#include "format/IcoDirectory.h"
#include "pictures/IconPictures.h"
#include "pictures/PictureScaling.h"
#include "pictures/PngCodec.h"

#include <QBuffer>
#include <QTest>
#include <QtEndian>

namespace {

// One pixel's RGBA, as four bytes.
QByteArray rgba(uchar r, uchar g, uchar b, uchar a)
{
    const char bytes[] = {char(r), char(g), char(b), char(a)};
    return QByteArray(bytes, 4);
}

QByteArray pixelAt(const Picture& picture, int x, int y)
{
    return picture.rgba.mid((qsizetype(y) * picture.width + x) * 4, 4);
}

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

// An ICO file of one 2x2 bitmap of `bits` a pixel, bottom-up as ICO files store
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
        QByteArray bytes;
        if (bits == 1) {
            bytes += char((left & 1) << 7 | (right & 1) << 6);
        } else if (bits == 4) {
            bytes += char(left << 4 | right);
        } else if (bits == 8) {
            bytes += char(left);
            bytes += char(right);
        } else {
            for (const int index : {left, right}) {
                bytes += bgr.at(index);
                if (bits == 32)
                    bytes += char(alpha && index != 1 ? 255 : 0);
            }
        }
        return bytes.leftJustified(bits >= 24 ? 8 : 4, '\0');
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

// Icon pictures decoded without Qt Gui: every bitmap depth an icon uses, PNG,
// transparency, and scaling that keeps colours clean at transparent edges.
class IconPicturesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void largest_bitmapDepths_colourAndTransparencyRight_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<bool>("alpha");
        QTest::newRow("1 bit") << 1 << false;
        QTest::newRow("4 bits") << 4 << false;
        QTest::newRow("8 bits") << 8 << false;
        QTest::newRow("24 bits") << 24 << false;
        QTest::newRow("32 bits, alpha channel") << 32 << true;
        QTest::newRow("32 bits, alpha all zero: the mask tells") << 32 << false;
    }

    void largest_bitmapDepths_colourAndTransparencyRight()
    {
        QFETCH(int, bits);
        QFETCH(bool, alpha);

        const Result<Picture> decoded = IconPictures::largest(bitmapIco(bits, alpha));

        QCOMPARE(decoded.reason(), QString());
        const Picture& picture = decoded.value();
        QCOMPARE(picture.width, 2);
        QCOMPARE(picture.height, 2);
        QCOMPARE(pixelAt(picture, 0, 0), rgba(255, 0, 0, 255));
        QCOMPARE(pixelAt(picture, 1, 0).at(3), '\0');
        QCOMPARE(pixelAt(picture, 0, 1), bits == 1 ? rgba(255, 0, 0, 255) : rgba(0, 0, 255, 255));
    }

    void largest_refusedBeforeDecoding_data()
    {
        QTest::addColumn<QByteArray>("icon");
        QTest::addColumn<QString>("expectedError");
        QByteArray huge = PngCodec::encode({1, 1, rgba(1, 2, 3, 4)});
        qToBigEndian<quint32>(4096, huge.data() + 16);
        QByteArray wide = bitmapIco(24, false);
        qToLittleEndian<qint32>(4096, wide.data() + 22 + 4);
        QTest::newRow("PNG wider than 2048 pixels")
            << huge << "It is not an ICO, PNG or BMP picture of at most 2048 by 2048 pixels";
        QTest::newRow("ICO of a bitmap wider than 2048 pixels")
            << wide << "The ICO file lists no picture of at most 2048 by 2048 pixels";
    }

    void largest_refusedBeforeDecoding()
    {
        QFETCH(QByteArray, icon);
        QFETCH(QString, expectedError);
        const Result<Picture> decoded = IconPictures::largest(icon);
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
        const std::optional<QList<IcoDirectory::Entry>> directory =
            IcoDirectory::read(buffer, 0, icon.size());
        QCOMPARE(directory ? int(directory->size()) : -1, entries);
        if (directory)
            QCOMPARE(directory->constFirst().size, QSize(2, 2));
        QCOMPARE(IconPictures::largest(icon).failed(), !directory);
    }

    void pngRoundTrip_sameBytes()
    {
        const Picture picture{2, 1, rgba(10, 20, 30, 40) + rgba(50, 60, 70, 255)};
        const Result<Picture> decoded = IconPictures::largest(PngCodec::encode(picture));
        QVERIFY(!decoded.failed());
        QCOMPARE(decoded->rgba, picture.rgba);
    }

    // A transparent pixel's colour never bleeds into its neighbour.
    void fitted_averagesByArea_weightedByAlpha()
    {
        const Picture picture{2, 1, rgba(255, 0, 0, 255) + rgba(0, 255, 0, 0)};
        const Picture half = PictureScaling::fitted(picture, 1);
        QCOMPARE(half.width, 1);
        QCOMPARE(half.height, 1);
        QCOMPARE(half.rgba, rgba(255, 0, 0, 128));
        QCOMPARE(PictureScaling::fitted(picture, 4).rgba, picture.rgba);
    }
};

QTEST_GUILESS_MAIN(IconPicturesTest)
#include "tst_IconPictures.moc"
