#include "ui/ConversionProgress.h"

#include "runtime/DisplayText.h"
#include "runtime/ProgramInfo.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>
#include <QProgressDialog>

namespace {
constexpr int kSteps = 1000;
// How often events are handled while writing: often enough to look alive.
constexpr qint64 kEventIntervalMs = 30;
} // namespace

ConversionProgress::ConversionProgress(QWidget* window, QString outputPath,
                                       std::chrono::milliseconds delay)
    : m_window(window), m_outputPath(std::move(outputPath)), m_delay(delay)
{
    m_sinceStart.start();
}

ConversionProgress::~ConversionProgress()
{
    finish();
}

// The dialog is shown whole, with its text and at the size it keeps, and the
// window manager gets to place and decorate it before the copying goes on, so
// that it is never resized while being placed with events waiting behind the copy.
void ConversionProgress::showDialog(qint64 written, qint64 total)
{
    m_dialog = new QProgressDialog(m_window);
    m_dialog->setWindowTitle(ProgramInfo::title);
    m_dialog->setWindowModality(Qt::WindowModal);
    m_dialog->setRange(0, kSteps);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    // Measured with the fonts it is shown with, and its widest text: the total
    // as written so far, which has the most digits.
    m_dialog->ensurePolished();
    m_dialog->setLabelText(labelText(total - 1, total));
    m_dialog->setFixedSize(m_dialog->sizeHint());
    showProgress(written, total);
    m_dialog->show();
    // Let the window manager take the new window before the copying goes on.
    QCoreApplication::processEvents();
    m_sinceEvents.start();
}

QString ConversionProgress::labelText(qint64 written, qint64 total) const
{
    const QLocale locale;
    const QString file = DisplayText::escapeControls(QFileInfo(m_outputPath).fileName());
    return written < total
               ? QCoreApplication::translate("ConversionProgress", "Writing %1…\n%2 of %3")
                     .arg(file, locale.formattedDataSize(written), locale.formattedDataSize(total))
               : QCoreApplication::translate("ConversionProgress", "Saving %1 to disk…").arg(file);
}

void ConversionProgress::showProgress(qint64 written, qint64 total)
{
    m_dialog->setLabelText(labelText(written, total));
    m_dialog->setValue(total > 0 ? int(written * kSteps / total) : kSteps);
}

bool ConversionProgress::update(qint64 written, qint64 total)
{
    if (!m_dialog) {
        if (m_sinceStart.elapsed() < m_delay.count())
            return true;
        showDialog(written, total);
    }
    if (m_dialog->wasCanceled())
        return false;

    showProgress(written, total);
    if (!m_sinceEvents.isValid() || m_sinceEvents.elapsed() >= kEventIntervalMs) {
        QCoreApplication::processEvents();
        m_sinceEvents.start();
    }
    return !m_dialog->wasCanceled();
}

void ConversionProgress::finish()
{
    delete m_dialog.data();
}
