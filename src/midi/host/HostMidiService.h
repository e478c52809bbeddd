#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

// One MIDI device of the host as the service lists it.
struct HostMidiDevice
{
    QString name;
    quint32 manufacturerId = 0;
    quint32 productId = 0;
};

// The host's MIDI service: numbered input and output devices with names, an input callback for
// short data, long data and errors, short output, buffered long output with a completion flag and
// a millisecond counter. Every operation that can fail returns 0 for success and 1 for failure.
//
// The JACK and ALSA services list their devices sorted by name, as patchbays do (the servers
// report them in the order their clients came); the loopback service keeps the order it was
// given. Devices are opened by the name they were listed under, so a device chosen from an older
// list is the device that was shown even when the host's list changed meanwhile (the open then
// fails if the device is gone).
//
// Every open names the application port (0 Port1, 1 Port2) it serves, because some hosts give the
// application one endpoint per port. One application port has at most one open device per
// direction.
//
// Input callbacks run on a thread of the service, never on a real-time audio thread, so they may
// block (the receive ring waits for room). After stopInput or closeInput returns, the callback is
// not running and is never called again for that handle.
//
// Devices come and go while the program runs. The service tells its change listeners whenever its
// device lists, the connection behind an open handle or the server itself may have changed; the
// listeners then look again (list the devices, ask inputLost/outputLost and serverRunning). A
// listener is called on a thread of the service that is neither a real-time thread nor the GUI
// thread, with no lock of the service held but the listener lock; it should only post work.
class HostMidiService
{
public:
    enum InputMessage : quint32
    {
        ShortData = 0x3C3, // packed: 1 to 3 bytes, status byte lowest
        LongData = 0x3C4,  // bytes/length: one filled buffer of a system-exclusive message
        ShortError = 0x3C5,
        LongError = 0x3C6 // bytes/length: an incomplete system-exclusive message, to be dropped
    };

    // eventCounter: the millisecond counter (milliseconds()) at the moment the event arrived at the
    // host, which may lie before the callback runs. hostStamp: the host's own time of the event.
    using InputCallback = void (*)(void* context, InputMessage message, quint32 packed, const quint8* bytes,
                                   quint32 length, quint32 eventCounter, quint64 hostStamp);

    using Handle = qint32;
    static constexpr Handle InvalidHandle = -1;

    virtual ~HostMidiService() = default;

    // "jack", "alsa" or "loopback".
    virtual QString apiName() const = 0;

    virtual QVector<HostMidiDevice> inputDevices() = 0;
    virtual QVector<HostMidiDevice> outputDevices() = 0;

    // Long data is delivered in buffers of at most bufferSize bytes; a longer system-exclusive
    // message arrives as several consecutive LongData calls. Input does not flow before startInput.
    virtual qint32 openInput(const QString& device, quint32 portNumber, quint32 bufferSize,
                             InputCallback callback, void* context, Handle* handle) = 0;
    virtual qint32 startInput(Handle handle) = 0;
    virtual qint32 stopInput(Handle handle) = 0;
    virtual qint32 closeInput(Handle handle) = 0;

    virtual qint32 openOutput(const QString& device, quint32 portNumber, Handle* handle) = 0;
    virtual qint32 closeOutput(Handle handle) = 0;
    // 1 to 3 bytes of one message, sent as they are.
    virtual qint32 sendShort(Handle handle, const quint8* bytes, quint32 length) = 0;
    // The same for a message meant for a moment: dueMicroseconds on the monotonic clock
    // (CLOCK_MONOTONIC). Hosts that can place output in time (JACK) put it there; the others send
    // it now, which is when the sender meant it to leave.
    virtual qint32 sendShortAt(Handle handle, const quint8* bytes, quint32 length, qint64 dueMicroseconds)
    {
        Q_UNUSED(dueMicroseconds)
        return sendShort(handle, bytes, length);
    }
    // The same for a message forwarded from an input (thru): hostStamp is the stamp the input
    // delivered it with. Hosts that can place output in time (JACK) keep the input's timing: the
    // message leaves a constant delay after its input arrived. The others send it now.
    virtual qint32 sendShortForwarded(Handle handle, const quint8* bytes, quint32 length, quint64 hostStamp)
    {
        Q_UNUSED(hostStamp)
        return sendShort(handle, bytes, length);
    }
    // Queues a long message. The service copies the bytes before it returns; *ticket identifies the
    // message for longDone, which turns true once its last byte has left.
    virtual qint32 sendLong(Handle handle, const quint8* bytes, quint32 length, quint64* ticket) = 0;
    virtual bool longDone(Handle handle, quint64 ticket) = 0;
    // True once everything sent on an open output handle, short messages included, has left it.
    // Hosts that hand each message over before the send returns are always idle.
    virtual bool outputIdle(Handle handle)
    {
        Q_UNUSED(handle)
        return true;
    }

    // Virtual ports. Instead of connecting to a listed device, an application port may be opened
    // as a port of our own named name, for the instrument or another program to connect to (hosts
    // with a patchbay: JACK and ALSA; the others refuse, as this default does). No connection is
    // made; any number of peers may connect and disconnect while it is open: the input hears them
    // all and the output sends to them all. Such a handle is lost only when the server goes away.
    // Closing it (closeInput/closeOutput) cuts every connection to it; the port is then gone (JACK)
    // or has its usual name again (ALSA). A name that is empty, holds ":" or is taken by another
    // port of ours is refused.
    virtual bool hasVirtualPorts() const { return false; }
    virtual qint32 openVirtualInput(const QString& name, quint32 portNumber, quint32 bufferSize,
                                    InputCallback callback, void* context, Handle* handle)
    {
        Q_UNUSED(name)
        Q_UNUSED(portNumber)
        Q_UNUSED(bufferSize)
        Q_UNUSED(callback)
        Q_UNUSED(context)
        Q_UNUSED(handle)
        return 1;
    }
    virtual qint32 openVirtualOutput(const QString& name, quint32 portNumber, Handle* handle)
    {
        Q_UNUSED(name)
        Q_UNUSED(portNumber)
        Q_UNUSED(handle)
        return 1;
    }
    // The name other programs see an open virtual port under ("Vantel MIDI:name"); empty for any
    // other handle. input: an input handle, else an output handle.
    virtual QString virtualPortName(Handle handle, bool input)
    {
        Q_UNUSED(handle)
        Q_UNUSED(input)
        return QString();
    }
    // How many ports of other programs are connected to an open virtual port now; 0 for any other
    // handle.
    virtual int virtualPortConnections(Handle handle, bool input)
    {
        Q_UNUSED(handle)
        Q_UNUSED(input)
        return 0;
    }

    // Waits, at most msecs, until the connections made by the opens so far carry data: a server
    // that switches its graph between cycles needs a cycle or two, and a message sent the moment
    // after an open would go nowhere. For programs that send at once after opening (the command
    // line); hosts whose connections carry data at once return at once.
    virtual void settleConnections(int msecs) { Q_UNUSED(msecs) }

    // True once the device behind an open handle has gone away: it left the host's list, someone
    // else removed the connection, or the server stopped. Stays true until the handle is closed;
    // data sent meanwhile may have gone nowhere, so a send on such a handle counts as failed.
    virtual bool inputLost(Handle handle) = 0;
    virtual bool outputLost(Handle handle) = 0;
    // How many times the host dropped received data of this input because it was read too late
    // (the host's own queue overflowed); each time, the data it held is gone. Hosts that cannot
    // tell return 0.
    virtual quint64 inputOverflows(Handle handle)
    {
        Q_UNUSED(handle)
        return 0;
    }
    // The name the host lists a device under, for a name saved by an older build that named it
    // differently (ALSA: client numbers); other names as they are.
    virtual QString listedName(const QString& savedName) const { return savedName; }
    // False while the host's MIDI server is not there (only a server-based host can say so).
    virtual bool serverRunning() const { return true; }
    // How many times the service has connected to a server again after losing one.
    virtual quint64 serverRestarts() const { return 0; }

    using ChangeListener = std::function<void()>;
    // Returns an id for removeChangeListener. After removeChangeListener returns, the listener is
    // not running and is never called again.
    int addChangeListener(ChangeListener listener);
    void removeChangeListener(int id);

    // The host's millisecond counter: monotonic milliseconds cut to 32 bits (wraps after ~49.7 days).
    static quint32 milliseconds();

    // Installs the service named by requested ("jack", "alsa" or "loopback") as the process-wide
    // service; a null text picks ALSA when the sequencer opens, else JACK when a server is running
    // (never started for us), else loopback. Returns false with a message in errorText when the
    // name is unknown or that system is not available; no service is installed then.
    static bool setUp(const QString& requested, QString* errorText = nullptr);
    // The names setUp takes, for messages: "jack, alsa or loopback".
    static QString apiNames();
    // The process-wide service; null before setUp and after shutDown.
    static HostMidiService* instance();
    // Replaces the process-wide service (tests use a loopback service of their own).
    static void install(std::unique_ptr<HostMidiService> service);
    // Destroys the process-wide service. Call after every port has been closed.
    static void shutDown();

    // 1 to 3, from the status byte of a short message; 0 for a byte that is no status byte.
    static quint32 shortMessageLength(quint8 status);

protected:
    // Calls every change listener, on the calling thread; never call it with a lock held that a
    // listener's owner takes around removeChangeListener.
    void notifyChanged();

    // A device list of these names, in their order, for hosts that report no ids.
    static QVector<HostMidiDevice> namedDevices(const QStringList& names);
    // The devices in list order: by name regardless of case, then by case.
    static QVector<HostMidiDevice> sortedByName(QVector<HostMidiDevice> devices);

private:
    std::mutex m_listenerMutex;
    std::vector<std::pair<int, ChangeListener>> m_listeners;
    int m_nextListenerId = 1;
};
