#pragma once

#include "MidiMessageKind.h"

#include <QByteArray>
#include <QtGlobal>

// One parsed MIDI message. Pure data: every display rule lives in the analyzer.
//
// data1/data2 hold the data bytes of the kinds that have them (both for kinds 0..6 and 9, data1
// only for 8 and 10); pitch bend's 14-bit value is data1 + 128 * data2. A system-exclusive message
// keeps its whole text, F0 to F7, in sysEx (implicitly shared, so copies are cheap).
class MidiMessage
{
public:
    MidiMessage() = default;
    MidiMessage(quint8 kind, quint8 channel, quint8 data1 = 0, quint8 data2 = 0);
    static MidiMessage systemExclusive(const QByteArray& bytes);

    quint8 kind() const { return messageKind; }
    // 0..15 for kinds 0..6, 255 for system messages.
    quint8 channel() const { return messageChannel; }
    quint8 data1() const { return firstData; }
    quint8 data2() const { return secondData; }
    // Pitch bend 0..16383, 8192 the centre; song position in sixteenth notes.
    quint16 value14() const { return quint16(firstData + 128 * secondData); }
    const QByteArray& sysEx() const { return sysExBytes; }

    // Length of the canonical byte form.
    int byteCount() const;

    // Writes the canonical bytes (status byte on every message, channel included) of a message of
    // at most three bytes to out and returns their count; 0 for system exclusive, which has its
    // bytes in sysEx(), and for kinds without a message.
    int encodeShort(quint8 out[3]) const;
    // The canonical bytes of any message.
    QByteArray encode() const;

    bool operator==(const MidiMessage& other) const;
    bool operator!=(const MidiMessage& other) const { return !(*this == other); }

private:
    quint8 messageKind = MidiMessageKind::NotParsed;
    quint8 messageChannel = 255;
    quint8 firstData = 0;
    quint8 secondData = 0;
    QByteArray sysExBytes;
};
