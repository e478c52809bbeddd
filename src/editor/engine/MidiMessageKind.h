#pragma once

#include <QtGlobal>

// The kind of a MIDI message: one byte that decides the name column of a monitor line, whether a
// channel is shown, which details text is built and which filter entry applies. The parser yields
// kinds 0..17; 20 marks bytes that were not parsed (parser off, or data sent without a known kind).
class MidiMessageKind
{
public:
    enum Kind : quint8
    {
        NoteOff = 0,
        NoteOn = 1,
        KeyPressure = 2,
        ControlChange = 3,
        ProgramChange = 4,
        ChannelPressure = 5,
        PitchBend = 6,
        SystemExclusive = 7,
        TimeCode = 8,
        SongPosition = 9,
        SongSelect = 10,
        TuneRequest = 11,
        TimingClock = 12,
        Start = 13,
        Continue = 14,
        Stop = 15,
        ActiveSensing = 16,
        SystemReset = 17,
        NotParsed = 20,
    };

    // Number of kinds that have a filter entry (0..19; 18 and 19 carry no messages).
    static constexpr int FilterKindCount = 20;
    static constexpr int NameLength = 8;

    // The eight-character name of the monitor's name column, blank-filled ("NoteOn  "); every kind
    // without a message of its own (18, 19, 20 and anything above) reads "--------".
    static const char* name(quint8 kind);

    // Kinds 0..6 carry a channel in the low four bits of their status byte.
    static bool isChannelKind(quint8 kind) { return kind <= PitchBend; }

    // The kind a status byte starts, or NotParsed for data bytes, F7 and undefined status bytes.
    static quint8 fromStatus(quint8 status);

    // The status byte of a kind (channel kinds with channel 0); 0 for kinds without one.
    static quint8 statusOf(quint8 kind);

    // Whole message length of a kind in bytes; 0 for system exclusive (variable) and kinds
    // without a message.
    static int byteCount(quint8 kind);
};
