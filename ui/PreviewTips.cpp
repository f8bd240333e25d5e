#include "ui/PreviewTips.h"

#include "ui/FilePreview.h"

#include <QLineEdit>
#include <QToolTip>

namespace {
// Tips of this many paths are kept, to show again at once.
constexpr qsizetype kTipsKept = 16;
} // namespace

PreviewTips::PreviewTips(QObject* parent) : QObject(parent) {}

bool PreviewTips::waitForDone(int milliseconds)
{
    return m_tipWorkers.waitForDone(milliseconds) && m_checkWorkers.waitForDone(milliseconds);
}

void PreviewTips::show(QLineEdit* box, const QString& path, bool isOutput, PictureStorage pictures,
                       const QPoint& globalPosition)
{
    m_box = box;
    m_position = globalPosition;
    const quint64 request = ++m_request;
    QToolTip::showText(globalPosition, m_lastTips.value(path, FilePreview::pathOnlyTip(path)), box);

    // Only the newest request is worth making.
    m_tipWorkers.clear();
    m_tipWorkers.run(
        [path, isOutput, pictures] {
            return isOutput ? FilePreview::outputTip(path) : FilePreview::iconTip(path, pictures);
        },
        [this, request, path](const QString& tip) { finished(request, path, tip); });
}

void PreviewTips::checkIcon(const QString& path, PictureStorage pictures)
{
    m_checkWorkers.run([path, pictures] { return FilePreview::markOf(path, pictures); },
                       [this, path](const Result<FilePreview::MarkedIcon>& mark) {
                           Q_EMIT iconChecked(path, mark);
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
