// Times the window's tooltip for each icon file given, as a worker thread makes
// it when the mouse rests on a path box: milliseconds, then the file's name.
#include "ui/FilePreview.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    for (const QString& path : QCoreApplication::arguments().mid(1)) {
        QElapsedTimer timer;
        timer.start();
        const QString tip = FilePreview::iconTip(path, PictureStorage::MadeIntoIcons);
        out << timer.elapsed() << ' ' << path << ' ' << tip.count(QStringLiteral("<img"))
            << Qt::endl;
    }
    return 0;
}
