#pragma once

#include "HostMidiService.h"

#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class MidiClient;

// The common part of the four MIDI endpoints (Port1 and Port2, input and output): the device that
// is open with the host's handle of it, the host's device list of the port's direction, and the time stamps.
//
// Time stamps are milliseconds since local midnight. Every port is built with two base values
// taken once, when the ports are created: the host's millisecond counter and the local time of
// day; all ports get the same values, so their stamps agree.
class Midi
{
public:
    // The text a port without a device shows, everywhere in the program.
    static const QString NotConnected;
    static constexpr qint32 NoDevice = -1;
    // The device index of a port open as a virtual port of its own, which is no listed device.
    static constexpr qint32 VirtualDevice = -2;
    static constexpr quint32 NoId = 0xFFFFFFFFu;
    static constexpr quint32 MillisecondsPerDay = 86400000u;

    Midi(MidiClient* client, quint16 maxLongMessage, quint32 portNumber, quint32 baseCounter,
         quint32 baseTimeOfDay);
    virtual ~Midi();

    Midi(const Midi&) = delete;
    Midi& operator=(const Midi&) = delete;

    // The device name, or "Not Connected".
    QString getPortName() const;
    qint32 deviceIndex() const;
    quint32 manufacturerId() const;
    quint32 productId() const;
    quint32 portNumber() const;
    bool isConnected() const;
    // Names of the last enumeration, in host order.
    QStringList deviceNames() const;

    // The stamp of an event that happened when the host counter read counter.
    quint32 timeStamp(quint32 counter) const;
    // The stamp of now.
    quint32 currentTimeStamp() const;

    // Milliseconds since local midnight for an event at counter, given the base values.
    static quint32 timeStamp(quint32 counter, quint32 baseCounter, quint32 baseTimeOfDay);
    // The local time of day now, in milliseconds since midnight.
    static quint32 localTimeOfDay();

protected:
    HostMidiService* service() const;
    // Replaces the device list and id map with what the host lists now.
    QStringList enumerate(bool input, qint32* error);
    // Enumerates afresh and returns the index the device of that name got, -1 when none is listed.
    qint32 enumerateAndFind(bool input, const QString& name);
    // The host's handle of the open device; InvalidHandle while not connected.
    HostMidiService::Handle handle() const;
    void setConnected(qint32 index, HostMidiService::Handle handle);
    // Open as a virtual port that peers know by name.
    void setConnectedVirtual(const QString& name, HostMidiService::Handle handle);
    void setNotConnected();

    MidiClient* m_client;
    quint16 m_recordCapacity;

private:
    qint32 m_deviceIndex = NoDevice;
    HostMidiService::Handle m_handle = HostMidiService::InvalidHandle;
    quint32 m_manufacturerId = NoId;
    quint32 m_productId = NoId;
    QString m_portName;
    QStringList m_deviceNames;
    quint32 m_portNumber;
    QMap<qint32, QPair<quint32, quint32>> m_deviceIds;
    quint32 m_baseCounter;
    quint32 m_baseTimeOfDay;
};
