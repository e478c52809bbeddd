#include "MidiActivesenseTransmittionThread.h"

#include <chrono>

namespace {

constexpr quint8 ActiveSensing = 0xFE;
constexpr quint8 ActiveSensingKind = 16;

} // namespace

MidiActivesenseTransmittionThread::MidiActivesenseTransmittionThread(MidiSender* output, Clock timeSource,
                                                                     QObject* parent)
    : PeriodicSenderThread(output, std::move(timeSource), parent)
{
    startWorker();
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
    if (on && !was)
        publishStart(clock());
    wake();
}

void MidiActivesenseTransmittionThread::run()
{
    std::unique_lock<std::mutex> lock(mutex);
    bool inInterval = false;
    qint64 start = 0;
    while (!isStopRequested()) {
        if (!inInterval) {
            if (!takeStart(&start)) {
                condition.wait(lock, [this] { return isStopRequested() || startPending(); });
                continue;
            }
            inInterval = true;
        }
        const qint64 due = start + qint64(intervalMs.load(std::memory_order_relaxed)) * 1000;
        const qint64 left = due - clock();
        if (left > 0) {
            condition.wait_for(lock, std::chrono::microseconds(left));
            continue;
        }
        lock.unlock();
        sendByte(&ActiveSensing, ActiveSensingKind, due);
        lock.lock();
        inInterval = false;
        if (transmitting.load(std::memory_order_acquire)) {
            takeStart();
            // The next interval runs from this one's due time; after a stall longer than an
            // interval it starts afresh instead of catching up.
            const qint64 now = clock();
            start = now - due < qint64(intervalMs.load(std::memory_order_relaxed)) * 1000 ? due : now;
            inInterval = true;
        }
    }
}
