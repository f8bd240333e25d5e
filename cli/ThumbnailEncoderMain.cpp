// `tvk-thumbnail-encoder FORMAT`: reads a PNG picture on standard input and
// writes it on standard output in FORMAT, a format of Qt's image writers (jpeg,
// bmp, webp). `tvk-thumbnail` runs it for every format but PNG, so that the PNG
// thumbnails that file managers ask for start without Qt's image code.
#include "cli/EncoderStatus.h"
#include "host/ConsoleText.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>

#include <cstdio>

using EncoderStatus::kFailed;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return kFailed;
    const QByteArray format(argv[1]);
    if (!QImageWriter::supportedImageFormats().contains(format))
        return EncoderStatus::kNoWriter;
    ConsoleText::makeStandardStreamsBinary();
    QFile input;
    QFile output;
    if (!input.open(stdin, QIODevice::ReadOnly) || !output.open(stdout, QIODevice::WriteOnly))
        return kFailed;
    QImage picture;
    if (!picture.loadFromData(input.readAll(), "PNG"))
        return kFailed;
    // A format without transparency shows the picture on white, as a page
    // would, not on the black its transparent pixels would turn into.
    if (format == "jpeg" || format == "bmp") {
        QImage flat(picture.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter(&flat).drawImage(0, 0, picture);
        picture = flat;
    }
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(picture)) {
        std::fputs(qPrintable(writer.errorString()), stderr);
        return kFailed;
    }
    return output.write(encoded) == encoded.size() && output.flush() ? 0 : kFailed;
}
