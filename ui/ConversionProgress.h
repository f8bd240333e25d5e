#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

#include <chrono>

class QProgressDialog;
class QWidget;

// Progress of one conversion, for the window. A conversion that is done within
// `delay` shows nothing; a longer one shows a modal progress dialog with the bytes
// written and a Cancel button, and keeps the windows painted while it runs.
class ConversionProgress
{
public:
    ConversionProgress(QWidget* window, QString outputPath, std::chrono::milliseconds delay);
    ~ConversionProgress();
    ConversionProgress(const ConversionProgress&) = delete;
    ConversionProgress& operator=(const ConversionProgress&) = delete;

    // Returns false once the user has pressed Cancel.
    bool update(qint64 written, qint64 total);
    // Closes the dialog, before the outcome is told.
    void finish();

private:
    void showDialog(qint64 written, qint64 total);
    void showProgress(qint64 written, qint64 total);
    QString labelText(qint64 written, qint64 total) const;

    QWidget* m_window;
    QString m_outputPath;
    std::chrono::milliseconds m_delay;
    QElapsedTimer m_sinceStart;
    QElapsedTimer m_sinceEvents;
    QPointer<QProgressDialog> m_dialog;
};
