#include "tests/cli/CliFixture.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QMap>
#include <QPainter>
#include <QStandardPaths>
#include <QTest>
#include <QtEndian>

namespace {

// The sizes `tvk icon` makes by default.
QList<int> allSizes()
{
    return {16, 20, 24, 32, 40, 48, 64, 256};
}

// 0 past the end. Not inlined: GCC's bounds check, under the sanitizers, would see an empty
// array's one byte read past, on a path the size check rules out.
Q_NEVER_INLINE quint16 at16(const QByteArray& bytes, qsizetype at)
{
    return at + 2 <= bytes.size() ? qFromLittleEndian<quint16>(bytes.constData() + at) : 0;
}

Q_NEVER_INLINE quint32 at32(const QByteArray& bytes, qsizetype at)
{
    return at + 4 <= bytes.size() ? qFromLittleEndian<quint32>(bytes.constData() + at) : 0;
}

// The `side`-pixel 32-bit bitmap of an ICO file, its header and AND mask checked: what is
// wrong goes into `wrong`.
QImage bitmapOf(const QByteArray& image, int side, QString& wrong)
{
    const qsizetype maskRow = qsizetype(side + 31) / 32 * 4;
    if (image.size() != 40 + qsizetype(side) * side * 4 + maskRow * qsizetype(side) ||
        at32(image, 0) != 40 || at32(image, 4) != quint32(side) ||
        at32(image, 8) != quint32(2 * side) || at16(image, 12) != 1 || at16(image, 14) != 32 ||
        at32(image, 16) != 0) {
        wrong = QStringLiteral("bitmap header or byte count wrong");
        return {};
    }
    QImage picture(side, side, QImage::Format_ARGB32);
    for (int y = 0; y < side; ++y) {
        const qsizetype row = 40 + qsizetype(side - 1 - y) * side * 4;
        const qsizetype maskAt = 40 + qsizetype(side) * side * 4 + (side - 1 - y) * maskRow;
        for (int x = 0; x < side; ++x) {
            const auto* p =
                reinterpret_cast<const uchar*>(image.constData() + row + qsizetype(x) * 4);
            picture.setPixel(x, y, qRgba(p[2], p[1], p[0], p[3]));
            const bool masked = (quint8(image[maskAt + x / 8]) >> (7 - x % 8)) & 1;
            if (masked != (p[3] == 0) && wrong.isEmpty())
                wrong =
                    QStringLiteral("mask at %1,%2 is not 1 exactly where alpha is 0").arg(x).arg(y);
        }
    }
    return picture;
}

// The pictures of an ICO file by side, read from its bytes here, field by field, as
// Windows reads them; each thing wrong is added to `faults`.
QMap<int, QImage> parsedIcon(const QByteArray& ico, QStringList& faults)
{
    QMap<int, QImage> pictures;
    const auto fault = [&](int side, const QString& what) {
        faults << QStringLiteral("%1: %2").arg(side).arg(what);
    };
    if (ico.size() < 6 || at16(ico, 0) != 0 || at16(ico, 2) != 1) {
        faults << QStringLiteral("no icon header");
        return pictures;
    }
    const int count = at16(ico, 4);
    qsizetype end = 6 + 16 * qsizetype(count);
    if (ico.size() < end) {
        faults << QStringLiteral("directory cut short");
        return pictures;
    }
    for (int i = 0; i < count; ++i) {
        const qsizetype entry = 6 + 16 * qsizetype(i);
        const int side = quint8(ico[entry]) == 0 ? 256 : quint8(ico[entry]);
        if (ico[entry + 1] != ico[entry] || ico[entry + 2] != 0 || ico[entry + 3] != 0 ||
            at16(ico, entry + 4) != 1 || at16(ico, entry + 6) != 32)
            fault(side, QStringLiteral("height, colours, reserved, planes or bits wrong"));
        const qsizetype size = at32(ico, entry + 8);
        const qsizetype offset = at32(ico, entry + 12);
        // Pictures follow the directory and each other, to the file's last byte.
        if (offset != end || offset + size > ico.size()) {
            fault(side, QStringLiteral("offset %1 or byte count %2 wrong").arg(offset).arg(size));
            return pictures;
        }
        end += size;
        const QByteArray image = ico.mid(offset, size);
        if (side == 256) {
            const QImage png = QImage::fromData(image, "PNG");
            if (!image.startsWith("\x89PNG") || png.size() != QSize(256, 256))
                fault(side, QStringLiteral("not a 256-pixel PNG"));
            pictures.insert(side, png.convertToFormat(QImage::Format_ARGB32));
            continue;
        }
        QString wrong;
        const QImage picture = bitmapOf(image, side, wrong);
        if (!wrong.isEmpty())
            fault(side, wrong);
        pictures.insert(side, picture);
    }
    if (end != ico.size())
        faults << QStringLiteral("%1 bytes after the last picture").arg(ico.size() - end);
    return pictures;
}

// A picture with transparent corners, a soft edge and colours: a disc, ringed, on nothing.
QImage drawing(QSize size, QImage::Format format = QImage::Format_ARGB32)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::darkBlue, size.height() / 12.0));
    painter.setBrush(QColor(240, 160, 20));
    const qreal margin = qMin(8.0, size.height() / 8.0);
    painter.drawEllipse(QRectF(QPointF(0, 0), size).adjusted(margin, margin, -margin, -margin));
    painter.end();
    if (format == QImage::Format_Indexed8) {
        // Palette with one transparent entry: what a GIF or a palette PNG holds.
        return image.convertToFormat(format, Qt::ThresholdAlphaDither | Qt::AvoidDither);
    }
    return image.convertToFormat(format);
}

// A 48-pixel GIF of a ringed disc on a transparent ground (Qt writes no GIF).
const char kDiscGif[] =
    "R0lGODlhMAAwAPIAACoba/6lAAAAgAAAAAAAgKNpLgAAAAAAACH5BAEAAAMALAAAAAAwADAAAAPyOLrc/jDK"
    "Sau9OOvNu28EIYwkCRCfBJRsi6aM2M4sAMstUOw8/XI4UiFALBoDBReQNTw6i8nS7xIUPK/GFWlKCTaxYO2I"
    "KykBwGhidGQJpt/mSulNL1HEXzp4TW7M9XAkEjh5gFh8EWKGdSM2EH+LaHaPI4WRT2IRQpdoa5qVnHuClAKW"
    "oVCjD5unT56kpqyuqqCsTrIOkLVFkw+KukYmEYS/altlJMQBvBB4v2uOxyO/y8ImtXFy1qFiAlQlsG9rAn3V"
    "uXos5INMeuLjS+ui6B5VJkP23FI3NPtjMAsh/Gr4e0AAn5l0A0EkXMiwocMMCQAAOw==";

// A rectangle filling its drawing, as an SVG file.
const char kDrawing[] = "<?xml version=\"1.0\"?>\n"
                        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
                        "viewBox=\"0 0 %1 %2\"><rect width=\"%1\" height=\"%2\" "
                        "fill=\"#2060c0\"/></svg>\n";
} // namespace

// `tvk icon`: the ICO files it makes, read field by field here and by readers written by
// others (Qt's, icoutils'), from pictures of each format and kind; what it refuses.
class IconCommandTest : public QObject, private CliFixture
{
    Q_OBJECT

    // The icon `tvk icon` made of the arguments, with its pictures by side, after every
    // check that does not depend on the pictures; fails the test otherwise.
    QMap<int, QImage> made(const QStringList& arguments, const QList<int>& sizes)
    {
        const Run run = tvk(arguments + QStringList{QStringLiteral("-o"), QStringLiteral("o.ico")});
        if (run.exitCode != 0 || !run.err.isEmpty()) {
            qWarning("tvk icon ended with %d: %s", run.exitCode, qPrintable(run.err));
            return {};
        }
        const QByteArray ico = TestFiles::read(path(QStringLiteral("o.ico")));
        QStringList faults;
        QMap<int, QImage> pictures = parsedIcon(ico, faults);
        const QList<int> held(pictures.keyBegin(), pictures.keyEnd());
        if (!faults.isEmpty() || held != sizes) {
            QStringList sides;
            for (const int side : held)
                sides << QString::number(side);
            qWarning("%s; sizes held: %s", qPrintable(faults.join(QStringLiteral("; "))),
                     qPrintable(sides.join(QLatin1Char(' '))));
            return {};
        }
        // Qt's reader: every size, in the order listed.
        QBuffer buffer;
        buffer.setData(ico);
        QImageReader reader(&buffer, "ico");
        for (int i = 0; i < sizes.size(); ++i) {
            QImage read;
            if (!reader.jumpToImage(i) || !reader.read(&read) || read.width() != sizes[i]) {
                qWarning("Qt's reader at %d: %s", sizes[i], qPrintable(reader.errorString()));
                return {};
            }
        }
        return pictures;
    }

private Q_SLOTS:
    void init() { QVERIFY(clear()); }

    void everyFormat_everySizeRightToEveryReader_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<int>("imageFormat");
        QTest::addColumn<bool>("alpha");
        QTest::newRow("PNG, alpha") << QByteArray("png") << int(QImage::Format_ARGB32) << true;
        QTest::newRow("PNG, palette") << QByteArray("png") << int(QImage::Format_Indexed8) << true;
        QTest::newRow("PNG, grey") << QByteArray("png") << int(QImage::Format_Grayscale8) << false;
        QTest::newRow("PNG, 16 bits") << QByteArray("png") << int(QImage::Format_RGBA64) << true;
        QTest::newRow("JPEG") << QByteArray("jpeg") << int(QImage::Format_RGB32) << false;
        QTest::newRow("BMP") << QByteArray("bmp") << int(QImage::Format_RGB32) << false;
        QTest::newRow("GIF, 48 pixels") << QByteArray("gif") << 0 << true;
        if (QImageWriter::supportedImageFormats().contains("webp"))
            QTest::newRow("WebP") << QByteArray("webp") << int(QImage::Format_ARGB32) << true;
        if (TVK_HAS_SVG)
            QTest::newRow("SVG") << QByteArray("svg") << 0 << false;
    }

    void everyFormat_everySizeRightToEveryReader()
    {
        QFETCH(QByteArray, format);
        QFETCH(int, imageFormat);
        QFETCH(bool, alpha);
        const QString file = QStringLiteral("picture.") + QString::fromLatin1(format);
        const QList<int> sizes = format == "gif" ? QList<int>{16, 20, 24, 32, 40, 48} : allSizes();
        if (format == "gif") {
            QVERIFY(TestFiles::write(path(file), QByteArray::fromBase64(kDiscGif)));
        } else if (format == "svg") {
            QVERIFY(TestFiles::write(path(file),
                                     QString::fromLatin1(kDrawing).arg(300).arg(300).toUtf8()));
        } else {
            QImageWriter writer(path(file), format);
            QVERIFY2(writer.write(drawing({300, 300}, QImage::Format(imageFormat))),
                     qPrintable(writer.errorString()));
        }

        const QMap<int, QImage> pictures = made({QStringLiteral("icon"), file}, sizes);

        QCOMPARE(pictures.keys(), sizes);
        for (const QImage& picture : pictures) {
            // The corners are as transparent as the picture's, the centre opaque.
            QCOMPARE(qAlpha(picture.pixel(0, 0)), alpha ? 0 : 255);
            QCOMPARE(qAlpha(picture.pixel(picture.width() / 2, picture.width() / 2)), 255);
        }
        const QString icotool = QStandardPaths::findExecutable(QStringLiteral("icotool"));
        if (icotool.isEmpty())
            QSKIP("icoutils' icotool is not installed");
        const Run listed = TestProcess::run(
            icotool, {QStringLiteral("-l"), QStringLiteral("o.ico")}, m_dir.path());
        QCOMPARE(listed.err, QString());
        QCOMPARE(listed.exitCode, 0);
        for (const int side : sizes)
            QVERIFY2(listed.out.contains(
                         QStringLiteral("--width=%1 --height=%1 --bit-depth=32").arg(side)),
                     qPrintable(listed.out));
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("x")));
        const Run extracted = TestProcess::run(icotool,
                                               {QStringLiteral("-x"), QStringLiteral("-o"),
                                                QStringLiteral("x"), QStringLiteral("o.ico")},
                                               m_dir.path());
        QCOMPARE(extracted.err, QString());
        QCOMPARE(extracted.exitCode, 0);
        QCOMPARE(TestFiles::entries(path(QStringLiteral("x"))).size(), sizes.size());
    }

    // Wider than high, a picture keeps its shape: full width, bands above and below.
    void notSquare_centredBetweenTransparentBands_data()
    {
        QTest::addColumn<bool>("svg");
        QTest::newRow("PNG") << false;
        if (TVK_HAS_SVG)
            QTest::newRow("SVG") << true;
    }

    void notSquare_centredBetweenTransparentBands()
    {
        QFETCH(bool, svg);
        QImage wide(300, 150, QImage::Format_RGB32);
        wide.fill(Qt::darkGreen);
        QVERIFY(svg ? TestFiles::write(path(QStringLiteral("wide.svg")),
                                       QString::fromLatin1(kDrawing).arg(300).arg(150).toUtf8())
                    : wide.save(path(QStringLiteral("wide.png"))));

        const QMap<int, QImage> pictures = made(
            {QStringLiteral("icon"), svg ? QStringLiteral("wide.svg") : QStringLiteral("wide.png")},
            allSizes());

        QCOMPARE(pictures.keys(), allSizes());
        for (const QImage& picture : pictures) {
            const int side = picture.width();
            int shown = 0;
            for (int y = 0; y < side; ++y)
                shown += qAlpha(picture.pixel(side / 2, y)) > 0 ? 1 : 0;
            QVERIFY2(qAbs(shown - side / 2) <= 1, qPrintable(QString::number(side)));
            QCOMPARE(qAlpha(picture.pixel(side / 2, 0)), 0);
            QCOMPARE(qAlpha(picture.pixel(side / 2, side - 1)), 0);
            QCOMPARE(qAlpha(picture.pixel(0, side / 2)), 255);
            QCOMPARE(qAlpha(picture.pixel(side - 1, side / 2)), 255);
        }
    }

    // What drawing programs and other writers save: an SVG whose doctype declares
    // entities; a BMP stored from its top row down (a negative height).
    void unusualHeaders_made()
    {
        QVERIFY(TestFiles::write(
            path(QStringLiteral("ai.svg")),
            "<?xml version=\"1.0\"?>\n<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" "
            "\"http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd\" [\n<!ENTITY ns \"x\">\n]>\n"
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"16\" height=\"16\"/>"));
        if (TVK_HAS_SVG) {
            QCOMPARE(made({QStringLiteral("icon"), QStringLiteral("ai.svg"),
                           QStringLiteral("--sizes"), QStringLiteral("16")},
                          {16})
                         .size(),
                     1);
        }
        QByteArray topDown = TestPictures::encoded(drawing({16, 16}), "BMP");
        qToLittleEndian<qint32>(-16, topDown.data() + 22);
        QVERIFY(TestFiles::write(path(QStringLiteral("down.bmp")), topDown));
        QCOMPARE(made({QStringLiteral("icon"), QStringLiteral("down.bmp")}, {16}).size(), 1);
    }

    void smallPicture_noLargerSizes()
    {
        QVERIFY(drawing({24, 24}).save(path(QStringLiteral("small.png"))));
        QCOMPARE(made({QStringLiteral("icon"), QStringLiteral("small.png")}, {16, 20, 24}).keys(),
                 QList<int>({16, 20, 24}));
    }

    // Each size from its own picture, else the smallest larger one.
    void pictureForItsSize_usedAtThatSize()
    {
        QImage hand(16, 16, QImage::Format_ARGB32);
        hand.fill(Qt::red);
        hand.setPixel(3, 3, qRgba(0, 0, 0, 0));
        QImage large(64, 64, QImage::Format_ARGB32);
        large.fill(Qt::blue);
        QVERIFY(hand.save(path(QStringLiteral("16.png"))));
        QVERIFY(large.save(path(QStringLiteral("64.png"))));

        const QMap<int, QImage> pictures =
            made({QStringLiteral("icon"), QStringLiteral("64.png"), QStringLiteral("16.png")},
                 {16, 20, 24, 32, 40, 48, 64});

        QCOMPARE(pictures.value(16), hand);
        for (const int side : {20, 24, 32, 40, 48, 64})
            QCOMPARE(pictures.value(side).pixel(3, 3), qRgb(0, 0, 255));
    }

    // Colours as the picture's author saw them: a PNG naming sRGB by gAMA 1/2.2 (with sRGB's
    // cHRM or none, as ImageMagick and libpng write it) is taken as sRGB; another is converted.
    void pngColourSpace_srgbByGammaKept_data()
    {
        QTest::addColumn<QByteArray>("chunks");
        QTest::addColumn<bool>("kept");
        const auto gamma = [](quint32 value) {
            QByteArray data(4, '\0');
            qToBigEndian<quint32>(value, data.data());
            return TestPictures::pngChunk("gAMA", data);
        };
        QByteArray primaries(32, '\0');
        const quint32 srgb[] = {31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000};
        for (int i = 0; i < 8; ++i)
            qToBigEndian<quint32>(srgb[i], primaries.data() + qsizetype(4) * i);
        QTest::newRow("gAMA 1/2.2, sRGB's cHRM")
            << gamma(45455) + TestPictures::pngChunk("cHRM", primaries) << true;
        QTest::newRow("gAMA 1/2.2") << gamma(45455) << true;
        QTest::newRow("gAMA 1/1.8") << gamma(55556) << false;
    }

    void pngColourSpace_srgbByGammaKept()
    {
        QFETCH(QByteArray, chunks);
        QFETCH(bool, kept);
        // Shadows, where a 2.2 curve and sRGB's part, and middle tones, where 1.8 and sRGB do.
        QImage dark(16, 16, QImage::Format_RGB32);
        dark.fill(qRgb(10, 10, 10));
        QPainter(&dark).fillRect(8, 0, 8, 16, QColor(100, 100, 100));
        QByteArray png = TestPictures::encoded(dark, "PNG");
        png.insert(33, chunks);
        QVERIFY(TestFiles::write(path(QStringLiteral("dark.png")), png));

        const QMap<int, QImage> pictures =
            made({QStringLiteral("icon"), QStringLiteral("dark.png")}, {16});

        QCOMPARE(pictures.keys(), QList<int>{16});
        const QImage& picture = pictures.value(16);
        QCOMPARE(qRed(picture.pixel(4, 8)) == 10 && qRed(picture.pixel(12, 8)) == 100, kept);
    }

    void refused_fileNamed_nothingWritten_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        // A PNG file whose header says it is `width` by `height`.
        const auto sized = [](QImage::Format format, quint32 width, quint32 height) {
            const QByteArray png = TestPictures::encoded(QImage(1, 1, format), "PNG");
            QByteArray header = png.mid(16, 13);
            qToBigEndian<quint32>(width, header.data());
            qToBigEndian<quint32>(height, header.data() + 4);
            return png.left(8) + TestPictures::pngChunk("IHDR", header) + png.mid(33);
        };
        const QByteArray png = sized(QImage::Format_ARGB32, 8193, 1);
        const QByteArray deep = sized(QImage::Format_RGBA64, 8000, 8000);
        QByteArray tall = TestPictures::encoded(QImage(1, 1, QImage::Format_RGB32), "BMP");
        qToLittleEndian<qint32>(30000, tall.data() + 22);
        const QString bounds = QStringLiteral("a picture may be at most 8192 pixels a side and "
                                              "256 MiB decoded.");
        QTest::newRow("PNG 8193 pixels wide") << png << "It is 8193 by 1 pixels; " + bounds;
        QTest::newRow("BMP 30000 pixels high") << tall << "It is 1 by 30000 pixels; " + bounds;
        QTest::newRow("16-bit PNG of 8000 by 8000")
            << deep << "It is 8000 by 8000 pixels; " + bounds;
        QTest::newRow("ICO file") << smallIco() << QStringLiteral("It is an ICO file already.");
        // Qt SVG would read the file into the icon, with no bound, or wait on a FIFO.
        QTest::newRow("SVG drawing another file")
            << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\"><image href=\"secret.png\" "
                          "width=\"9\" height=\"9\"/></svg>")
            << QStringLiteral("It draws the file 'secret.png' into itself; a drawing made into an "
                              "icon may hold pictures only within it.");
        QTest::newRow("text") << QByteArray("<html></html>")
                              << QStringLiteral(
                                     "It is not a PNG, JPEG, BMP, GIF, WebP or SVG picture.");
    }

    // Told from the header, before any decoding.
    void refused_fileNamed_nothingWritten()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QVERIFY(TestFiles::write(path(QStringLiteral("in.pic")), bytes));

        const Run run = tvk("icon in.pic -o o.ico");

        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, "tvk: Cannot make an icon from in.pic: " + reason + '\n');
        QCOMPARE(TestFiles::entries(m_dir.path()), QStringList(QStringLiteral("in.pic")));
    }

#ifdef TVK_READ_ICON
    // Windows' own reader (see inject/ReadIconWindows.cpp), on icons tvk.exe made: each
    // entry and each size loads at its size, alpha and mask as stored, the bands kept.
    void windowsReader_everySizeAtItsSize_data()
    {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QSize>("size");
        QTest::newRow("PNG") << QStringLiteral("wide.png") << QSize(300, 150);
        QTest::newRow("small PNG") << QStringLiteral("wide.png") << QSize(24, 12);
        if (TVK_HAS_SVG)
            QTest::newRow("SVG") << QStringLiteral("wide.svg") << QSize(300, 150);
    }

    void windowsReader_everySizeAtItsSize()
    {
        QFETCH(QString, picture);
        QFETCH(QSize, size);
        QVERIFY(
            picture.endsWith(QLatin1String(".svg"))
                ? TestFiles::write(
                      path(picture),
                      QString::fromLatin1(kDrawing).arg(size.width()).arg(size.height()).toUtf8())
                : drawing(size).save(path(picture)));
        QCOMPARE(tvkChild({QStringLiteral("icon"), picture, QStringLiteral("-o"),
                           QStringLiteral("o.ico")})
                     .exitCode,
                 0);
        const Run read =
            TestProcess::run(QStringLiteral(TVK_READ_ICON),
                             {QStringLiteral("o.ico"), QStringLiteral("--banded")}, m_dir.path());
        QVERIFY2(read.exitCode == 0, qPrintable(read.out));
    }
#endif

    void noPicture_refused()
    {
        const Run run = tvk("icon -o o.ico");
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains(QStringLiteral("PICTURE")), qPrintable(run.err));
        QCOMPARE(TestFiles::entries(m_dir.path()), QStringList());
    }
};

QTEST_GUILESS_MAIN(IconCommandTest)
#include "tst_icon.moc"
