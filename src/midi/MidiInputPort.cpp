#include "MidiInputPort.h"

MidiInputPort::MidiInputPort(MidiClient* client, quint16 maxLongMessage, quint32 portNumber,
                             quint32 baseCounter, quint32 baseTimeOfDay)
    : Midi(client, maxLongMessage, portNumber, baseCounter, baseTimeOfDay),
      m_thread(std::make_unique<MidiDataTransmissionThread>(nullptr, m_recordCapacity, portNumber)),
      m_maxLongMessage(maxLongMessage)
{
}

MidiInputPort::~MidiInputPort()
{
    close();
    m_thread.reset();
}

QStringList MidiInputPort::enumerateDevices(qint32* error)
{
    return enumerate(true, error);
}

qint32 MidiInputPort::open(qint32 index)
{
    if (isConnected())
        close();
    HostMidiService* host = service();
    if (!host || index < 0 || index >= deviceNames().size()) {
        setNotConnected();
        return 1;
    }
    HostMidiService::Handle opened = HostMidiService::InvalidHandle;
    if (host->openInput(deviceNames().at(index), portNumber(), m_maxLongMessage, &MidiInputPort::hostInput,
                        this, &opened) != 0) {
        setNotConnected();
        return 1;
    }
    if (host->startInput(opened) != 0) {
        host->closeInput(opened);
        setNotConnected();
        return 1;
    }
    setConnected(index, opened);
    return 0;
}

qint32 MidiInputPort::open(const QString& name)
{
    const qint32 index = enumerateAndFind(true, name);
    return index < 0 ? 1 : open(index);
}

qint32 MidiInputPort::close()
{
    if (!isConnected())
        return 1;
    if (HostMidiService* host = service()) {
        host->stopInput(handle());
        host->closeInput(handle());
    }
    setNotConnected();
    return 0;
}

bool MidiInputPort::deviceLost() const
{
    HostMidiService* host = service();
    return isConnected() && host && host->inputLost(handle());
}

quint64 MidiInputPort::overflows() const
{
    HostMidiService* host = service();
    return isConnected() && host ? host->inputOverflows(handle()) : 0;
}

void MidiInputPort::setReceiver(Receiver receiver, void* context)
{
    m_thread->setReceiver(receiver, context);
}

void MidiInputPort::hostInput(void* context, HostMidiService::InputMessage message, quint32 packed,
                              const quint8* bytes, quint32 length, quint32 eventCounter, quint64 hostStamp)
{
    auto* port = static_cast<MidiInputPort*>(context);
    const quint32 stamp = port->timeStamp(eventCounter);
    switch (message) {
    case HostMidiService::ShortData: {
        const quint8 status = quint8(packed & 0xFF);
        const quint32 n = HostMidiService::shortMessageLength(status);
        if (n == 0)
            return;
        const quint8 data[3] = {status, quint8(packed >> 8), quint8(packed >> 16)};
        port->m_thread->enqueue(data, quint16(n), stamp, hostStamp);
        return;
    }
    case HostMidiService::LongData:
        // An empty buffer is the host giving it back on reset; it carries nothing.
        if (length == 0 || !bytes)
            return;
        // Buffers are never larger than the size the port asked for; should a host break that, the
        // data is still handed on whole-buffer by whole-buffer.
        for (quint32 offset = 0; offset < length; offset += port->m_maxLongMessage)
            port->m_thread->enqueue(bytes + offset,
                                    quint16(qMin<quint32>(port->m_maxLongMessage, length - offset)), stamp,
                                    hostStamp);
        return;
    case HostMidiService::LongError:
    case HostMidiService::ShortError:
        return;
    }
}
