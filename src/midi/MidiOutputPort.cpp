#include "MidiOutputPort.h"

#include "MidiSender.h"

#include <QElapsedTimer>
#include <QMutexLocker>
#include <QThread>

#include <algorithm>

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

qint32 MidiOutputPort::open(qint32 index)
{
    QMutexLocker lock(&m_mutex);
    if (isConnected())
        close();
    HostMidiService* host = service();
    HostMidiService::Handle opened = HostMidiService::InvalidHandle;
    if (!host || index < 0 || index >= deviceNames().size() ||
        host->openOutput(deviceNames().at(index), portNumber(), &opened) != 0) {
        setNotConnected();
        return 1;
    }
    setConnected(index, opened);
    return 0;
}

qint32 MidiOutputPort::open(const QString& name)
{
    QMutexLocker lock(&m_mutex);
    const qint32 index = enumerateAndFind(false, name);
    return index < 0 ? 1 : open(index);
}

qint32 MidiOutputPort::close()
{
    QMutexLocker lock(&m_mutex);
    if (!isConnected())
        return 1;
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
    QMutexLocker lock(&m_mutex);
    HostMidiService* host = service();
    if (!isConnected() || !host || length == 0 || !bytes)
        return 1;
    if (bytes[0] != 0xF0 && !forceLong) {
        if (length > 3)
            return 1;
        // A short message is one packed word: missing bytes are zero, and the status byte decides
        // how many of them go out (bytes without a status go out as given).
        quint8 packed[3] = {0, 0, 0};
        std::copy(bytes, bytes + length, packed);
        const quint32 n = bytes[0] >= 0x80 ? HostMidiService::shortMessageLength(bytes[0]) : length;
        const quint32 stamp = currentTimeStamp();
        if (stampOut)
            *stampOut = stamp;
        const qint32 rc = MidiSender::isDueTime(passThrough)
                              ? host->sendShortAt(handle(), packed, n, MidiSender::dueTimeOf(passThrough))
                              : host->sendShort(handle(), packed, n);
        if (rc != 0)
            return 1;
        return host->outputLost(handle()) ? 1 : 0;
    }
    const quint32 stamp = currentTimeStamp();
    if (stampOut)
        *stampOut = stamp;
    quint64 ticket = 0;
    if (host->sendLong(handle(), bytes, length, &ticket) != 0)
        return 1;
    // Hosts that buffer output finish within a cycle or two of their own, so the flag is checked
    // every millisecond rather than every 100 ms; the time limit stays the same.
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        // The device going away ends the wait at once: what is left will never arrive.
        if (host->outputLost(handle()))
            return 1;
        if (host->longDone(handle(), ticket))
            return host->outputLost(handle()) ? 1 : 0;
        if (waited.elapsed() >= CompletionTimeoutMs)
            return 1;
        QThread::usleep(CompletionPollMicroseconds);
    }
}
