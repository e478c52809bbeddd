#include "MidiHub.h"

#include "HostMidiService.h"
#include "MidiBulkIntervalManager.h"
#include "MidiClient.h"
#include "MidiOutMonitor.h"

namespace {

template <typename Port> QStringList choices(Port* port, qint32* position, bool closeWhenMissing)
{
    QStringList list{Midi::NotConnected};
    list += port->enumerateDevices();
    qint32 p = port->isConnected() ? qint32(list.indexOf(port->getPortName(), 1)) : 0;
    if (p < 0) {
        p = 0;
        if (closeWhenMissing)
            port->close();
    }
    if (position)
        *position = p;
    return list;
}

template <typename Port> bool openPort(Port* port, quint32 deviceIndex)
{
    port->close();
    if (deviceIndex == MidiHub::NoDevice)
        return true;
    return deviceIndex <= quint32(INT_MAX) && port->open(qint32(deviceIndex)) == 0;
}

template <typename Port> qint32 reopen(Port* port, const QString& name)
{
    port->open(name);
    qint32 position = 0;
    choices(port, &position, false);
    if (position == 0)
        port->close();
    return position;
}

} // namespace

MidiHub::MidiHub(HostMidiService* service, quint16 maxLongMessage)
    : m_client(std::make_unique<MidiClient>(service))
{
    // One base for all four ports, so that their stamps agree.
    const quint32 baseCounter = HostMidiService::milliseconds();
    const quint32 baseTimeOfDay = Midi::localTimeOfDay();
    for (quint32 i = 0; i < 2; ++i)
        m_inputs[i] =
            std::make_unique<MidiInputPort>(m_client.get(), maxLongMessage, i, baseCounter, baseTimeOfDay);
    for (quint32 i = 0; i < 2; ++i)
        m_outputs[i] =
            std::make_unique<MidiOutputPort>(m_client.get(), maxLongMessage, i, baseCounter, baseTimeOfDay);
}

MidiHub::~MidiHub()
{
    for (auto& input : m_inputs)
        input.reset();
    for (auto& output : m_outputs)
        output.reset();
}

void MidiHub::setBulkIntervalManager(MidiBulkIntervalManager* manager)
{
    m_bulk = manager;
}

void MidiHub::setOutMonitor(MidiOutMonitor* monitor)
{
    m_monitor = monitor;
}

void MidiHub::setReceiver(MidiInputPort::Receiver receiver, void* context)
{
    for (auto& input : m_inputs)
        input->setReceiver(receiver, context);
}

MidiInputPort* MidiHub::inputPort(quint32 port) const
{
    return port < 2 ? m_inputs[port].get() : nullptr;
}

MidiOutputPort* MidiHub::outputPort(quint32 port) const
{
    return port < 2 ? m_outputs[port].get() : nullptr;
}

QStringList MidiHub::inputPortChoices(quint32 port, qint32* position, bool closeWhenMissing)
{
    if (port > 1)
        return {};
    return choices(m_inputs[port].get(), position, closeWhenMissing);
}

QStringList MidiHub::outputPortChoices(quint32 port, qint32* position, bool closeWhenMissing)
{
    if (port > 1)
        return {};
    return choices(m_outputs[port].get(), position, closeWhenMissing);
}

bool MidiHub::openInputPort(quint32 port, quint32 deviceIndex)
{
    return port < 2 && openPort(m_inputs[port].get(), deviceIndex);
}

bool MidiHub::openOutputPort(quint32 port, quint32 deviceIndex)
{
    return port < 2 && openPort(m_outputs[port].get(), deviceIndex);
}

bool MidiHub::closeInputPort(quint32 port)
{
    return port < 2 && m_inputs[port]->close() == 0;
}

bool MidiHub::closeOutputPort(quint32 port)
{
    return port < 2 && m_outputs[port]->close() == 0;
}

qint32 MidiHub::reopenInputPort(quint32 port, const QString& name)
{
    return port < 2 ? reopen(m_inputs[port].get(), name) : 0;
}

qint32 MidiHub::reopenOutputPort(quint32 port, const QString& name)
{
    return port < 2 ? reopen(m_outputs[port].get(), name) : 0;
}

QString MidiHub::inputPortName(quint32 port) const
{
    return port < 2 ? m_inputs[port]->getPortName() : Midi::NotConnected;
}

QString MidiHub::outputPortName(quint32 port) const
{
    return port < 2 ? m_outputs[port]->getPortName() : Midi::NotConnected;
}

bool MidiHub::sendToOutputPorts(const quint8* bytes, quint32 length, quint8 labelKind, quint32 portSelection,
                                bool skipPacing, bool forceLong, quint64 passThrough, bool direct,
                                quint32* sendTimeOut)
{
    MidiBulkIntervalManager* const bulk = m_bulk.load();
    if (!bulk || portSelection > 2 || !bytes || length == 0)
        return false;

    if (direct) {
        if (portSelection == 2 || length > 0xFFFF)
            return false;
        quint32 stamp = 0;
        const bool sent = m_outputs[portSelection]->send(bytes, length, &stamp, forceLong, passThrough) == 0;
        if (sent && sendTimeOut)
            *sendTimeOut = stamp;
        return sent;
    }

    const quint32 first = portSelection == 2 ? 0 : portSelection;
    const quint32 last = portSelection == 2 ? 1 : portSelection;
    // A port that failed a piece gets nothing more: the rest would arrive without its beginning.
    bool failed[2] = {false, false};
    MidiOutMonitor* const monitor = m_monitor.load();
    for (quint32 offset = 0; offset < length; offset += PieceSize) {
        const quint32 n = qMin(PieceSize, length - offset);
        // Later pieces continue one system-exclusive transfer and never begin with 0xF0.
        const bool asLong = offset == 0 ? forceLong : true;
        bool anySending = false;
        for (quint32 p = first; p <= last; ++p) {
            if (failed[p])
                continue;
            quint32 stamp = 0;
            if (m_outputs[p]->send(bytes + offset, n, &stamp, asLong, passThrough) == 0) {
                if (monitor)
                    monitor->appendTransmitted(bytes + offset, n, stamp, labelKind, p);
                anySending = true;
            } else {
                failed[p] = true;
            }
        }
        if (!anySending)
            break;
    }
    if (!skipPacing)
        bulk->pauseAfter(bytes, length);
    for (quint32 p = first; p <= last; ++p) {
        if (!failed[p])
            return true;
    }
    return false;
}
