#include "WorkerThread.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QSet>

namespace {

QMutex& registryMutex()
{
    static QMutex mutex;
    return mutex;
}

QSet<WorkerThread*>& releasedThreads()
{
    static QSet<WorkerThread*> threads;
    return threads;
}

} // namespace

WorkerThread::WorkerThread(QObject* parent) : QThread(parent) {}

WorkerThread::~WorkerThread()
{
    // Subclasses stop their worker in their own destructor (stopAndWait); this is the last guard
    // for one that did not need to.
    requestStop();
    wait();
    QMutexLocker lock(&registryMutex());
    releasedThreads().remove(this);
}

void WorkerThread::requestStop()
{
    stopRequested.store(true, std::memory_order_release);
    wake();
}

void WorkerThread::stopAndWait()
{
    requestStop();
    wait();
}

void WorkerThread::release()
{
    if (released)
        return;
    released = true;
    detach();
    {
        QMutexLocker lock(&registryMutex());
        releasedThreads().insert(this);
    }
    requestStop();
    connect(this, &QThread::finished, this, &QObject::deleteLater);
    // Connected first: a worker ending right now is either seen as not running or reports its end.
    // One that is not running goes at once, so that nothing is left for an event loop that may
    // never run again (a window destroyed at exit); the destructor's wait is then immediate.
    if (!isRunning())
        delete this;
}

bool WorkerThread::finishReleased(int msecs)
{
    QElapsedTimer clock;
    clock.start();
    QList<WorkerThread*> threads;
    {
        QMutexLocker lock(&registryMutex());
        threads = releasedThreads().values();
    }
    for (WorkerThread* thread : threads) {
        const qint64 left = qMax<qint64>(0, msecs - clock.elapsed());
        if (thread->wait(static_cast<unsigned long>(left)))
            delete thread;
    }
    return releasedCount() == 0;
}

int WorkerThread::releasedCount()
{
    QMutexLocker lock(&registryMutex());
    return releasedThreads().size();
}
