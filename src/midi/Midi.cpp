#include "Midi.h"

#include "HostMidiService.h"
#include "MidiClient.h"

#include <QTime>

const QString Midi::NotConnected = QStringLiteral("Not Connected");

Midi::Midi(MidiClient* client, quint16 maxLongMessage, quint32 portNumber, quint32 baseCounter,
           quint32 baseTimeOfDay)
    : m_client(client), m_recordCapacity(quint16(maxLongMessage + 14)), m_portName(NotConnected),
      m_portNumber(portNumber), m_baseCounter(baseCounter), m_baseTimeOfDay(baseTimeOfDay)
{
}

Midi::~Midi() = default;

QString Midi::getPortName() const
{
    return m_deviceIndex == NoDevice ? NotConnected : m_portName;
}

qint32 Midi::deviceIndex() const
{
    return m_deviceIndex;
}

quint32 Midi::manufacturerId() const
{
    return m_manufacturerId;
}

quint32 Midi::productId() const
{
    return m_productId;
}

quint32 Midi::portNumber() const
{
    return m_portNumber;
}

bool Midi::isConnected() const
{
    return m_deviceIndex != NoDevice;
}

QStringList Midi::deviceNames() const
{
    return m_deviceNames;
}

quint32 Midi::timeStamp(quint32 counter) const
{
    return timeStamp(counter, m_baseCounter, m_baseTimeOfDay);
}

quint32 Midi::currentTimeStamp() const
{
    return timeStamp(HostMidiService::milliseconds());
}

quint32 Midi::timeStamp(quint32 counter, quint32 baseCounter, quint32 baseTimeOfDay)
{
    const quint32 elapsed = (counter - baseCounter) % MillisecondsPerDay; // unsigned: wraps modulo 2^32
    return quint32((quint64(elapsed) + baseTimeOfDay) % MillisecondsPerDay);
}

quint32 Midi::localTimeOfDay()
{
    return quint32(QTime::currentTime().msecsSinceStartOfDay());
}

HostMidiService* Midi::service() const
{
    return m_client ? m_client->service() : nullptr;
}

QStringList Midi::enumerate(bool input, qint32* error)
{
    m_deviceNames.clear();
    m_deviceIds.clear();
    if (HostMidiService* host = service()) {
        const QVector<HostMidiDevice> devices = input ? host->inputDevices() : host->outputDevices();
        for (int i = 0; i < devices.size(); ++i) {
            m_deviceIds.insert(i, qMakePair(devices.at(i).manufacturerId, devices.at(i).productId));
            m_deviceNames.append(devices.at(i).name);
        }
    }
    if (error)
        *error = 0;
    return m_deviceNames;
}

qint32 Midi::enumerateAndFind(bool input, const QString& name)
{
    return qint32(enumerate(input, nullptr).indexOf(name));
}

HostMidiService::Handle Midi::handle() const
{
    return m_handle;
}

void Midi::setConnected(qint32 index, HostMidiService::Handle handle)
{
    m_deviceIndex = index;
    m_handle = handle;
    m_portName = m_deviceNames.at(index);
    const QPair<quint32, quint32> ids = m_deviceIds.value(index, qMakePair(NoId, NoId));
    m_manufacturerId = ids.first;
    m_productId = ids.second;
}

void Midi::setConnectedVirtual(const QString& name, HostMidiService::Handle handle)
{
    m_deviceIndex = VirtualDevice;
    m_handle = handle;
    m_portName = name;
    m_manufacturerId = NoId;
    m_productId = NoId;
}

void Midi::setNotConnected()
{
    m_deviceIndex = NoDevice;
    m_handle = HostMidiService::InvalidHandle;
    m_manufacturerId = NoId;
    m_productId = NoId;
    m_portName = NotConnected;
}
