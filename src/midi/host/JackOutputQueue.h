#pragma once

#include "JackConnectionTracker.h"
#include "JackFrameScheduler.h"
#include "SpscByteRing.h"

#include <QString>
#include <QStringList>

#include <jack/jack.h>

#include <atomic>
#include <functional>
#include <mutex>

// The output side of one of our JACK ports: the connection to its peer, a lock-free ring of
// messages with the frame each is due at, and the count of bytes that left.
//
// Threads:
// - Senders (any thread) queue their bytes one at a time (the output mutex). The frame a message
//   goes out at is given by the function they hand in, under the output mutex, from the port's
//   JackFrameScheduler: a lead after its send, its due time, or its input frame plus a constant
//   delay.
// - JACK's process thread runs writeCycle(): it must not block or allocate. It writes each message
//   into the port's buffer at its frame, long messages cut to what the buffer takes in one cycle; a
//   long message counts as done once its last byte is in a port buffer.
// - Open, close and the JACK service's watch thread (withConnection) change the port under the
//   output mutex. The JACK calls made through the functions they are handed take the service's
//   client lock inside it: the output mutex comes first, the client lock last.
class JackOutputQueue
{
public:
    JackOutputQueue() = default;
    JackOutputQueue(const JackOutputQueue&) = delete;
    JackOutputQueue& operator=(const JackOutputQueue&) = delete;

    // Opens the port: connect(connection) makes the connection and opens connection on it (under
    // the output mutex), or returns false. 0 on success, 1 when the port is open already or the
    // connection failed.
    qint32 open(const std::function<bool(JackConnectionTracker& connection)>& connect);
    // Closes the port: disconnect(connection) cuts the connection and returns the peers it cut the
    // port from. What was queued up to here is dropped, not sent to the next peer. 1 when the port
    // is not open.
    qint32 close(const std::function<QStringList(const JackConnectionTracker& connection)>& disconnect);

    // Queues one message; place(scheduler, frame) says at which frame it goes out, or false when
    // it cannot go at all (no server). 1 when the port is closed or lost, the ring is full or place
    // fails; else 0 and *ticket for done().
    qint32 queue(const quint8* bytes, quint32 length, quint64* ticket,
                 const std::function<bool(JackFrameScheduler& scheduler, quint32* frame)>& place);
    // True once the message of ticket has left.
    bool done(quint64 ticket) const { return m_completed.load(std::memory_order_acquire) >= ticket; }
    // True once everything queued has left.
    bool idle();
    bool lost() const { return m_connection.lost(); }

    // use(connection) under the output mutex (the watch thread's review of the graph).
    void withConnection(const std::function<void(JackConnectionTracker& connection)>& use);

    // A connection just made carries data only from a later cycle on (the server switches its graph
    // between cycles): until the process thread's cycle count reaches cycle, what is queued waits
    // in the ring instead of going into a buffer nobody reads yet. Set by open's connect function.
    void holdUntilCycle(quint64 cycle) { m_holdUntilCycle.store(cycle, std::memory_order_release); }

    // Process thread: writes what is due in the cycle of frames frames that starts at cycleStart
    // into buffer (the port's buffer of this cycle); cycle counts the process thread's cycles.
    void writeCycle(void* buffer, jack_nframes_t frames, jack_nframes_t cycleStart, jack_nframes_t sampleRate,
                    quint64 cycle);

private:
    SpscByteRing m_ring{1u << 18};
    std::atomic<quint64> m_completed{0};
    // Set on close: what was queued up to there is dropped, not sent to the next device.
    std::atomic<quint64> m_flushTo{0};
    std::atomic<quint64> m_flushCompleted{0};
    std::atomic<quint64> m_holdUntilCycle{0};
    // Sender side, under the output mutex.
    std::mutex m_mutex;
    quint64 m_queued = 0;
    JackConnectionTracker m_connection;
    JackFrameScheduler m_scheduler;
    // Process thread only: the message being written.
    quint32 m_remaining = 0;
    quint32 m_length = 0;
    quint32 m_targetFrame = 0;
};
