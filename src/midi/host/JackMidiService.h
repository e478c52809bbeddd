#pragma once

#include "HostInputFramer.h"
#include "HostMidiService.h"
#include "JackFrameScheduler.h"
#include "SpscByteRing.h"

#include <QStringList>

#include <jack/jack.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <semaphore.h>
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
// Threads:
// - JACK's process thread runs process(): it must not block or allocate. It copies every input
//   event with its time into a lock-free ring per input port and wakes the delivery thread through
//   a semaphore, and it writes queued output into the port buffers, each event at the frame the
//   JackFrameScheduler gave it when it was queued (a lead after its send, its due time, or its
//   input frame plus a constant delay), long messages cut to what the buffer takes in one cycle.
//   A long message counts as done once its last byte is in a port buffer. The host stamp of an
//   input event is its frame on the server's frame clock.
// - Our delivery thread drains the input rings under the delivery mutex, and frames the bytes
//   (HostInputFramer) and calls the input callbacks without it, marking the port as calling;
//   stopInput and closeInput wait for that mark to clear, so no callback runs after they return.
//   Callbacks may therefore block without stalling JACK, the watch thread or a close of the other
//   port.
// - Senders (any thread) copy their bytes into the output ring of their port, one sender at a time
//   per port (the output mutex of that port).
// - JACK's notification thread runs the xrun, port-registration, port-connection and shutdown
//   callbacks; they only count, raise a flag, note which connection went and wake our watch
//   thread.
// - Our watch thread does the work those notifications ask for: after a change of the graph it
//   marks every open handle as lost whose peer is no longer listed or whose connection was
//   announced gone without our doing, and tells the change listeners. After a shutdown it marks every handle
//   lost and tells the listeners, closes the dead client half a second later (once JACK's own threads of it
//   are done), and then tries twice a second to open a client on a server of the same name again; once that
//   succeeds it tells the listeners once more.
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

    struct InputPort
    {
        jack_port_t* port = nullptr;
        // The port of a virtual open, read in place of port while set.
        std::atomic<jack_port_t*> virtualPort{nullptr};
        SpscByteRing ring{1u << 20};
        std::atomic<bool> started{false};
        bool gapPending = false; // process thread only
        // Delivery side, under the delivery mutex.
        bool open = false;
        // Open on a virtual port: whoever connects is heard, and there is no peer of ours to lose.
        bool isVirtual = false;
        QString peer;
        // Set by the watch thread when the connection to peer went; cleared by open.
        std::atomic<bool> lost{false};
        // Peers we disconnected whose announcement the watch thread has not seen yet.
        QStringList ownDisconnects;
        InputCallback callback = nullptr;
        void* context = nullptr;
        std::unique_ptr<HostInputFramer> framer;
        // Delivery thread: the event being framed; calling: a callback of this port runs (set and
        // cleared under the delivery mutex, which the callback itself runs without).
        std::vector<quint8> event;
        bool calling = false;
    };

    struct OutputPort
    {
        jack_port_t* port = nullptr;
        // The port of a virtual open, written in place of port while set; a virtual port being
        // given up, whose buffer is only cleared.
        std::atomic<jack_port_t*> virtualPort{nullptr};
        std::atomic<jack_port_t*> retiredPort{nullptr};
        SpscByteRing ring{1u << 18};
        std::atomic<quint64> completed{0};
        // Set on close: what was queued up to there is dropped, not sent to the next device.
        std::atomic<quint64> flushTo{0};
        std::atomic<quint64> flushCompleted{0};
        // Sender side, under the output mutex.
        std::mutex mutex;
        quint64 queued = 0;
        bool open = false;
        bool isVirtual = false;
        QString peer;
        // Set by the watch thread when the connection to peer went; cleared by open.
        std::atomic<bool> lost{false};
        // Peers we disconnected whose announcement the watch thread has not seen yet.
        QStringList ownDisconnects;
        // Under the output mutex: the frames messages are written at.
        JackFrameScheduler scheduler;
        // Process thread only: the message being written.
        quint32 remaining = 0;
        quint32 length = 0;
        quint32 targetFrame = 0;
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
    // Marks open handles lost whose peer left or whose connection was cut by someone else (all of
    // them with all = true).
    void markLostConnections(bool all);
    // True when a port of another client with that name and flags is listed (under the shared
    // client lock, with a client).
    bool peerListed(const QString& peer, unsigned long peerFlags) const;
    // Registers the port of a virtual open; null when the name is no good or taken (under the
    // shared client lock, with a client).
    jack_port_t* registerVirtual(const QString& name, unsigned long flags);
    // True once a dead client may be closed without cutting its own threads short.
    bool deadClientSettled() const;
    void process(jack_nframes_t frames);
    void readInput(InputPort& in, jack_nframes_t frames, jack_nframes_t cycleStart);
    void writeOutput(OutputPort& out, jack_nframes_t frames, jack_nframes_t cycleStart);
    void deliveryLoop();
    void deliverInput(InputPort& in);
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
    jack_nframes_t outputFrame(OutputPort& out, const Timing& timing);
    // Applies change to the input port of handle under the delivery mutex, so no callback runs
    // meanwhile; 1 when that port is not open.
    template <typename Change> qint32 changeOpenInput(Handle handle, Change change);

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
    InputPort m_inputs[2];
    OutputPort m_outputs[2];

    std::mutex m_deliveryMutex;
    std::condition_variable m_deliveryIdle;
    sem_t m_wake;
    std::atomic<bool> m_stopDelivery{false};
    std::thread m_delivery;

    struct ConnectionEvent
    {
        jack_port_id_t a;
        jack_port_id_t b;
    };
    // Connections that went, as the notification thread posts them for the watch thread.
    std::mutex m_eventMutex;
    std::vector<ConnectionEvent> m_events;
    sem_t m_watchWake;
    std::atomic<bool> m_graphChanged{false};
    std::atomic<bool> m_stopWatch{false};
    std::thread m_watch;
};
