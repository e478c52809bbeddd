#pragma once

#include "PeriodicSenderThread.h"

#include <QtGlobal>

#include <atomic>

// Sends Active Sensing (0xFE) to both output ports once per interval while transmitting.
//
// Threads. The object lives on the GUI thread, which calls setInterval and setTransmitting: they
// store atomics and wake the worker, taking the wait mutex only for the instant the worker needs
// to decide whether to sleep, so the user interface never waits for an interval
// (PeriodicSenderThread). The worker
// thread sleeps on a condition with the end of the interval as its deadline; a wake-up makes it
// look again, so a shorter interval applies to the interval in progress (one already over sends
// at once). Stopping lets the interval in progress end with its message, as a started interval
// promises the receiver; after that the worker sleeps until the next start. Each message carries
// its due time, so a host that places output in time (JACK) puts it on the right frame, and the
// next interval is counted from that due time, so the messages do not drift.
//
// Lifetime. The worker runs from construction. The view calls release() when it closes
// (WorkerThread): the worker ends at once, without the message of the interval in progress.
class MidiActivesenseTransmittionThread : public PeriodicSenderThread
{
    Q_OBJECT

public:
    static constexpr qint32 DefaultInterval = 270; // milliseconds

    // output: not owned, must outlive the worker; may be null (nothing is sent). Starts the worker.
    explicit MidiActivesenseTransmittionThread(MidiSender* output, Clock timeSource = Clock(),
                                               QObject* parent = nullptr);
    ~MidiActivesenseTransmittionThread() override;

    void setInterval(qint32 milliseconds);
    qint32 interval() const { return intervalMs.load(std::memory_order_relaxed); }
    void setTransmitting(bool on);
    bool isTransmitting() const { return transmitting.load(std::memory_order_acquire); }

protected:
    void run() override;

private:
    std::atomic<qint32> intervalMs{DefaultInterval};
    // Only the published starts wake the worker, not this flag: an interval once started ends
    // with its message even when the stop comes before the worker has looked.
    std::atomic<bool> transmitting{false};
};
