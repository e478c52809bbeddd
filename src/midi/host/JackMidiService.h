#pragma once

#include "HostInputFramer.h"
#include "HostMidiService.h"
#include "SpscByteRing.h"

#include <QStringList>

#include <jack/jack.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <semaphore.h>
#include <thread>

// The host MIDI service on a JACK server: one client "Vantel MIDI" with the ports "Port1 In",
// "Port2 In", "Port1 Out" and "Port2 Out". The devices of a direction are the MIDI ports of the
// other clients, by full name ("client:port"); opening a device connects our port of that
// application port number to it, closing disconnects it. The server is never started for us.
//
// Threads:
// - JACK's process thread runs process(): it must not block or allocate. It copies every input
//   event with its time into a lock-free ring per input port and wakes the delivery thread through
//   a semaphore, and it writes queued output into the port buffers, each event at the frame that
//   corresponds to one period after it was sent (or, for a message sent with a due time, one
//   period after that time), long messages cut to what the buffer takes in one cycle. A long message counts
//   as done once its last byte is in a port buffer.
// - Our delivery thread drains the input rings, frames the bytes (HostInputFramer) and calls the
//   input callbacks, under the delivery mutex, which stopInput and closeInput take so that no
//   callback runs after they return. Callbacks may therefore block without stalling JACK.
// - Senders (any thread) copy their bytes into the output ring of their port, one sender at a time
//   per port (the output mutex of that port).
// - JACK's xrun callback only counts.
// - JACK's shutdown callback only raises a flag: the service then lists no devices and fails every
//   open and send, and the program goes on with its ports not connected.
class JackMidiService : public HostMidiService
{
public:
    JackMidiService();
    ~JackMidiService() override;

    JackMidiService(const JackMidiService&) = delete;
    JackMidiService& operator=(const JackMidiService&) = delete;

    // True when the client is open and the server has not gone away.
    bool isRunning() const;
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
    qint32 sendLong(Handle handle, const quint8* bytes, quint32 length, quint64* ticket) override;
    bool longDone(Handle handle, quint64 ticket) override;

private:
    struct ClientCloser
    {
        void operator()(jack_client_t* client) const;
    };

    struct InputPort
    {
        jack_port_t* port = nullptr;
        SpscByteRing ring{1u << 20};
        std::atomic<bool> started{false};
        bool gapPending = false; // process thread only
        // Delivery side, under the delivery mutex.
        bool open = false;
        QString peer;
        InputCallback callback = nullptr;
        void* context = nullptr;
        std::unique_ptr<HostInputFramer> framer;
    };

    struct OutputPort
    {
        jack_port_t* port = nullptr;
        SpscByteRing ring{1u << 18};
        std::atomic<quint64> completed{0};
        // Set on close: what was queued up to there is dropped, not sent to the next device.
        std::atomic<quint64> flushTo{0};
        std::atomic<quint64> flushCompleted{0};
        // Sender side, under the output mutex.
        std::mutex mutex;
        quint64 queued = 0;
        bool open = false;
        QString peer;
        // Process thread only: the message being written.
        quint32 remaining = 0;
        quint32 length = 0;
        quint32 targetFrame = 0;
    };

    static int processCallback(jack_nframes_t frames, void* self);
    static void shutdownCallback(void* self);
    static int xrunCallback(void* self);
    void process(jack_nframes_t frames);
    void readInput(InputPort& in, jack_nframes_t frames, jack_nframes_t cycleStart);
    void writeOutput(OutputPort& out, jack_nframes_t frames, jack_nframes_t cycleStart);
    void deliveryLoop();
    void deliverInput(InputPort& in);
    QStringList peerPorts(unsigned long peerFlags);
    // dueMicroseconds: on the monotonic clock; below 0 for now.
    qint32 queueOutput(Handle handle, const quint8* bytes, quint32 length, quint64* ticket,
                       qint64 dueMicroseconds = -1);
    // The frame one period after a moment of the monotonic clock.
    jack_nframes_t outputFrame(qint64 dueMicroseconds);
    // Applies change to the input port of handle under the delivery mutex, so no callback runs
    // meanwhile; 1 when that port is not open.
    template <typename Change> qint32 changeOpenInput(Handle handle, Change change);

    std::unique_ptr<jack_client_t, ClientCloser> m_client;
    QString m_clientName;
    jack_nframes_t m_sampleRate = 48000;
    std::atomic<bool> m_serverGone{false};
    std::atomic<quint64> m_xruns{0};
    InputPort m_inputs[2];
    OutputPort m_outputs[2];

    std::mutex m_deliveryMutex;
    sem_t m_wake;
    std::atomic<bool> m_stopDelivery{false};
    std::thread m_delivery;
};
