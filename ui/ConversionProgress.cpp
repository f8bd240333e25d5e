#include "ui/ConversionProgress.h"

#include "runtime/ProgramInfo.h"

#include <QCoreApplication>
#include <QDir>
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

void ConversionProgress::showDialog()
{
    m_dialog = new QProgressDialog(m_window);
    m_dialog->setWindowTitle(ProgramInfo::title);
    m_dialog->setWindowModality(Qt::WindowModal);
    m_dialog->setRange(0, kSteps);
    m_dialog->setMinimumDuration(0);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->show();
}

bool ConversionProgress::update(qint64 written, qint64 total)
{
    if (!m_dialog) {
        if (m_sinceStart.elapsed() < m_delay.count())
            return true;
        showDialog();
    }
    if (m_dialog->wasCanceled())
        return false;

    const QLocale locale;
    const QString file = QFileInfo(m_outputPath).fileName();
    m_dialog->setLabelText(
        written < total
            ? QCoreApplication::translate("ConversionProgress", "Writing %1…\n%2 of %3")
                  .arg(file, locale.formattedDataSize(written), locale.formattedDataSize(total))
            : QCoreApplication::translate("ConversionProgress", "Saving %1 to disk…").arg(file));
    m_dialog->setValue(total > 0 ? int(written * kSteps / total) : kSteps);
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
