#include "host/ProcessImage.h"

namespace ProcessImage {

// Windows has no exec: its _exec functions start a new process and end this
// one, so a console would stop waiting for the result.
bool canReplace()
{
    return false;
}

QString replace(const QString&, const QStringList&)
{
    return QStringLiteral("Not supported on this system.");
}

} // namespace ProcessImage
