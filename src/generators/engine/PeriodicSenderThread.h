#pragma once

#include "WorkerThread.h"

#include <QtGlobal>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

class MidiSender;

// What the workers that send one status byte to both output ports on a schedule (the timing clock,
// active sensing) have in common: the sender and the time source, the wait they sleep in, and the
// hand-off of a start from the GUI thread to the worker.
//
// Threads. The GUI thread asks for a start with publishStart (the time it was asked for and a
// count of starts, both atomics) and wakes the worker with wake(), which takes the wait mutex only
// for the instant a worker needs to decide whether to sleep: the user interface never waits for a
// period. The worker sleeps on `condition` while holding `mutex` and releases it while it sends;
// it notices every start with takeStart, even a stop and start between two of its looks, because
// the count only grows. A subclass starts the worker at the end of its constructor (startWorker)
// and calls stopAndWait in its destructor, while its own members still exist.
class PeriodicSenderThread : public WorkerThread
{
    Q_OBJECT

public:
    // The time source, in microseconds; the monotonic clock unless a test injects its own. The
    // worker's sleeps are real time either way.
    using Clock = std::function<qint64()>;

    static qint64 monotonicMicroseconds();

protected:
    // output: not owned, must outlive the worker (WorkerThread::finishReleased); may be null
    // (nothing is sent).
    PeriodicSenderThread(MidiSender* output, Clock timeSource, QObject* parent);

    void startWorker();
    void wake() override;

    // GUI thread: a start asked for at time at.
    void publishStart(qint64 at);
    // Worker: whether a start came since the last take; if so, at (when given) receives its time.
    bool takeStart(qint64* at = nullptr);
    // Worker: whether a start came since the last take, leaving it to be taken.
    bool startPending() const { return starts.load(std::memory_order_acquire) != seenStarts; }

    // Worker: sends the one-byte message (static data: the sender may read it after the call)
    // with its Out-monitor kind to both output ports, due at the given monotonic time.
    void sendByte(const quint8* status, quint8 labelKind, qint64 due);

    const Clock clock;
    std::mutex mutex;
    std::condition_variable condition;

private:
    MidiSender* const sender;
    std::atomic<quint32> starts{0};
    std::atomic<qint64> startedAt{0};
    // Worker thread only. starts begins at 0, so a start made before the worker runs counts.
    quint32 seenStarts = 0;
};
