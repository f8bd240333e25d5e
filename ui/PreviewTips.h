#pragma once

#include <QHash>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QThreadPool>

class QLineEdit;

// Shows the path boxes' tooltips (FilePreview) without ever making the window
// wait: the files are read and their pictures decoded on a worker thread, while
// the tip shows what is already known (the path, or the tip the path had last
// time) and is filled in when the worker is done, if the mouse still rests there.
class PreviewTips : public QObject
{
    Q_OBJECT

public:
    explicit PreviewTips(QObject* parent = nullptr);
    // Waits for a preview still being made: at most a moment, its work is bounded.
    ~PreviewTips() override;

    void show(QLineEdit* box, const QString& path, bool isOutput, const QPoint& globalPosition);

    // For tests only: waits until every preview asked for is shown.
    bool waitForDone(int milliseconds) { return m_workers.waitForDone(milliseconds); }

private:
    void finished(quint64 request, const QString& path, const QString& tip);

    QHash<QString, QString> m_lastTips;
    QPointer<QLineEdit> m_box;
    QPoint m_position;
    quint64 m_request = 0;
    QThreadPool m_workers;
};
