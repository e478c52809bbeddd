#pragma once

#include <QThread>

#include <atomic>

// A worker thread whose owner (a view) may go away while the worker is still inside a send.
//
// The owner never waits for the worker on the GUI thread. Closing the view calls release(): the
// object drops every link to its owner and the model (detach), asks the worker to stop (wake
// breaks any wait it is in) and deletes itself on the GUI thread once the worker has ended, at
// once when it is not running. Released workers are kept in one registry, so that the program's
// exit can wait for them, for a bounded time, before the sender they use is destroyed
// (finishReleased). Editor transmissions, the repeat thread, the timing clock and active sensing
// all end this way.
class WorkerThread : public QThread
{
    Q_OBJECT

public:
    explicit WorkerThread(QObject* parent = nullptr);
    // Stops and waits for the worker: only for one that is idle or known to end soon. Owners in a
    // hurry call release().
    ~WorkerThread() override;

    // Asks the worker to end at its next check and wakes it from any wait. Any thread.
    void requestStop();
    bool isStopRequested() const { return stopRequested.load(std::memory_order_acquire); }

    // Hands the object over to itself; the caller must not use the pointer afterwards. GUI thread.
    void release();
    bool isReleased() const { return released; }

    // Waits up to msecs for every released worker to end and deletes those that did; true when
    // none is left. GUI thread, at shutdown.
    static bool finishReleased(int msecs);
    static int releasedCount();

protected:
    // Drops the links to the owner and the model and disconnects the reports. GUI thread, once,
    // from release().
    virtual void detach() {}
    // Breaks the worker out of whatever it waits on (a condition, a pause). Any thread.
    virtual void wake() {}
    // For destructors of subclasses: stop, wake and wait while their members still exist.
    void stopAndWait();

private:
    std::atomic<bool> stopRequested{false};
    bool released = false;
};
