#include "ui/ConversionProgress.h"

#include "runtime/DisplayText.h"
#include "runtime/ProgramInfo.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QLocale>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include <memory>

namespace {
constexpr int kSteps = 1000;

// Drops the mouse and keyboard input meant for the window while no dialog of the
// conversion is shown.
class InputHold : public QObject
{
public:
    InputHold(QWidget* window, const QPointer<QProgressDialog>& dialog)
        : m_window(window), m_dialog(dialog)
    {
        qApp->installEventFilter(this);
    }
    ~InputHold() override { qApp->removeEventFilter(this); }
    InputHold(const InputHold&) = delete;
    InputHold& operator=(const InputHold&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Asked without touching the dialog, which may be in its destructor.
        if (!m_dialog.isNull() || !event->isInputEvent())
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        return widget != nullptr && widget->window() == m_window;
    }

private:
    QWidget* m_window;
    const QPointer<QProgressDialog>& m_dialog;
};
// How often the dialog follows the job: often enough to look alive.
constexpr std::chrono::milliseconds kFollowInterval(30);
} // namespace

ConversionProgress::ConversionProgress(QWidget* window, QString outputPath,
                                       std::chrono::milliseconds delay)
    : m_window(window), m_outputPath(std::move(outputPath)), m_delay(delay)
{}

ConversionProgress::~ConversionProgress()
{
    delete m_dialog.data();
}

WriteResult ConversionProgress::run(const Job& job)
{
    m_sinceStart.start();
    WriteResult result;
    const std::unique_ptr<QThread> worker(QThread::create([&] {
        result = job([this](qint64 written, qint64 total) {
            m_written = written;
            m_total = total;
            // A job that takes longer than the delay always shows its dialog,
            // however quickly it ends after that: it waits for the dialog once.
            if (!m_dialogAsked && m_sinceStart.elapsed() >= m_delay.count()) {
                m_dialogAsked = true;
                QMetaObject::invokeMethod(
                    m_window,
                    [this] {
                        followJob();
                        m_dialogShown.release();
                    },
                    Qt::QueuedConnection);
                m_dialogShown.acquire();
            }
            return !m_cancelled;
        });
    }));
    QTimer follow;
    follow.setInterval(kFollowInterval);
    QObject::connect(&follow, &QTimer::timeout, &follow, [this] { followJob(); });
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    {
        // Until the dialog shows, input to the window is set aside: nothing else
        // may start meanwhile. The dialog, once shown, is window-modal.
        const InputHold hold(m_window, m_dialog);
        worker->start();
        follow.start();
        // Again if the application quits meanwhile: the job ends first.
        while (!worker->isFinished())
            loop.exec();
        worker->wait();
    }
    delete m_dialog.data();
    return result;
}

void ConversionProgress::followJob()
{
    const qint64 total = m_total;
    if (total < 0)
        return;
    if (!m_dialog) {
        if (!m_dialogAsked)
            return;
        showDialog(m_written, total);
    }
    if (m_dialog->wasCanceled())
        m_cancelled = true;
    else
        showProgress(m_written, total);
}

// The dialog is shown whole, with its text and at the size it keeps, so that it
// is never resized while the window manager places it.
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
    QObject::connect(m_dialog, &QProgressDialog::canceled, m_dialog,
                     [this] { m_cancelled = true; });
    showProgress(written, total);
    m_dialog->show();
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
