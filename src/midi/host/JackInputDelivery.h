#pragma once

#include "HostInputFramer.h"
#include "HostMidiService.h"
#include "JackConnectionTracker.h"
#include "SpscByteRing.h"
#include "ThreadWake.h"

#include <QString>

#include <jack/jack.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// The input side of the JACK service: for each of our two input ports a lock-free ring the
// process thread fills, the connection to the port's peer, the framer and the callback, and the
// delivery thread that drains the rings and calls the callbacks.
//
// Threads:
// - JACK's process thread runs readCycle(): it must not block or allocate. It copies every input
//   event of a started port with its time into the port's ring (the host stamp of an event is its
//   frame on the server's frame clock) and wakes the delivery thread (wake()). An event that finds
//   the ring full is dropped, and an empty record marks the gap in its place.
// - The delivery thread drains the rings under the delivery mutex, and frames the bytes
//   (HostInputFramer) and calls the input callbacks without it, marking the port as calling;
//   stop and close wait for that mark to clear, so no callback runs after they return. Callbacks
//   may therefore block without stalling JACK, the watch thread or a close of the other port.
// - Open, start, stop and close (any thread) and the JACK service's watch thread
//   (withConnection) change a port under the delivery mutex. The JACK calls they make through
//   the functions they are handed take the service's client lock inside it: the delivery mutex
//   comes first, the client lock last.
class JackInputDelivery
{
public:
    static constexpr int PortCount = 2;

    JackInputDelivery();
    ~JackInputDelivery();

    JackInputDelivery(const JackInputDelivery&) = delete;
    JackInputDelivery& operator=(const JackInputDelivery&) = delete;

    void startThread();
    // Returns once the delivery thread has ended; no callback runs after that.
    void stopThread();
    // Wakes the delivery thread to look at the rings (and at whether it should end).
    void wake();

    // Process thread: copies the events of port's buffer of the cycle that starts at cycleStart
    // into its ring, if the port is started. True when it wrote anything.
    bool readCycle(int port, void* buffer, jack_client_t* client, jack_nframes_t cycleStart);

    // Opens port: connect(connection) makes the connection and opens connection on it (under the
    // delivery mutex), or returns false. 0 on success, 1 when the port is open already or the
    // connection failed.
    qint32 open(int port, quint32 bufferSize, HostMidiService::InputCallback callback, void* context,
                const std::function<bool(JackConnectionTracker& connection)>& connect);
    qint32 start(int port);
    qint32 stop(int port);
    // Closes port: disconnect(connection) cuts the connection and returns the peers it cut the
    // port from (under the delivery mutex, after the port's callback has ended). 1 when the port is
    // not open.
    qint32 close(int port,
                 const std::function<QStringList(const JackConnectionTracker& connection)>& disconnect);
    bool lost(int port) const;

    // use(connection) with the connection of port, under the delivery mutex (the watch thread's
    // review of the graph).
    void withConnection(int port, const std::function<void(JackConnectionTracker& connection)>& use);

private:
    struct Port
    {
        SpscByteRing ring{1u << 20};
        std::atomic<bool> started{false};
        bool gapPending = false; // process thread only
        // Delivery side, under the delivery mutex.
        JackConnectionTracker connection;
        HostMidiService::InputCallback callback = nullptr;
        void* context = nullptr;
        std::unique_ptr<HostInputFramer> framer;
        // Delivery thread: the event being framed; calling: a callback of this port runs (set and
        // cleared under the delivery mutex, which the callback itself runs without).
        std::vector<quint8> event;
        bool calling = false;
    };

    void deliveryLoop();
    void deliver(Port& in);
    // Applies change to port under the delivery mutex, so no callback runs meanwhile; 1 when that
    // port is not open.
    template <typename Change> qint32 changeOpen(int port, Change change);

    Port m_ports[PortCount];
    std::mutex m_mutex;
    std::condition_variable m_idle;
    ThreadWake m_wake;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
