#pragma once

#include <QtGlobal>

// How long a MIDI message is, from its first byte: the one table the parser, the host input
// framing and the output ports share.
class MidiMessageLength
{
public:
    // System exclusive runs until its F7.
    static constexpr qint32 Variable = 2147483647;

    // The whole length of a message that begins with this byte: 0 for a data byte and for F7 (it
    // only ends a system-exclusive message), -1 for the undefined status bytes F4, F5, F9 and FD.
    static constexpr qint32 of(quint8 status)
    {
        if (status < 0x80)
            return 0;
        if (status < 0xF0)
            return (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 2 : 3;
        switch (status) {
        case 0xF0:
            return Variable;
        case 0xF1:
        case 0xF3:
            return 2;
        case 0xF2:
            return 3;
        case 0xF7:
            return 0;
        case 0xF4:
        case 0xF5:
        case 0xF9:
        case 0xFD:
            return -1;
        default: // F6 and the real-time messages
            return 1;
        }
    }
};
