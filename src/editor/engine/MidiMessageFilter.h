#pragma once

#include "MidiMessage.h"

#include <QtGlobal>

// Decides whether the MIDI In monitor shows a message. Every entry set to true filters matching
// messages out; all entries start false. Control Change has no kind entry (setKind ignores kind 3,
// and 18 and 19, which carry no messages): it is filtered by controller number only. A Note On with velocity
// 0 counts as a Note Off. No lock: the owner serialises access.
class MidiMessageFilter
{
public:
    static constexpr int ChannelCount = 16;
    static constexpr int KindCount = MidiMessageKind::FilterKindCount;
    static constexpr int ControllerCount = 128;

    MidiMessageFilter();

    // Out-of-range indexes are ignored. channel: 0..15 (MIDI channel 1..16).
    void setChannel(int channel, bool blocked);
    void setKind(int kind, bool blocked);
    void setController(int controller, bool blocked);

    bool passes(const MidiMessage& message) const;

private:
    // One flat array, as the settings views address it: channels, then kinds, then controllers.
    quint8 entries[ChannelCount + KindCount + ControllerCount];
};
