#include "host/ProcessImage.h"

#include <QByteArrayList>
#include <QFile>

#include <cerrno>
#include <unistd.h>
#include <vector>

namespace ProcessImage {

bool canReplace()
{
    return true;
}

QString replace(const QString& program, const QStringList& arguments)
{
    QByteArrayList encoded;
    for (const QString& argument : arguments)
        encoded << QFile::encodeName(argument);
    std::vector<char*> argv;
    for (QByteArray& argument : encoded)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    ::execv(QFile::encodeName(program).constData(), argv.data());
    return qt_error_string(errno) + QLatin1Char('.');
}

} // namespace ProcessImage
