#include "MidiOutputPort.h"

#include "MidiSender.h"

#include <QElapsedTimer>
#include <QMutexLocker>
#include <QThread>

#include <algorithm>
#include <chrono>

namespace {

qint64 steadyMilliseconds()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// An open system-exclusive message whose sender has not gone on for this long has been given up
// (its input was cut, its sender went away): the turn goes to the next sender. Input that arrives
// at the speed of a MIDI cable fills a receive buffer in about five seconds, hence the margin.
constexpr qint64 openSysExTimeoutMs = 6000;

} // namespace

MidiOutputPort::MidiOutputPort(MidiClient* client, quint16 maxLongMessage, quint32 portNumber,
                               quint32 baseCounter, quint32 baseTimeOfDay)
    : Midi(client, maxLongMessage, portNumber, baseCounter, baseTimeOfDay)
{
}

MidiOutputPort::~MidiOutputPort()
{
    close();
}

QStringList MidiOutputPort::enumerateDevices(qint32* error)
{
    QMutexLocker lock(&m_mutex);
    return enumerate(false, error);
}

HostMidiService::Handle
MidiOutputPort::reopen(const std::function<qint32(HostMidiService*, HostMidiService::Handle*)>& openOnHost)
{
    if (isConnected())
        close();
    ++m_generation;
    HostMidiService* host = service();
    HostMidiService::Handle opened = HostMidiService::InvalidHandle;
    if (!host || openOnHost(host, &opened) != 0) {
        setNotConnected();
        return HostMidiService::InvalidHandle;
    }
    return opened;
}

qint32 MidiOutputPort::open(qint32 index)
{
    QMutexLocker lock(&m_mutex);
    const HostMidiService::Handle opened =
        reopen([&](HostMidiService* host, HostMidiService::Handle* handle) {
            return index >= 0 && index < deviceNames().size()
                       ? host->openOutput(deviceNames().at(index), portNumber(), handle)
                       : 1;
        });
    if (opened == HostMidiService::InvalidHandle)
        return 1;
    setConnected(index, opened);
    return 0;
}

qint32 MidiOutputPort::open(const QString& name)
{
    QMutexLocker lock(&m_mutex);
    const qint32 index = enumerateAndFind(false, name);
    return index < 0 ? 1 : open(index);
}

qint32 MidiOutputPort::openVirtual(const QString& name)
{
    QMutexLocker lock(&m_mutex);
    const HostMidiService::Handle opened =
        reopen([&](HostMidiService* host, HostMidiService::Handle* handle) {
            return host->openVirtualOutput(name, portNumber(), handle);
        });
    if (opened == HostMidiService::InvalidHandle)
        return 1;
    setConnectedVirtual(service()->virtualPortName(opened, false), opened);
    return 0;
}

int MidiOutputPort::virtualConnections()
{
    QMutexLocker lock(&m_mutex);
    HostMidiService* host = service();
    return deviceIndex() == VirtualDevice && host ? host->virtualPortConnections(handle(), false) : 0;
}

qint32 MidiOutputPort::close()
{
    QMutexLocker lock(&m_mutex);
    if (!isConnected())
        return 1;
    ++m_generation;
    if (HostMidiService* host = service())
        host->closeOutput(handle());
    setNotConnected();
    return 0;
}

bool MidiOutputPort::deviceLost()
{
    QMutexLocker lock(&m_mutex);
    HostMidiService* host = service();
    return isConnected() && host && host->outputLost(handle());
}

bool MidiOutputPort::sendsDone()
{
    QMutexLocker lock(&m_mutex);
    HostMidiService* host = service();
    return !isConnected() || !host || host->outputIdle(handle());
}

qint32 MidiOutputPort::send(const quint8* bytes, quint32 length, quint32* stampOut, bool forceLong,
                            quint64 passThrough)
{
    if (length == 0 || !bytes)
        return 1;
    if (bytes[0] != 0xF0 && !forceLong && length > 3)
        return 1;
    // Forwarded data goes as it came (force long), but one whole short message of it can keep its
    // input's timing only on the short path.
    const bool wholeShort = length <= 3 && bytes[0] >= 0x80 && bytes[0] != 0xF0 && bytes[0] != 0xF7 &&
                            HostMidiService::shortMessageLength(bytes[0]) == length;
    const bool isShort =
        (bytes[0] != 0xF0 && !forceLong) || (wholeShort && MidiSender::isForwarded(passThrough));
    HostMidiService* host = nullptr;
    HostMidiService::Handle target = HostMidiService::InvalidHandle;
    quint64 generation = 0;
    quint64 ticket = 0;
    {
        // Held while the host takes the bytes (it copies them and returns), not while they leave.
        QMutexLocker lock(&m_mutex);
        host = service();
        if (!isConnected() || !host)
            return 1;
        target = handle();
        generation = m_generation;
        const quint32 stamp = currentTimeStamp();
        if (stampOut)
            *stampOut = stamp;
        if (isShort) {
            // A short message is one packed word: missing bytes are zero, and the status byte
            // decides how many of them go out (bytes without a status go out as given).
            quint8 packed[3] = {0, 0, 0};
            std::copy(bytes, bytes + length, packed);
            const quint32 n = bytes[0] >= 0x80 ? HostMidiService::shortMessageLength(bytes[0]) : length;
            qint32 rc;
            if (MidiSender::isDueTime(passThrough))
                rc = host->sendShortAt(target, packed, n, MidiSender::dueTimeOf(passThrough));
            else if (MidiSender::isForwarded(passThrough))
                rc = host->sendShortForwarded(target, packed, n, MidiSender::hostStampOf(passThrough));
            else
                rc = host->sendShort(target, packed, n);
            if (rc != 0)
                return 1;
            return host->outputLost(target) ? 1 : 0;
        }
        if (host->sendLong(target, bytes, length, &ticket) != 0)
            return 1;
    }
    // Hosts that buffer output finish within a cycle or two of their own, so the flag is checked
    // every millisecond rather than every 100 ms; the time limit stays the same.
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        // The device going away ends the wait at once: what is left will never arrive.
        if (host->outputLost(target))
            return 1;
        if (host->longDone(target, ticket))
            break;
        if (waited.elapsed() >= CompletionTimeoutMs)
            return 1;
        QThread::usleep(CompletionPollMicroseconds);
    }
    // A port closed (and perhaps opened again) meanwhile dropped what was left of the message.
    QMutexLocker lock(&m_mutex);
    return m_generation == generation && !host->outputLost(target) ? 0 : 1;
}

bool MidiOutputPort::sendPieces(const quint8* bytes, quint32 length, bool forceLong, quint64 passThrough,
                                const std::function<void(const quint8*, quint32, quint32)>& piece)
{
    for (quint32 offset = 0; offset < length; offset += PieceSize) {
        if (m_refusing.load())
            return false;
        const quint32 n = qMin(PieceSize, length - offset);
        // Later pieces continue one system-exclusive transfer and never begin with 0xF0.
        const bool asLong = offset == 0 ? forceLong : true;
        quint32 stamp = 0;
        if (send(bytes + offset, n, &stamp, asLong, passThrough) != 0)
            return false;
        if (piece)
            piece(bytes + offset, n, stamp);
    }
    return true;
}

MidiOutputPort::Turn MidiOutputPort::takeTurn(bool wait, Deferred* deferred)
{
    std::unique_lock<std::mutex> lock(m_turnMutex);
    const std::thread::id me = std::this_thread::get_id();
    for (;;) {
        if (m_refusing.load())
            return Turn::Refused;
        const qint64 now = steadyMilliseconds();
        if (!m_busy) {
            m_busy = true;
            m_sysExOpen = false;
            m_owner = me;
            m_lastActivityMs = now;
            return Turn::Taken;
        }
        if (m_owner == me) {
            m_lastActivityMs = now;
            return Turn::Own;
        }
        if (m_sysExOpen && now - m_lastActivityMs >= openSysExTimeoutMs) {
            // Given up by its sender: the next message ends it as any status byte would.
            m_sysExOpen = false;
            m_owner = me;
            m_lastActivityMs = now;
            return Turn::Taken;
        }
        if (!wait && deferred) {
            m_queue.push_back(std::move(*deferred));
            return Turn::Queued;
        }
        m_turnFree.wait_for(lock, std::chrono::milliseconds(50));
    }
}

void MidiOutputPort::endTurn(bool openSysEx)
{
    {
        std::lock_guard<std::mutex> lock(m_turnMutex);
        if (m_owner != std::this_thread::get_id())
            return; // the turn was taken over meanwhile
        m_lastActivityMs = steadyMilliseconds();
        if (openSysEx) {
            m_sysExOpen = true;
            return;
        }
        m_sysExOpen = false;
    }
    sendQueued();
}

void MidiOutputPort::sendQueued()
{
    for (;;) {
        Deferred next;
        {
            std::lock_guard<std::mutex> lock(m_turnMutex);
            if (m_refusing.load())
                m_queue.clear();
            if (m_queue.empty() || m_owner != std::this_thread::get_id()) {
                if (m_owner == std::this_thread::get_id()) {
                    m_busy = false;
                    m_owner = std::thread::id();
                }
                m_turnFree.notify_all();
                return;
            }
            next = std::move(m_queue.front());
            m_queue.pop_front();
            m_lastActivityMs = steadyMilliseconds();
        }
        // A message that can no longer be sent (the port closed meanwhile) is dropped like any
        // send to a closed port; the others go on.
        sendPieces(reinterpret_cast<const quint8*>(next.bytes.constData()), quint32(next.bytes.size()),
                   next.forceLong, next.passThrough, next.piece);
    }
}

int MidiOutputPort::queuedMessages()
{
    std::lock_guard<std::mutex> lock(m_turnMutex);
    return int(m_queue.size());
}

void MidiOutputPort::refuseSends()
{
    {
        std::lock_guard<std::mutex> lock(m_turnMutex);
        m_refusing = true;
        m_queue.clear();
    }
    m_turnFree.notify_all();
}
