#include "ui/PathWorkers.h"

namespace {
// How long closing waits for a worker: a preview's work is bounded, a stalled path's not.
constexpr int kWaitAtClose = 1000;
} // namespace

PathWorkers::PathWorkers(QObject* receiver, int maxThreads)
    : m_owner(std::make_shared<Owner>()), m_pool(new QThreadPool)
{
    m_owner->receiver = receiver;
    m_pool->setMaxThreadCount(maxThreads);
}

PathWorkers::~PathWorkers()
{
    {
        const QMutexLocker lock(&m_owner->mutex);
        m_owner->receiver = nullptr;
    }
    // A stalled worker keeps the pool, left to the program's end: it can only post to
    // an Owner that has been cleared.
    m_pool->clear();
    if (m_pool->waitForDone(kWaitAtClose))
        delete m_pool;
}
