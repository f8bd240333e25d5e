#pragma once

#include "tests/TestSupport.h"

#include <QList>
#include <QSize>

class QProcess;

// Two packages of the icons l.ico and r.ico, as `tvk batch` reads them.
inline constexpr char kTwoRowBatch[] = "name,author,left,right,output\n"
                                       "A,B,l.ico,r.ico,o.tvk\n"
                                       "C,D,r.ico,l.ico,o2.tvk\n";

// A small but real ICO file: one 16x16 image of 40 bytes.
QByteArray smallIco();
// An ICO file whose images are stored as PNG, as icons of 256 pixels and more are.
QByteArray pngIco(const QList<QSize>& sizes);

// What the tests of `tvk`'s commands share: a folder of their own, cleared
// before each test, in which `tvk` runs.
class CliFixture : protected TestFolder
{
protected:
    using Run = TestProcess::Result;

    // The arguments of a command line, split at each space: two spaces give an
    // empty one.
    static QStringList words(const char* line)
    {
        return QString::fromUtf8(line).split(QLatin1Char(' '));
    }

    // Runs `tvk` in this process, in the test's folder, with its standard output
    // and error captured.
    Run tvk(const QStringList& arguments) const;
    Run tvk(const char* line) const { return tvk(words(line)); }

    // Runs the `tvk` executable as a child, where a test needs a process of its
    // own; `environment` adds variables ("NAME=value"), `dataLimit` caps its
    // memory (see TestProcess::run).
    Run tvkChild(const QStringList& arguments, const QStringList& environment = {},
                 qint64 dataLimit = 0) const;

    // Runs a `tvk` child with some system calls failing (see inject/FailingCalls.cpp).
    Run tvkFailing(const QStringList& arguments, const QStringList& failure) const;

    // Starts a `tvk` child and returns once it waits in the system call `call`
    // (Linux only: false elsewhere).
    bool startPaused(QProcess& process, const char* call, const QStringList& arguments) const;

    Run pack(const QString& name, const QString& author, const QString& left, const QString& right,
             const QString& output) const;

    // p.tvk, holding the icons l.ico ("new left") and r.ico ("new right").
    bool packNewIcons() const;
};
