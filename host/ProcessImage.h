#pragma once

#include <QString>
#include <QStringList>

// Running another program in this process's place, where the system can: it
// then gets this process's signals, standard streams and exit status directly,
// and nothing of ours is left waiting on it or outlives it.
namespace ProcessImage {

// Whether replace() can work here (POSIX); elsewhere callers start a child.
bool canReplace();

// Runs `program` with `arguments` (the first being its name) in place of this
// process. Returns only when that failed, with the system's reason.
QString replace(const QString& program, const QStringList& arguments);

} // namespace ProcessImage
