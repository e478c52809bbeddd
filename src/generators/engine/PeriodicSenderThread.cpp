#include "PeriodicSenderThread.h"

#include "MidiSender.h"

#include <ctime>

PeriodicSenderThread::PeriodicSenderThread(MidiSender* output, Clock timeSource, QObject* parent)
    : WorkerThread(parent), clock(timeSource ? std::move(timeSource) : Clock(&monotonicMicroseconds)),
      sender(output)
{
}

qint64 PeriodicSenderThread::monotonicMicroseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

void PeriodicSenderThread::startWorker()
{
    start(QThread::InheritPriority);
    setPriority(QThread::NormalPriority);
}

void PeriodicSenderThread::wake()
{
    {
        // A worker that found nothing to do under the mutex is now waiting and will be woken.
        std::lock_guard<std::mutex> lock(mutex);
    }
    condition.notify_all();
}

void PeriodicSenderThread::publishStart(qint64 at)
{
    startedAt.store(at, std::memory_order_release);
    starts.fetch_add(1, std::memory_order_acq_rel);
}

bool PeriodicSenderThread::takeStart(qint64* at)
{
    const quint32 now = starts.load(std::memory_order_acquire);
    if (now == seenStarts)
        return false;
    seenStarts = now;
    if (at != nullptr)
        *at = startedAt.load(std::memory_order_acquire);
    return true;
}

void PeriodicSenderThread::sendByte(const quint8* status, quint8 labelKind, qint64 due)
{
    if (sender != nullptr)
        sender->sendToOutputPorts(status, 1, labelKind, 2, false, false, MidiSender::dueAt(due));
}
