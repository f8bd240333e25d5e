#pragma once

#include <QMetaObject>
#include <QMutex>
#include <QObject>
#include <QThreadPool>

#include <memory>
#include <utility>

// Runs work on paths beside the window's thread and gives each answer to the window's
// thread, so that a path that stalls (a dead network share) holds a worker, never the
// window, not even when it closes. Belongs to the object that receives the answers,
// which it must not outlive.
class PathWorkers
{
    Q_DISABLE_COPY_MOVE(PathWorkers)

public:
    PathWorkers(QObject* receiver, int maxThreads);
    // Waits a moment for the workers; one still stalled then is left to end
    // with the program, and its answer is dropped.
    ~PathWorkers();

    // Runs `work()` on a worker, then `answer(result)` on the receiver's thread.
    template <typename Work, typename Answer> void run(Work work, Answer answer)
    {
        m_pool->start([owner = m_owner, work = std::move(work), answer = std::move(answer)] {
            auto result = work();
            owner->post([answer, result = std::move(result)] { answer(result); });
        });
    }

    // Drops the work not yet started.
    void clear() { m_pool->clear(); }
    // For tests only: waits until every answer asked for is given.
    bool waitForDone(int milliseconds) { return m_pool->waitForDone(milliseconds); }

private:
    // Lets a worker post to the receiver only while it exists: posting and the clearing
    // at its end take the same lock, and Qt drops what was posted to an object then
    // destroyed.
    struct Owner
    {
        QMutex mutex;
        QObject* receiver;

        template <typename Call> void post(Call call)
        {
            const QMutexLocker lock(&mutex);
            if (receiver != nullptr)
                QMetaObject::invokeMethod(receiver, std::move(call), Qt::QueuedConnection);
        }
    };

    std::shared_ptr<Owner> m_owner;
    QThreadPool* m_pool;
};
