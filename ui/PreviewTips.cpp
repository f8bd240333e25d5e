#include "ui/PreviewTips.h"

#include "ui/FilePreview.h"

#include <QLineEdit>
#include <QMutex>
#include <QThreadPool>
#include <QToolTip>

namespace {
// Tips of this many paths are kept, to show again at once.
constexpr qsizetype kTipsKept = 16;
// How long closing waits for a worker: a preview's work is bounded, a stalled path's not.
constexpr int kWaitAtClose = 1000;

// Waits for the pool's workers, or leaves them, and the pool, to the program's
// end if one is stalled: it can only post to an Owner that has been cleared.
void finishOrLeave(QThreadPool* pool)
{
    pool->clear();
    if (pool->waitForDone(kWaitAtClose))
        delete pool;
}
} // namespace

// Lets a worker post to the PreviewTips only while it exists: posting and the clearing at
// its end take the same lock, and Qt drops what was posted to an object then destroyed.
struct PreviewTips::Owner
{
    QMutex mutex;
    PreviewTips* tips;

    // Calls `call(tips)` on the window's thread.
    template <typename Call> void post(Call call)
    {
        const QMutexLocker lock(&mutex);
        if (tips == nullptr)
            return;
        QMetaObject::invokeMethod(
            tips, [to = tips, call = std::move(call)] { call(to); }, Qt::QueuedConnection);
    }
};

PreviewTips::PreviewTips(QObject* parent)
    : QObject(parent), m_owner(std::make_shared<Owner>()), m_tipWorkers(new QThreadPool),
      m_checkWorkers(new QThreadPool)
{
    m_owner->tips = this;
    // One at a time: a newer request makes an older one's result useless anyway.
    m_tipWorkers->setMaxThreadCount(1);
    m_checkWorkers->setMaxThreadCount(1);
}

PreviewTips::~PreviewTips()
{
    {
        const QMutexLocker lock(&m_owner->mutex);
        m_owner->tips = nullptr;
    }
    finishOrLeave(m_tipWorkers);
    finishOrLeave(m_checkWorkers);
}

bool PreviewTips::waitForDone(int milliseconds)
{
    return m_tipWorkers->waitForDone(milliseconds) && m_checkWorkers->waitForDone(milliseconds);
}

void PreviewTips::show(QLineEdit* box, const QString& path, bool isOutput,
                       const QPoint& globalPosition)
{
    m_box = box;
    m_position = globalPosition;
    const quint64 request = ++m_request;
    QToolTip::showText(globalPosition, m_lastTips.value(path, FilePreview::pathOnlyTip(path)), box);

    // Only the newest request is worth making.
    m_tipWorkers->clear();
    m_tipWorkers->start([owner = m_owner, request, path, isOutput] {
        const QString tip = isOutput ? FilePreview::outputTip(path) : FilePreview::iconTip(path);
        owner->post([=](PreviewTips* tips) { tips->finished(request, path, tip); });
    });
}

void PreviewTips::checkIcon(const QString& path)
{
    m_checkWorkers->start([owner = m_owner, path] {
        const bool notIco = FilePreview::isReadableButNotIco(path);
        owner->post([=](PreviewTips* tips) { Q_EMIT tips->iconChecked(path, notIco); });
    });
}

void PreviewTips::finished(quint64 request, const QString& path, const QString& tip)
{
    if (m_lastTips.size() >= kTipsKept && !m_lastTips.contains(path))
        m_lastTips.clear();
    m_lastTips.insert(path, tip);
    // Shown only if the mouse still rests on the box it was asked for.
    if (request == m_request && m_box && QToolTip::isVisible() && QToolTip::text() != tip)
        QToolTip::showText(m_position, tip, m_box);
}
