#pragma once

#include "HostMidiService.h"
#include "JackConnectionTracker.h"
#include "JackFrameScheduler.h"
#include "JackInputDelivery.h"
#include "JackOutputQueue.h"
#include "ThreadWake.h"

#include <QStringList>

#include <jack/jack.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <thread>
#include <vector>

// The host MIDI service on a JACK server: one client "Vantel MIDI" with the ports "Port1 In",
// "Port2 In", "Port1 Out" and "Port2 Out". The devices of a direction are the MIDI ports of the
// other clients, by full name ("client:port"); opening a device connects our port of that
// application port number to it, closing disconnects it. The server is never started for us.
// A virtual open registers a port of the name given ("Vantel MIDI:NAME") for that application port
// instead and connects nothing; the process thread uses it in place of the usual port until the
// close unregisters it, which cuts whatever was connected to it.
//
// The service keeps the client's life; its parts do the rest: JackInputDelivery the inputs (rings,
// framing, the delivery thread and its callbacks), a JackOutputQueue per output (ring and process
// writing, with JackFrameScheduler placing each message at its frame), and a
// JackConnectionTracker per port the bookkeeping of which connections were lost.
//
// Threads (the parts' comments say what each does on them):
// - JACK's process thread runs process(): it must not block or allocate. It hands each input
//   port's buffer to the input delivery, wakes the delivery thread when it wrote, and each output
//   port's buffer to its output queue. The host stamp of an input event is its frame on the
//   server's frame clock.
// - The delivery thread (of JackInputDelivery) calls the input callbacks, without any lock of the
//   service held.
// - Senders (any thread) queue their bytes into the output queue of their port, one sender at a
//   time per port (the output mutex of that port).
// - JACK's notification thread runs the xrun, port-registration, port-connection and shutdown
//   callbacks; they only count, raise a flag, note which connection went and wake our watch
//   thread.
// - Our watch thread does the work those notifications ask for: after a change of the graph it
//   has every port's tracker look at the connections announced gone and the ports still listed,
//   marking open handles lost, and tells the change listeners. After a shutdown it marks every
//   handle lost and tells the listeners, closes the dead client half a second later (once JACK's
//   own threads of it are done), and then tries twice a second to open a client on a server of the
//   same name again; once that succeeds it tells the listeners once more.
// - The client (and our JACK ports with it) is replaced only by the watch thread, under the
//   exclusive client lock; everything else that calls JACK with it holds the lock shared. Lock
//   order: the delivery mutex or an output mutex first, the client lock last.
class JackMidiService : public HostMidiService
{
public:
    JackMidiService();
    ~JackMidiService() override;

    JackMidiService(const JackMidiService&) = delete;
    JackMidiService& operator=(const JackMidiService&) = delete;

    // True when the client is open and the server has not gone away.
    bool isRunning() const;
    bool serverRunning() const override;
    quint64 serverRestarts() const override;
    // The client's name as the server registered it ("Vantel MIDI", or a unique variant of it).
    QString clientName() const;
    // Cycles the server reported as missed (a client, perhaps this one, was late): MIDI data of
    // such a cycle may be lost or repeated by the server.
    quint64 xruns() const;

    QString apiName() const override;
    QVector<HostMidiDevice> inputDevices() override;
    QVector<HostMidiDevice> outputDevices() override;
    qint32 openInput(const QString& device, quint32 portNumber, quint32 bufferSize, InputCallback callback,
                     void* context, Handle* handle) override;
    qint32 startInput(Handle handle) override;
    qint32 stopInput(Handle handle) override;
    qint32 closeInput(Handle handle) override;
    qint32 openOutput(const QString& device, quint32 portNumber, Handle* handle) override;
    qint32 closeOutput(Handle handle) override;
    qint32 sendShort(Handle handle, const quint8* bytes, quint32 length) override;
    qint32 sendShortAt(Handle handle, const quint8* bytes, quint32 length, qint64 dueMicroseconds) override;
    // hostStamp: the frame the input event had (what this service delivers as host stamp).
    qint32 sendShortForwarded(Handle handle, const quint8* bytes, quint32 length, quint64 hostStamp) override;
    qint32 sendLong(Handle handle, const quint8* bytes, quint32 length, quint64* ticket) override;
    bool longDone(Handle handle, quint64 ticket) override;
    bool outputIdle(Handle handle) override;
    bool hasVirtualPorts() const override { return true; }
    qint32 openVirtualInput(const QString& name, quint32 portNumber, quint32 bufferSize,
                            InputCallback callback, void* context, Handle* handle) override;
    qint32 openVirtualOutput(const QString& name, quint32 portNumber, Handle* handle) override;
    QString virtualPortName(Handle handle, bool input) override;
    int virtualPortConnections(Handle handle, bool input) override;
    void settleConnections(int msecs) override;
    bool inputLost(Handle handle) override;
    bool outputLost(Handle handle) override;

private:
    struct ClientCloser
    {
        void operator()(jack_client_t* client) const;
    };

    static int processCallback(jack_nframes_t frames, void* self);
    static void shutdownCallback(void* self);
    static int xrunCallback(void* self);
    static void portRegistrationCallback(jack_port_id_t port, int registered, void* self);
    static void portConnectCallback(jack_port_id_t a, jack_port_id_t b, int connected, void* self);
    // Opens a client on the server, registers our ports and activates it; false when no server
    // answers. Called by the constructor and by the watch thread, never while a client is open.
    bool connectToServer();
    void watchLoop();
    // Has every port's tracker look at the connections announced gone since the last look and at
    // the ports listed now (every open handle is lost with serverGone = true).
    void markLostConnections(bool serverGone);
    // The announced cuts of connections, taken from the notifications' list.
    std::vector<JackConnectionTracker::Cut> takeCuts();
    // The full names of the MIDI ports with those flags, ours included (under the shared client
    // lock, with a client).
    QStringList listedPorts(unsigned long flags) const;
    // Our port's full name, empty without one (under the shared client lock).
    static QString portName(jack_port_t* port);
    // Connects our input or output port of that number to peer (under the delivery or output
    // mutex); true when the connection stands.
    bool connectPeer(bool input, int port, const QString& peer);
    // Disconnects it from peer, if the server and the peer are still there; returns the peers it
    // cut it from (peer or none).
    QStringList disconnectPeer(bool input, int port, const QString& peer);
    // Registers the port of a virtual open; null when the name is no good or taken (under the
    // shared client lock, with a client).
    jack_port_t* registerVirtual(const QString& name, unsigned long flags);
    // Ends the virtual open of our input or output port of that number: once the process thread
    // is done with it the port goes, and every connection to it with it (under the delivery or
    // output mutex). Returns the peers we cut it from, which are none of our peers.
    QStringList unregisterVirtual(bool input, int port);
    // The port of the virtual open of that handle, under the shared client lock; null if none.
    jack_port_t* virtualPort(Handle handle, bool input) const;
    // True once a dead client may be closed without cutting its own threads short.
    bool deadClientSettled() const;
    void process(jack_nframes_t frames);
    QStringList peerPorts(unsigned long peerFlags);
    // When a message should leave: now, at a moment of the monotonic clock, or a constant delay
    // after the input frame it was forwarded from.
    struct Timing
    {
        enum Kind
        {
            Now,
            Due,
            Forwarded
        } kind = Now;
        qint64 dueMicroseconds = 0;
        quint32 inputFrame = 0;
    };
    qint32 queueOutput(Handle handle, const quint8* bytes, quint32 length, quint64* ticket,
                       const Timing& timing);
    // The frame a message goes out at (under the output mutex and the shared client lock).
    jack_nframes_t outputFrame(JackFrameScheduler& scheduler, const Timing& timing);

    mutable std::shared_mutex m_clientLock;
    std::unique_ptr<jack_client_t, ClientCloser> m_client;
    QString m_clientName;
    jack_nframes_t m_sampleRate = 48000;
    // The client the process thread works with; set before activation.
    std::atomic<jack_client_t*> m_processClient{nullptr};
    std::atomic<bool> m_serverGone{false};
    std::atomic<qint64> m_serverGoneAt{0}; // steady milliseconds of the shutdown notification
    // A client whose server went away, until it is closed (watch thread, then the destructor).
    std::unique_ptr<jack_client_t, ClientCloser> m_deadClient;
    bool m_deadClientSeen = false; // watch thread only
    std::atomic<quint64> m_restarts{0};
    std::atomic<quint64> m_xruns{0};
    // Process cycles run so far.
    std::atomic<quint64> m_cycles{0};
    // The first frame of the cycle the process thread works on (or last worked on).
    std::atomic<quint32> m_cycleStart{0};
    // Our JACK ports, replaced with the client (under the exclusive client lock).
    jack_port_t* m_inputPorts[2] = {nullptr, nullptr};
    jack_port_t* m_outputPorts[2] = {nullptr, nullptr};
    // The ports of virtual opens, used by the process thread in place of the usual ones while set;
    // a virtual output being given up, whose buffer is only cleared.
    std::atomic<jack_port_t*> m_virtualInputs[2] = {{nullptr}, {nullptr}};
    std::atomic<jack_port_t*> m_virtualOutputs[2] = {{nullptr}, {nullptr}};
    std::atomic<jack_port_t*> m_retiredOutputs[2] = {{nullptr}, {nullptr}};
    JackInputDelivery m_input;
    JackOutputQueue m_outputs[2];

    struct ConnectionEvent
    {
        jack_port_id_t a;
        jack_port_id_t b;
    };
    // Connections that went, as the notification thread posts them for the watch thread.
    std::mutex m_eventMutex;
    std::vector<ConnectionEvent> m_events;
    ThreadWake m_watchWake;
    std::atomic<bool> m_graphChanged{false};
    std::atomic<bool> m_stopWatch{false};
    std::thread m_watch;
};
