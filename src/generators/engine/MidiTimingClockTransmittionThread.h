#pragma once

#include "PeriodicSenderThread.h"

#include <QtGlobal>

#include <atomic>

// Sends MIDI Timing Clock (0xF8) at 24 clocks per quarter note to both output ports.
//
// Threads. The object lives on the GUI thread, which calls setTempo and setPlaying: they store
// atomics and wake the worker, and never wait for more than the worker's own short look at its
// flags (the worker holds the wait mutex only to decide whether to sleep, never while it sends;
// PeriodicSenderThread).
// The worker thread keeps the schedule: time runs on the monotonic clock in microseconds, the
// time since the last accounting is added to an accumulator, every whole period in it is a clock
// due (the remainder stays, so nothing drifts and a late wake-up is made up), and between clocks
// the worker sleeps until the next one is due, a little early, handing each clock's due time to
// the sender so that a host that places output in time (JACK) puts it on the right frame whatever
// the scheduler did. When more than a few periods are due at once (the machine slept, the process
// stalled) the backlog is dropped instead of sent in a burst. Every 24 clocks the worker emits
// blinkLed, which reaches the view's lamp through a queued connection; it never touches a widget.
//
// Lifetime. The worker runs from construction, asleep while stopped. The view calls release()
// when it closes (WorkerThread): the worker ends at its next look at the stop flag, within a
// clock period at most, and no clock goes out after that.
class MidiTimingClockTransmittionThread : public PeriodicSenderThread
{
    Q_OBJECT

public:
    static constexpr quint32 ClocksPerQuarter = 24;
    static constexpr qint32 DefaultTempo = 900; // tenths of BPM
    // How much earlier than a clock's due time the worker acts, so that a late wake-up still
    // reaches the host before the clock's frame.
    static constexpr qint64 LeadMicroseconds = 200;
    // More periods due than this at once is a stall, not lateness: the backlog is dropped.
    static constexpr qint64 MaxCatchUpClocks = 4;

    // output: not owned, must outlive the worker (WorkerThread::finishReleased); may be null (nothing
    // is sent). Starts the worker.
    explicit MidiTimingClockTransmittionThread(MidiSender* output, Clock timeSource = Clock(),
                                               QObject* parent = nullptr);
    ~MidiTimingClockTransmittionThread() override;

    // tempo in tenths of BPM; values below 1 are ignored. Applies from the next clock.
    void setTempo(qint32 tempo);
    // Microseconds per clock.
    quint32 period() const { return periodUs.load(std::memory_order_relaxed); }
    // Starting lights the lamp at once (blinkLed) and counts the next quarter note afresh.
    void setPlaying(bool on);
    bool isPlaying() const { return playing.load(std::memory_order_acquire); }

Q_SIGNALS:
    void blinkLed();

protected:
    void run() override;
    void detach() override;

private:
    // Sends the clocks due at time now (already advanced by the lead); returns the time the next
    // one is due.
    qint64 sendDue(qint64 now);

    std::atomic<quint32> periodUs{25000000u / DefaultTempo};
    std::atomic<bool> playing{false};

    // Worker thread only.
    qint64 accumulated = 0;
    qint64 last = 0;
    quint32 counter = 0;
};
