#pragma once

#include "ui/FilePreview.h"
#include "ui/PathWorkers.h"

#include <QHash>
#include <QObject>
#include <QPoint>
#include <QPointer>

class QLineEdit;

// Shows the path boxes' tooltips (FilePreview) and finds how each icon is marked (not an ICO
// file, a picture) without making the window wait: workers read and decode the files, while the tip
// shows what is known (the path, or its tip of last time), filled in when the worker is done if the
// mouse still rests there. A path that stalls (a dead network share) holds a worker, never the
// window, not even when it closes.
class PreviewTips : public QObject
{
    Q_OBJECT

public:
    explicit PreviewTips(QObject* parent = nullptr);

    // `pictures` says how an icon box's picture is stored.
    void show(QLineEdit* box, const QString& path, bool isOutput, PictureStorage pictures,
              const QPoint& globalPosition);

    // Tells with iconChecked() how the box holding `path` marks it (FilePreview::markOf).
    void checkIcon(const QString& path, PictureStorage pictures);

    // For tests only: waits until every preview and check asked for is told.
    bool waitForDone(int milliseconds);

Q_SIGNALS:
    void iconChecked(const QString& path, const Result<FilePreview::MarkedIcon>& mark);

private:
    void finished(quint64 request, const QString& path, const QString& tip);

    QHash<QString, QString> m_lastTips;
    QPointer<QLineEdit> m_box;
    QPoint m_position;
    quint64 m_request = 0;
    // One at a time each: a newer tip makes an older one's result useless anyway.
    PathWorkers m_tipWorkers{this, 1};
    PathWorkers m_checkWorkers{this, 1};
};
