#include "ui/WorkProgress.h"

#include "files/DisplayText.h"
#include "host/ProgramInfo.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QLocale>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <memory>

namespace {
constexpr int kSteps = 1000;
// How often the dialog follows the job: often enough to look alive.
constexpr std::chrono::milliseconds kFollowInterval(30);
// A size shown with as many digits as any: 931.32 GiB.
constexpr qint64 kWidestSize = 999'999'999'999;

// Drops the window's mouse and keyboard input while a job runs, so that nothing else starts;
// the dialog is a window of its own, so its Cancel still works.
class InputHold : public QObject
{
public:
    explicit InputHold(QWidget* window) : m_window(window) { qApp->installEventFilter(this); }
    ~InputHold() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!event->isInputEvent())
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        return widget != nullptr && widget->window() == m_window;
    }

private:
    QWidget* m_window;
};

// Stays on the screen until the job has ended, so that a Cancel waiting for a
// flush is seen to wait: closing it asks to cancel (once more, harmlessly).
class JobDialog : public QProgressDialog
{
public:
    using QProgressDialog::QProgressDialog;

    void reject() override { Q_EMIT canceled(); }
};
} // namespace

WorkProgress::WorkProgress(QWidget* window, Kind kind, const QString& fileName,
                           std::chrono::milliseconds delay)
    : m_window(window), m_kind(kind), m_fileName(DisplayText::escapeControls(fileName)),
      m_delay(delay)
{}

void WorkProgress::run(const Job& job)
{
    const std::unique_ptr<QThread> worker(QThread::create([&] {
        job([this](qint64 written, qint64 total) {
            m_written = written;
            m_total = total;
            return !m_cancelled;
        });
    }));
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer follow;
    QObject::connect(&follow, &QTimer::timeout, &follow, [this] { followJob(); });
    follow.start(kFollowInterval);
    {
        const InputHold hold(m_window);
        // Without a delay the dialog is there before the job starts, however quickly it ends.
        if (m_delay.count() == 0)
            showDialog();
        else
            QTimer::singleShot(m_delay, &follow, [this] { showDialog(); });
        worker->start();
        // Again if the application quits meanwhile: the job ends first. (An
        // event loop returns at once then, so the job is waited for in steps.)
        while (!worker->isFinished()) {
            loop.exec();
            worker->wait(QDeadlineTimer(kFollowInterval));
        }
        worker->wait();
    }
    delete m_dialog.data();
}

void WorkProgress::followJob()
{
    if (!m_dialog)
        return;
    const qint64 total = m_total;
    if (!m_cancelled) {
        m_dialog->setLabelText(labelText(m_written, total));
        m_dialog->setValue(total > 0 ? int(m_written * kSteps / total) : total == 0 ? kSteps : 0);
    } else if (QPushButton* cancelButton = m_dialog->findChild<QPushButton*>();
               cancelButton != nullptr && cancelButton->isEnabled()) {
        cancelButton->setEnabled(false);
        m_dialog->setLabelText(cancellingText());
    }
}

// Shown whole, with its text and the size it keeps, so it is never resized while placed.
void WorkProgress::showDialog()
{
    m_dialog = new JobDialog(m_window);
    m_dialog->setWindowTitle(ProgramInfo::title);
    m_dialog->setWindowModality(Qt::WindowModal);
    m_dialog->setRange(0, kSteps);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    // Cancel asks the job to stop; the dialog stays until the job has.
    QObject::disconnect(m_dialog, &QProgressDialog::canceled, m_dialog, nullptr);
    QObject::connect(m_dialog, &QProgressDialog::canceled, m_dialog, [this] {
        m_cancelled = true;
        followJob();
    });
    // Measured with its fonts and widest texts: sizes with the most digits, and Cancel's.
    m_dialog->ensurePolished();
    QSize size;
    for (const QString& text : {labelText(kWidestSize - 1, kWidestSize), cancellingText()}) {
        m_dialog->setLabelText(text);
        size = size.expandedTo(m_dialog->sizeHint());
    }
    m_dialog->setFixedSize(size);
    followJob();
    m_dialog->show();
}

QString WorkProgress::cancellingText() const
{
    return tr("Cancelling…\n%1 stays as it was.").arg(m_fileName);
}

QString WorkProgress::labelText(qint64 written, qint64 total) const
{
    if (total < 0)
        return (m_kind == Kind::Opening ? tr("Opening %1…") : tr("Writing %1…")).arg(m_fileName);
    if (m_kind == Kind::Writing && written >= total)
        return tr("Saving %1 to disk…").arg(m_fileName);
    const QLocale locale;
    return (m_kind == Kind::Opening ? tr("Copying the icons of %1…\n%2 of %3")
                                    : tr("Writing %1…\n%2 of %3"))
        .arg(m_fileName, locale.formattedDataSize(written), locale.formattedDataSize(total));
}
