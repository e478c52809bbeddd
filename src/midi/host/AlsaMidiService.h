#pragma once

#include "HostInputFramer.h"
#include "HostMidiService.h"
#include "SpscByteRing.h"
#include "ThreadWake.h"

#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct _snd_seq;
struct snd_midi_event;

// The host MIDI service on the ALSA sequencer, written on alsa-lib. One sequencer client "Vantel
// MIDI" with the ports "Port1 In", "Port2 In", "Port1 Out" and "Port2 Out", and a hidden port that
// hears the system's announcements. The devices of a direction are the other clients' ports that
// can be subscribed in that direction, named as aconnect -l shows them: "client name:port name",
// without the client number (it changes whenever a software client starts again). A name saved
// with the client and port numbers that older builds put in it ("synth:synth 128:0") still finds its device.
// Opening a device subscribes our port of that application port number to it, closing unsubscribes.
// A virtual open renames that port instead ("Vantel MIDI:NAME"), whose capabilities already let any
// client subscribe to it; closing it removes every subscription of the port and gives it its usual
// name back.
//
// Pools: the kernel's queue of received events (input pool) and of our scheduled events (output
// pool) are set to the largest the sequencer allows, 2000 cells, and the library's read and write
// buffers to 256 KB, so that a burst of 2000 short events or a dump of any size arrives whole as
// long as the reader keeps up on average. When the kernel's input queue overflowed all the same,
// it drops what it held; the input counts each such loss (inputOverflows) and tells the change
// listeners, and the framer's open system-exclusive message ends as an error.
//
// Output: short messages are encoded to sequencer events; system-exclusive data goes as SYSEX
// events of at most 256 bytes (what the kernel's MIDI drivers take in one piece), in order. A piece
// the destination refuses because its buffer is full is sent again after a pause, for up to two
// seconds without progress; a send returns once every piece is in the kernel. A message with a
// due time is scheduled on our sequencer queue, whose real time is tied to CLOCK_MONOTONIC when
// it starts.
//
// Threads:
// - The reader thread waits in poll() on the sequencer and a wake-up pipe and reads every event
//   under the sequencer mutex (the only lock around alsa-lib calls on our handle). It only copies
//   each event's bytes and time into a lock-free ring per input (4 MB, so that the kernel's queue
//   is emptied at once even while the program is slow to take a dump) and wakes the delivery
//   thread. When a ring is full, what does not fit is dropped and counted like a kernel overflow.
// - The delivery thread drains the rings, frames the bytes (HostInputFramer) and calls the input
//   callbacks under the input's delivery mutex, which stopInput and closeInput take, so that no
//   callback runs after they return. No other lock of the service is held during a callback: a
//   callback may send, and it may block without the kernel's queue filling meanwhile.
// - Announcements (a client or port came, went or changed; a subscription went) are read on the
//   reader thread: it marks every open handle lost whose peer port left or whose subscription was
//   removed by someone else, and then tells the change listeners, with no lock held.
// - Senders (any thread) hold their output's mutex for one message and the sequencer mutex for
//   each event, never across a pause.
// Lock order: an input's delivery mutex or an output mutex first, the sequencer mutex last.
class AlsaMidiService : public HostMidiService
{
public:
    // inputRingBytes: what each input holds between the reader and the delivery thread (a power of
    // two; tests make it small to see it overflow).
    explicit AlsaMidiService(quint32 inputRingBytes = 1u << 22);
    ~AlsaMidiService() override;

    AlsaMidiService(const AlsaMidiService&) = delete;
    AlsaMidiService& operator=(const AlsaMidiService&) = delete;

    // True when the sequencer could be opened.
    bool isAvailable() const;
    // Our client's number, -1 when not available.
    int clientId() const;

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
    bool hasVirtualPorts() const override { return true; }
    qint32 openVirtualInput(const QString& name, quint32 portNumber, quint32 bufferSize,
                            InputCallback callback, void* context, Handle* handle) override;
    qint32 openVirtualOutput(const QString& name, quint32 portNumber, Handle* handle) override;
    QString virtualPortName(Handle handle, bool input) override;
    int virtualPortConnections(Handle handle, bool input) override;
    bool inputLost(Handle handle) override;
    bool outputLost(Handle handle) override;
    quint64 inputOverflows(Handle handle) override;
    QString listedName(const QString& savedName) const override;

    // "client:port" from the names the sequencer reports; trailing blanks (kernel clients pad
    // their port names) trimmed.
    static QString deviceName(const char* clientName, const char* portName);
    // A saved name with the client and port numbers that older settings carry ("a:b 128:0") without
    // them; any other name as it is.
    static QString withoutAddress(const QString& name);

private:
    struct Address
    {
        int client = -1;
        int port = -1;
    };
    struct Peer
    {
        QString name;
        Address address;
    };
    struct Input
    {
        // Held while a callback runs and by start, stop, open and close.
        std::mutex delivery;
        bool open = false;
        std::atomic<bool> started{false};
        InputCallback callback = nullptr;
        void* context = nullptr;
        std::unique_ptr<HostInputFramer> framer;
        // Under the delivery mutex and the sequencer mutex (the reader reads it under the latter).
        Address peer;
        QString device;
        bool isVirtual = false;
        std::atomic<bool> lost{false};
        std::atomic<quint64> overflows{0};
        // Reader thread to delivery thread: records of size, counter and stamp, then the bytes; a
        // record of size 0 marks data lost at that place.
        std::unique_ptr<SpscByteRing> ring;
        bool gapPending = false; // reader thread only
    };
    struct Output
    {
        std::mutex mutex;
        bool open = false;
        snd_midi_event* encoder = nullptr;
        bool inSysex = false; // the last send ended inside a system-exclusive message
        // Under the output mutex and the sequencer mutex.
        Address peer;
        bool isVirtual = false;
        std::atomic<bool> lost{false};
    };

    // Ports of other clients with these capabilities (under the sequencer mutex).
    std::vector<Peer> peers(unsigned int capabilities) const;
    bool findPeer(const QString& device, unsigned int capabilities, Address* address) const;
    // Renames our port for a virtual open; false when the name is no good or another port of ours
    // has it (under the sequencer mutex).
    bool renameForVirtual(int port, const QString& name);
    // The opens of a port on a device (virtualName empty) or as a port of that name for others to
    // connect to.
    qint32 openInputPort(const QString& device, const QString& virtualName, quint32 portNumber,
                         quint32 bufferSize, InputCallback callback, void* context, Handle* handle);
    qint32 openOutputPort(const QString& device, const QString& virtualName, quint32 portNumber,
                          Handle* handle);
    // Ends a virtual open of our port: removes every subscription to (input) or from it and gives
    // it its usual name back (under the sequencer mutex).
    void releaseVirtual(int port, const char* usualName, bool input);
    // Subscriptions of our port now: to it (input) or from it (under the sequencer mutex).
    int subscriptions(int port, bool input) const;
    void readLoop();
    // Reads what the sequencer holds into the inputs' rings; true when an announcement came or
    // data was lost.
    bool readEvents(snd_midi_event* decoder);
    // Puts one event (size 0: a gap) into an input's ring; false when it did not fit.
    static bool record(Input& in, const quint8* bytes, quint32 size, quint32 counter, quint64 stamp);
    void deliveryLoop();
    void deliver(Input& in);
    // Marks open handles lost whose peer went or whose subscription is gone.
    void markLost();
    // Writes one event (direct, or scheduled when dueMicroseconds >= 0), retrying while the
    // destination is full; 0 on success.
    qint32 writeEvent(Output& out, void* event);
    qint32 sendBytes(Handle handle, const quint8* bytes, quint32 length, qint64 dueMicroseconds);
    qint64 monotonicMicroseconds() const;

    mutable std::mutex m_seqMutex;
    _snd_seq* m_seq = nullptr;
    int m_client = -1;
    int m_inputPorts[2] = {-1, -1};
    int m_outputPorts[2] = {-1, -1};
    int m_announcePort = -1;
    int m_queue = -1;
    qint64 m_queueStartMicroseconds = 0;
    Input m_inputs[2];
    Output m_outputs[2];

    int m_wakePipe[2] = {-1, -1};
    std::atomic<bool> m_stop{false};
    std::thread m_reader;
    ThreadWake m_deliveryWake;
    std::atomic<bool> m_stopDelivery{false};
    std::thread m_delivery;
};
