#include "MidiTimingClockTransmittionThread.h"

#include "MidiSender.h"

#include <chrono>
#include <ctime>

namespace {

constexpr quint8 TimingClock = 0xF8;
constexpr quint8 TimingClockKind = 12;

} // namespace

MidiTimingClockTransmittionThread::MidiTimingClockTransmittionThread(MidiSender* sender, Clock clock,
                                                                     QObject* parent)
    : WorkerThread(parent), sender(sender), clock(clock ? std::move(clock) : Clock(&monotonicMicroseconds))
{
    start(QThread::InheritPriority);
    setPriority(QThread::NormalPriority);
}

MidiTimingClockTransmittionThread::~MidiTimingClockTransmittionThread()
{
    stopAndWait();
}

qint64 MidiTimingClockTransmittionThread::monotonicMicroseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

void MidiTimingClockTransmittionThread::setTempo(qint32 tempo)
{
    if (tempo < 1)
        return;
    periodUs.store(quint32(25000000 / tempo), std::memory_order_relaxed);
    // The clock in progress follows the new period.
    wake();
}

void MidiTimingClockTransmittionThread::setPlaying(bool on)
{
    if (isReleased())
        return;
    // Only the GUI thread changes playing. A start is published before playing turns true: a
    // worker that sees playing then also sees the start it belongs to, and never counts from a
    // time the start has not yet set.
    if (on && !playing.load(std::memory_order_acquire)) {
        startedAt.store(clock() + LeadMicroseconds, std::memory_order_release);
        starts.fetch_add(1, std::memory_order_acq_rel);
        playing.store(true, std::memory_order_release);
        emit blinkLed();
    } else if (!on) {
        playing.store(false, std::memory_order_release);
    }
    wake();
}

void MidiTimingClockTransmittionThread::detach()
{
    disconnect(this, &MidiTimingClockTransmittionThread::blinkLed, nullptr, nullptr);
    playing = false;
}

void MidiTimingClockTransmittionThread::wake()
{
    {
        // A worker that found nothing to do under the mutex is now waiting and will be woken.
        std::lock_guard<std::mutex> lock(mutex);
    }
    condition.notify_all();
}

void MidiTimingClockTransmittionThread::run()
{
    quint32 seenStarts = 0; // starts begins at 0, so a start made before the worker runs counts
    std::unique_lock<std::mutex> lock(mutex);
    while (!isStopRequested()) {
        if (!playing.load(std::memory_order_acquire)) {
            condition.wait(lock,
                           [this] { return isStopRequested() || playing.load(std::memory_order_acquire); });
            continue;
        }
        const quint32 startsNow = starts.load(std::memory_order_acquire);
        if (startsNow != seenStarts) {
            // A new start: the time spent stopped does not count, and the quarter note begins
            // now (the lamp was lit by the start itself).
            seenStarts = startsNow;
            last = startedAt.load(std::memory_order_acquire);
            counter = 0;
        }
        lock.unlock();
        const qint64 next = sendDue(clock() + LeadMicroseconds);
        lock.lock();
        if (isStopRequested() || !playing.load(std::memory_order_acquire) ||
            starts.load(std::memory_order_acquire) != seenStarts)
            continue;
        const qint64 sleep = next - LeadMicroseconds - clock();
        if (sleep > 0)
            condition.wait_for(lock, std::chrono::microseconds(sleep));
    }
}

qint64 MidiTimingClockTransmittionThread::sendDue(qint64 now)
{
    const qint64 period = qMax<qint64>(1, periodUs.load(std::memory_order_relaxed));
    if (now > last)
        accumulated += now - last;
    last = now;
    qint64 due = accumulated / period;
    accumulated %= period;
    // The end of the accumulated time is the due time of the latest clock; the others lie whole
    // periods before it.
    const qint64 latest = now - accumulated;
    if (due > MaxCatchUpClocks)
        due = 1;
    for (qint64 i = due - 1; i >= 0 && !isStopRequested(); --i) {
        if (sender != nullptr)
            sender->sendToOutputPorts(&TimingClock, 1, TimingClockKind, 2, false, false,
                                      MidiSender::dueAt(latest - i * period));
        if (++counter >= ClocksPerQuarter) {
            counter = 0;
            emit blinkLed();
        }
    }
    return latest + period;
}
