#pragma once

#include <cerrno>
#include <ctime>
#include <semaphore.h>

// Wakes a thread of a service from any other thread, JACK's process thread included: posting
// neither blocks nor allocates. The woken thread waits for a post at most a given time, so that it
// also looks round now and then (for a stop flag, a server to reach again).
class ThreadWake
{
public:
    ThreadWake() { sem_init(&m_semaphore, 0, 0); }
    ~ThreadWake() { sem_destroy(&m_semaphore); }

    ThreadWake(const ThreadWake&) = delete;
    ThreadWake& operator=(const ThreadWake&) = delete;

    void post() { sem_post(&m_semaphore); }

    // Returns after a post or after milliseconds; posts that came meanwhile are taken as one.
    void waitAtMost(long milliseconds)
    {
        timespec deadline{};
        clock_gettime(CLOCK_REALTIME, &deadline);
        deadline.tv_sec += milliseconds / 1000;
        deadline.tv_nsec += (milliseconds % 1000) * 1000L * 1000L;
        if (deadline.tv_nsec >= 1000000000L) {
            deadline.tv_nsec -= 1000000000L;
            deadline.tv_sec += 1;
        }
        while (sem_timedwait(&m_semaphore, &deadline) != 0 && errno == EINTR) {
        }
        while (sem_trywait(&m_semaphore) == 0) {
        }
    }

private:
    sem_t m_semaphore;
};
