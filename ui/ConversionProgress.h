#pragma once

#include "package/PackageWriter.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QSemaphore>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>

class QProgressDialog;
class QWidget;

// Runs one conversion for the window on a worker thread, so that the window
// keeps painting however slow the disk is, the final flush included. A
// conversion that is done within `delay` shows nothing; a longer one shows a
// window-modal progress dialog with the bytes written and a Cancel button.
class ConversionProgress
{
public:
    using Job = std::function<WriteResult(const WriteProgress& progress)>;

    ConversionProgress(QWidget* window, QString outputPath, std::chrono::milliseconds delay);
    ~ConversionProgress();
    ConversionProgress(const ConversionProgress&) = delete;
    ConversionProgress& operator=(const ConversionProgress&) = delete;

    // Returns once the job has ended and the dialog is closed, so that the
    // outcome is never told behind it. Keyboard and mouse input to the window is
    // dropped until the dialog shows; the dialog's Cancel stops the job at its
    // next progress report.
    WriteResult run(const Job& job);

    // Asks the job to stop, as Cancel does; for the window when it is closed.
    void cancel() { m_cancelled = true; }

private:
    void showDialog(qint64 written, qint64 total);
    void showProgress(qint64 written, qint64 total);
    void followJob();
    QString labelText(qint64 written, qint64 total) const;

    QWidget* m_window;
    QString m_outputPath;
    std::chrono::milliseconds m_delay;
    QElapsedTimer m_sinceStart;
    QPointer<QProgressDialog> m_dialog;
    // Shared with the worker thread.
    std::atomic<qint64> m_written{0};
    std::atomic<qint64> m_total{-1};
    std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_dialogAsked{false};
    QSemaphore m_dialogShown;
};
