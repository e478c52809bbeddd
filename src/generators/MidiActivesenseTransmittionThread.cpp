#include "MidiActivesenseTransmittionThread.h"

#include "MidiSender.h"
#include "MidiTimingClockTransmittionThread.h"

#include <chrono>

namespace {

constexpr quint8 ActiveSensing = 0xFE;
constexpr quint8 ActiveSensingKind = 16;

} // namespace

MidiActivesenseTransmittionThread::MidiActivesenseTransmittionThread(MidiSender* sender, Clock clock,
                                                                     QObject* parent)
    : WorkerThread(parent), sender(sender),
      clock(clock ? std::move(clock) : Clock(&MidiTimingClockTransmittionThread::monotonicMicroseconds))
{
    start(QThread::InheritPriority);
    setPriority(QThread::NormalPriority);
}

MidiActivesenseTransmittionThread::~MidiActivesenseTransmittionThread()
{
    stopAndWait();
}

void MidiActivesenseTransmittionThread::setInterval(qint32 milliseconds)
{
    if (milliseconds < 1)
        return;
    intervalMs.store(milliseconds, std::memory_order_relaxed);
    wake();
}

void MidiActivesenseTransmittionThread::setTransmitting(bool on)
{
    if (isReleased())
        return;
    const bool was = transmitting.exchange(on, std::memory_order_acq_rel);
    if (on && !was) {
        startedAt.store(clock(), std::memory_order_release);
        starts.fetch_add(1, std::memory_order_acq_rel);
    }
    wake();
}

void MidiActivesenseTransmittionThread::wake()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
    }
    condition.notify_all();
}

void MidiActivesenseTransmittionThread::run()
{
    quint32 seenStarts = 0; // starts begins at 0, so a start made before the worker runs counts
    std::unique_lock<std::mutex> lock(mutex);
    bool inInterval = false;
    qint64 start = 0;
    while (!isStopRequested()) {
        if (!inInterval) {
            if (starts.load(std::memory_order_acquire) == seenStarts) {
                condition.wait(lock, [this, seenStarts] {
                    return isStopRequested() || starts.load(std::memory_order_acquire) != seenStarts;
                });
                continue;
            }
            seenStarts = starts.load(std::memory_order_acquire);
            start = startedAt.load(std::memory_order_acquire);
            inInterval = true;
        }
        const qint64 due = start + qint64(intervalMs.load(std::memory_order_relaxed)) * 1000;
        const qint64 left = due - clock();
        if (left > 0) {
            condition.wait_for(lock, std::chrono::microseconds(left));
            continue;
        }
        lock.unlock();
        if (sender != nullptr)
            sender->sendToOutputPorts(&ActiveSensing, 1, ActiveSensingKind, 2, false, false,
                                      MidiSender::dueAt(due));
        lock.lock();
        inInterval = false;
        if (transmitting.load(std::memory_order_acquire)) {
            seenStarts = starts.load(std::memory_order_acquire);
            // The next interval runs from this one's due time; after a stall longer than an
            // interval it starts afresh instead of catching up.
            const qint64 now = clock();
            start = now - due < qint64(intervalMs.load(std::memory_order_relaxed)) * 1000 ? due : now;
            inInterval = true;
        }
    }
}
