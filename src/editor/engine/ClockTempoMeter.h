#pragma once

#include <QtGlobal>

// Measures the tempo of received Timing Clock messages: a moving average over the last 24
// intervals (one quarter note at 24 clocks per quarter). The meter stops after 3 s without a
// clock; the next clock only starts it again, and a value is reported from the clock after that.
//
// Times are microseconds in unsigned 32-bit arithmetic, which wraps about every 71.6 minutes;
// intervals are taken modulo 2^32, so a wrap between two clocks yields the true interval. Stamps
// in milliseconds since local midnight also jump back to 0 at midnight: clockReceivedAtStamp
// recognises that jump and keeps the microsecond time running on, so the midnight clock too is
// measured with its true interval. A clock whose time lies before the previous one (stamps of two
// inputs arriving out of order) is not an interval: it only becomes the new reference.
//
// No lock: the owner serialises access.
class ClockTempoMeter
{
public:
    static constexpr int Window = 24;
    static constexpr quint32 IdleLimit = 3000000; // microseconds
    static constexpr qint32 MaximumTempo = 3000;  // tenths of BPM

    // stampMs: milliseconds since local midnight.
    void clockReceivedAtStamp(quint32 stampMs);
    // timeUs: microseconds, any origin, modulo 2^32.
    void clockReceived(quint32 timeUs);
    void addIdleTime(quint32 microseconds);

    // Tempo in tenths of BPM (at most 3000); false while there is no valid measurement.
    bool read(qint32& tenthsOfBpm) const;
    // The read value, or 0 while there is none.
    qint32 tempo() const;

private:
    void stop();

    quint32 intervals[Window] = {};
    int writeIndex = 0;
    bool ringFull = false;
    quint64 sum = 0;
    bool started = false;
    bool valid = false;
    quint32 lastTime = 0;
    quint32 average = 0;
    quint64 idleTime = 0;

    // Midnight handling for clockReceivedAtStamp.
    bool haveStamp = false;
    quint32 lastStamp = 0;
    quint32 midnightOffset = 0;
};
