#pragma once

#include "HostMidiService.h"
#include "Midi.h"

#include <QRecursiveMutex>

// An output endpoint (Port1 or Port2). It opens one host output device and sends short messages
// (1 to 3 bytes) and long messages (system-exclusive data, or anything sent with force long).
//
// Threads: open, close and send may be called from any thread (views on the GUI thread, generator
// and editor threads, the receive threads for thru data); one recursive mutex serialises them. A
// long message keeps the mutex until the host has sent its last byte or 1000 ms have passed, so a
// second sender waits for it.
class MidiOutputPort : public Midi
{
public:
    MidiOutputPort(MidiClient* client, quint16 maxLongMessage, quint32 portNumber, quint32 baseCounter,
                   quint32 baseTimeOfDay);
    ~MidiOutputPort() override;

    QStringList enumerateDevices(qint32* error = nullptr);
    qint32 open(qint32 index);
    qint32 open(const QString& name);
    qint32 close();
    // True while the port is open on a device that has gone away (see HostMidiService::outputLost).
    bool deviceLost();
    // True once everything sent on the open port, short messages included, has left it (the host
    // may still hold short messages for its next cycle after send returned).
    bool sendsDone();
    // 0 on success, 1 on failure. The stamp of the moment the data was handed to the host is
    // written to stampOut (may be null). Fails without contacting the host when the port is not
    // connected, length is 0, or more than 3 bytes not beginning with 0xF0 are sent without
    // forceLong. A passThrough made by MidiSender::dueAt hands a short message's due time to the
    // host; any other is carried for the caller and not used. A send during which the device went
    // away fails, also when the host took all of its bytes: they may have gone nowhere.
    qint32 send(const quint8* bytes, quint32 length, quint32* stampOut, bool forceLong = false,
                quint64 passThrough = 0);

    // How long send waits for the host to finish a long message, and how often it looks.
    static constexpr qint64 CompletionTimeoutMs = 1000;
    static constexpr unsigned long CompletionPollMicroseconds = 1000;

private:
    QRecursiveMutex m_mutex;
};
