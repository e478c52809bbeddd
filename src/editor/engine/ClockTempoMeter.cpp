#include "ClockTempoMeter.h"

#include <algorithm>

namespace {
constexpr quint32 dayMs = 86400000u;
// A day in microseconds, modulo 2^32.
constexpr quint32 dayUs = quint32((quint64(dayMs) * 1000u) & 0xFFFFFFFFu);
} // namespace

void ClockTempoMeter::clockReceivedAtStamp(quint32 stampMs)
{
    // Stamps only ever run forward within a day; a fall by more than half a day is midnight.
    if (haveStamp && stampMs < lastStamp && lastStamp - stampMs > dayMs / 2)
        midnightOffset += dayUs;
    haveStamp = true;
    lastStamp = stampMs;
    clockReceived(stampMs * 1000u + midnightOffset);
}

void ClockTempoMeter::clockReceived(quint32 timeUs)
{
    if (!started) {
        started = true;
        lastTime = timeUs;
        idleTime = 0;
        return;
    }
    const quint32 interval = timeUs - lastTime;
    lastTime = timeUs;
    idleTime = 0;
    if (interval > 0x80000000u)
        return; // earlier than the previous clock: a new reference, not an interval

    if (ringFull)
        sum -= intervals[writeIndex];
    intervals[writeIndex] = interval;
    sum += interval;
    if (++writeIndex == Window) {
        writeIndex = 0;
        ringFull = true;
    }
    average = quint32(sum / quint64(ringFull ? Window : writeIndex));
    valid = true;
}

void ClockTempoMeter::addIdleTime(quint32 microseconds)
{
    if (!started)
        return;
    idleTime += microseconds;
    if (idleTime > IdleLimit)
        stop();
}

void ClockTempoMeter::stop()
{
    started = false;
    valid = false;
    lastTime = 0;
    average = 0;
    idleTime = 0;
    // Intervals from before the pause belong to another performance (the tempo may have been
    // changed meanwhile); averaging them in would show a wrong tempo for a whole beat.
    std::fill(intervals, intervals + Window, 0u);
    writeIndex = 0;
    ringFull = false;
    sum = 0;
}

bool ClockTempoMeter::read(qint32& tenthsOfBpm) const
{
    if (!valid)
        return false;
    if (average == 0)
        tenthsOfBpm = MaximumTempo;
    else
        tenthsOfBpm = qint32(std::min<quint32>(quint32(MaximumTempo), 25000000u / average));
    return true;
}

qint32 ClockTempoMeter::tempo() const
{
    qint32 value = 0;
    return read(value) ? value : 0;
}
