#pragma once

#include "package/PackageWriter.h"

#include <QCoreApplication>
#include <QPointer>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>

class QProgressDialog;
class QWidget;

// Runs one of the window's jobs on files (a conversion, copying an opened file's icons) on a
// worker thread, so that the window keeps painting however slow the disk, a final flush
// included. A job still running after `delay` shows a window-modal progress dialog then,
// with the bytes written and a Cancel button.
class WorkProgress
{
    Q_DECLARE_TR_FUNCTIONS(WorkProgress)

public:
    using Job = std::function<void(const WriteProgress& progress)>;
    enum class Kind
    {
        Writing,
        Opening,
    };

    // `fileName` names the file written or opened, in the dialog.
    WorkProgress(QWidget* window, Kind kind, const QString& fileName,
                 std::chrono::milliseconds delay);

    // Returns once the job has ended and the dialog is closed, so that no outcome is told
    // behind it; input to the window is dropped until then. The dialog's Cancel makes every
    // later progress report of the job return false.
    void run(const Job& job);

    // Asks the job to stop, as Cancel does; for the window when it is closed.
    void cancel() { m_cancelled = true; }

private:
    void showDialog();
    void followJob();
    QString cancellingText() const;
    QString labelText(qint64 written, qint64 total) const;

    QWidget* m_window;
    Kind m_kind;
    QString m_fileName;
    std::chrono::milliseconds m_delay;
    QPointer<QProgressDialog> m_dialog;
    // Shared with the worker thread.
    std::atomic<qint64> m_written{0};
    std::atomic<qint64> m_total{-1};
    std::atomic<bool> m_cancelled{false};
};
