#include "MidiMessageKind.h"

namespace {

const char* const kindNames[18] = {
    "NoteOff ", "NoteOn  ", "KeyPre  ", "CC      ", "PC      ", "Ch.Pre  ",
    "PB      ", "SysEx   ", "TimeCode", "SongPos ", "SongSel ", "TuneReq ",
    "T.Clock ", "Start   ", "Continue", "Stop    ", "A.Sense ", "SysReset",
};

const quint8 kindStatus[18] = {
    0x80, 0x90, 0xA0, 0xB0, 0xC0, 0xD0, 0xE0, 0xF0, 0xF1,
    0xF2, 0xF3, 0xF6, 0xF8, 0xFA, 0xFB, 0xFC, 0xFE, 0xFF,
};

const int kindBytes[18] = {3, 3, 3, 3, 2, 2, 3, 0, 2, 3, 2, 1, 1, 1, 1, 1, 1, 1};

} // namespace

const char* MidiMessageKind::name(quint8 kind)
{
    return kind <= SystemReset ? kindNames[kind] : "--------";
}

quint8 MidiMessageKind::fromStatus(quint8 status)
{
    if (status < 0x80)
        return NotParsed;
    if (status < 0xF0)
        return quint8((status >> 4) - 8);
    switch (status) {
    case 0xF0:
        return SystemExclusive;
    case 0xF1:
        return TimeCode;
    case 0xF2:
        return SongPosition;
    case 0xF3:
        return SongSelect;
    case 0xF6:
        return TuneRequest;
    case 0xF8:
        return TimingClock;
    case 0xFA:
        return Start;
    case 0xFB:
        return Continue;
    case 0xFC:
        return Stop;
    case 0xFE:
        return ActiveSensing;
    case 0xFF:
        return SystemReset;
    default:
        return NotParsed;
    }
}

quint8 MidiMessageKind::statusOf(quint8 kind)
{
    return kind <= SystemReset ? kindStatus[kind] : 0;
}

int MidiMessageKind::byteCount(quint8 kind)
{
    return kind <= SystemReset ? kindBytes[kind] : 0;
}
