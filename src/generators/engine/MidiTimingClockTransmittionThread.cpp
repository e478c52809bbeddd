#include "MidiTimingClockTransmittionThread.h"

#include <chrono>

namespace {

constexpr quint8 TimingClock = 0xF8;
constexpr quint8 TimingClockKind = 12;

} // namespace

MidiTimingClockTransmittionThread::MidiTimingClockTransmittionThread(MidiSender* output, Clock timeSource,
                                                                     QObject* parent)
    : PeriodicSenderThread(output, std::move(timeSource), parent)
{
    startWorker();
}

MidiTimingClockTransmittionThread::~MidiTimingClockTransmittionThread()
{
    stopAndWait();
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
    // time the start has not yet set. The count runs from the button press (plus the lead).
    if (on && !playing.load(std::memory_order_acquire)) {
        publishStart(clock() + LeadMicroseconds);
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

void MidiTimingClockTransmittionThread::run()
{
    std::unique_lock<std::mutex> lock(mutex);
    while (!isStopRequested()) {
        if (!playing.load(std::memory_order_acquire)) {
            condition.wait(lock,
                           [this] { return isStopRequested() || playing.load(std::memory_order_acquire); });
            continue;
        }
        if (takeStart(&last)) {
            // A new start: the time spent stopped does not count, and the quarter note begins
            // now (the lamp was lit by the start itself).
            counter = 0;
        }
        lock.unlock();
        const qint64 next = sendDue(clock() + LeadMicroseconds);
        lock.lock();
        if (isStopRequested() || !playing.load(std::memory_order_acquire) || startPending())
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
        sendByte(&TimingClock, TimingClockKind, latest - i * period);
        if (++counter >= ClocksPerQuarter) {
            counter = 0;
            emit blinkLed();
        }
    }
    return latest + period;
}
