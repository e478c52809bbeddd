#pragma once

#include "HostMidiService.h"
#include "Midi.h"
#include "MidiDataTransmissionThread.h"

#include <memory>

// An input endpoint (Port1 or Port2). It opens one host input device, stamps every message the
// host delivers and queues it as one record for its receive thread, which hands it to the
// receiver. A record is either one whole short message (real-time ones included) or one piece of a
// system-exclusive message, exactly as the host's framing delivered it: the pieces of a dump come
// in order, and messages from other sources may come between them.
//
// Threads: open, close, enumeration and setReceiver run on the owner's (GUI) thread. The host
// calls hostInput on its own input thread; it touches only the receive thread's queue. close stops
// the host input before anything is released, so no callback runs afterwards.
class MidiInputPort : public Midi
{
public:
    using Receiver = MidiDataTransmissionThread::Receiver;

    MidiInputPort(MidiClient* client, quint16 maxLongMessage, quint32 portNumber, quint32 baseCounter,
                  quint32 baseTimeOfDay);
    ~MidiInputPort() override;

    QStringList enumerateDevices(qint32* error = nullptr);
    // 0 on success, 1 on failure (the port is then not connected).
    qint32 open(qint32 index);
    // 1, with the open device left open, when no device of that name is listed.
    qint32 open(const QString& name);
    // 1 when the port was not open.
    qint32 close();
    // True while the port is open on a device that has gone away (see HostMidiService::inputLost).
    bool deviceLost() const;
    // How often the host dropped this port's input (see HostMidiService::inputOverflows).
    quint64 overflows() const;
    void setReceiver(Receiver receiver, void* context);

    // The host's input callback (context = the port).
    static void hostInput(void* context, HostMidiService::InputMessage message, quint32 packed,
                          const quint8* bytes, quint32 length, quint32 eventCounter, quint64 hostStamp);

private:
    std::unique_ptr<MidiDataTransmissionThread> m_thread;
    quint16 m_maxLongMessage;
};
