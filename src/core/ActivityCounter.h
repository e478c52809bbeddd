#pragma once

#include <QElapsedTimer>
#include <QThread>

#include <atomic>

// Counts the callers inside a section that another thread must wait out: the sends in flight
// while the window withdraws its ports, the monitor collectors that receive threads let go first.
// Entering and leaving are two atomic operations; only the waiter pays: it yields for a short
// while (the sections are short) and then sleeps in small steps, so a long section costs no core.
// Every wait has a deadline except where the caller documents why none is needed.
class ActivityCounter
{
public:
    class Scope
    {
    public:
        explicit Scope(ActivityCounter& aCounter) : counter(aCounter) { counter.enter(); }
        ~Scope() { counter.leave(); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        ActivityCounter& counter;
    };

    void enter() { count.fetch_add(1, std::memory_order_acq_rel); }
    void leave() { count.fetch_sub(1, std::memory_order_acq_rel); }
    bool isIdle() const { return count.load(std::memory_order_acquire) == 0; }

    // Waits until nobody is inside; msecs < 0 waits without a deadline. true when idle.
    bool waitIdle(int msecs) const
    {
        QElapsedTimer clock;
        clock.start();
        for (int spins = 0; !isIdle(); ++spins) {
            if (msecs >= 0 && clock.elapsed() >= msecs)
                return false;
            if (spins < 64)
                QThread::yieldCurrentThread();
            else
                QThread::usleep(100);
        }
        return true;
    }

private:
    std::atomic<int> count{0};
};
