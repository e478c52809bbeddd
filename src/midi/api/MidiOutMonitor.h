#pragma once

#include <QtGlobal>

// Receives every piece of data that an output port accepted, so that it can be shown on the
// MIDI Out monitor and written to the Out log. Called on the sending thread, once per piece of at
// most 4096 bytes, after the port reported success; implementations serialise themselves.
class MidiOutMonitor
{
public:
    virtual ~MidiOutMonitor() = default;

    // stamp: milliseconds since local midnight when the piece left; kind: message kind for the
    // label (20 = not parsed); port: 0 Port1, 1 Port2.
    virtual void appendTransmitted(const quint8* bytes, quint32 count, quint32 stamp, quint8 kind,
                                   quint32 port) = 0;
};
