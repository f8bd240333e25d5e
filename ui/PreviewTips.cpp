#include "ui/PreviewTips.h"

#include "ui/FilePreview.h"

#include <QLineEdit>
#include <QToolTip>

namespace {
// Tips of this many paths are kept, to show again at once.
constexpr qsizetype kTipsKept = 16;
} // namespace

PreviewTips::PreviewTips(QObject* parent) : QObject(parent)
{
    // One at a time: a newer request makes an older one's result useless anyway.
    m_workers.setMaxThreadCount(1);
}

PreviewTips::~PreviewTips()
{
    m_workers.clear();
    m_workers.waitForDone();
}

void PreviewTips::show(QLineEdit* box, const QString& path, bool isOutput,
                       const QPoint& globalPosition)
{
    m_box = box;
    m_position = globalPosition;
    const quint64 request = ++m_request;
    const QString known = m_lastTips.value(path, FilePreview::pathOnlyTip(path));
    QToolTip::showText(globalPosition, known, box);

    // Only the newest request is worth making.
    m_workers.clear();
    m_workers.start([this, request, path, isOutput] {
        const QString tip = isOutput ? FilePreview::outputTip(path) : FilePreview::iconTip(path);
        // Queued to the window's thread; this object outlives the worker.
        QMetaObject::invokeMethod(
            this, [this, request, path, tip] { finished(request, path, tip); },
            Qt::QueuedConnection);
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
