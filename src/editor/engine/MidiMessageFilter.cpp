#include "MidiMessageFilter.h"

#include <cstring>

namespace {
constexpr int kindBase = MidiMessageFilter::ChannelCount;
constexpr int controllerBase = kindBase + MidiMessageFilter::KindCount;
} // namespace

MidiMessageFilter::MidiMessageFilter()
{
    std::memset(entries, 0, sizeof entries);
}

void MidiMessageFilter::setChannel(int channel, bool blocked)
{
    if (channel >= 0 && channel < ChannelCount)
        entries[channel] = blocked ? 1 : 0;
}

void MidiMessageFilter::setKind(int kind, bool blocked)
{
    // Control Change is filtered by controller number only; 18 and 19 carry no messages.
    if (kind == MidiMessageKind::ControlChange || kind == 18 || kind == 19)
        return;
    if (kind >= 0 && kind < KindCount)
        entries[kindBase + kind] = blocked ? 1 : 0;
}

void MidiMessageFilter::setController(int controller, bool blocked)
{
    if (controller >= 0 && controller < ControllerCount)
        entries[controllerBase + controller] = blocked ? 1 : 0;
}

bool MidiMessageFilter::passes(const MidiMessage& message) const
{
    const quint8 kind = message.kind();
    if (kind > MidiMessageKind::SystemReset)
        return false;
    if (MidiMessageKind::isChannelKind(kind)) {
        if (entries[message.channel() & 0x0F])
            return false;
        int effective = kind;
        if (kind == MidiMessageKind::NoteOn && message.data2() == 0)
            effective = MidiMessageKind::NoteOff;
        if (entries[kindBase + effective])
            return false;
        if (kind == MidiMessageKind::ControlChange && entries[controllerBase + (message.data1() & 0x7F)])
            return false;
        return true;
    }
    return !entries[kindBase + kind];
}
