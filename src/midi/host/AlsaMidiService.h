#pragma once

#include "HostInputFramer.h"
#include "HostMidiService.h"

#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

class RtMidiIn;
class RtMidiOut;

// The host MIDI service on the ALSA sequencer, through RtMidi. Every open creates its own RtMidi
// object, whose sequencer client is named "Vantel MIDI ..." and whose port is named after our port
// ("Port1 In", ...); our own clients are left out of the device lists.
//
// RtMidi's traps, and what is done about them: its constructors throw when the sequencer cannot be
// opened (caught: the service or the open is then unavailable); every object gets an error
// callback so that later errors come back as a flag instead of an exception; ignoreTypes(false,
// false, false) before opening, or system-exclusive, clock and active-sensing input is filtered
// out; output above about 16 KB fails, so long messages go out in pieces of at most 4096 bytes;
// RtMidi joins system-exclusive chunks into one message of any size, so the framer cuts it into
// buffers of the input's size again.
//
// Threads: RtMidi calls our input function on its own thread; it copies nothing but feeds the
// bytes to the framer and the input callback under the input's mutex, which stopInput and
// closeInput take, so no callback runs after they return. Enumeration, open and close run on the
// caller's thread under the service mutex; sends take the output's mutex. The sequencer tells a
// subscriber nothing when the device at the other end leaves, so a watch thread of ours lists the
// devices twice a second (under the service mutex): an open device no longer listed is marked lost
// and its sends fail from then on, and the change listeners are told, from the watch thread,
// whenever the lists differ from the last look.
class AlsaMidiService : public HostMidiService
{
public:
    AlsaMidiService();
    ~AlsaMidiService() override;

    AlsaMidiService(const AlsaMidiService&) = delete;
    AlsaMidiService& operator=(const AlsaMidiService&) = delete;

    // True when the sequencer could be opened.
    bool isAvailable() const;

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
    qint32 sendLong(Handle handle, const quint8* bytes, quint32 length, quint64* ticket) override;
    bool longDone(Handle handle, quint64 ticket) override;
    bool inputLost(Handle handle) override;
    bool outputLost(Handle handle) override;

private:
    struct Input
    {
        std::mutex mutex;
        std::unique_ptr<RtMidiIn> midi;
        bool started = false;
        InputCallback callback = nullptr;
        void* context = nullptr;
        std::unique_ptr<HostInputFramer> framer;
        std::atomic<bool> failed{false};
        // Written under the service mutex.
        QString device;
        std::atomic<bool> lost{false};
    };
    struct Output
    {
        std::mutex mutex;
        std::unique_ptr<RtMidiOut> midi;
        std::atomic<bool> failed{false};
        // Written under the service mutex.
        QString device;
        std::atomic<bool> lost{false};
    };

    static void inputFunction(double deltaTime, std::vector<unsigned char>* message, void* input);
    // What startInput and stopInput do: the flag under the input's mutex, 1 when the input is not open.
    qint32 setStarted(Handle handle, bool started);
    static QString ownPrefix();
    void watch();

    std::mutex m_mutex;
    std::unique_ptr<RtMidiIn> m_inputLister;
    std::unique_ptr<RtMidiOut> m_outputLister;
    std::atomic<bool> m_listerFailed{false};
    Input m_inputs[2];
    Output m_outputs[2];

    std::mutex m_watchMutex;
    std::condition_variable m_watchWake;
    bool m_stopWatch = false; // under the watch mutex
    std::thread m_watch;
};
