#pragma once

#include <QtGlobal>

// Where on the server's frame clock an output message goes: pure arithmetic on frames and
// microseconds, with no server behind it (the JACK service feeds it the server's figures).
//
// Three kinds of message:
// - sent now: the frame one lead after the current frame;
// - due at a moment of the monotonic clock (timing clock, active sensing): frames are counted from
//   an anchor, one point where monotonic time and frames met, so steady due times land at steady
//   frames whatever the server's per-cycle estimate does. The anchor is placed a lead beyond the
//   estimate of its due time and kept while the messages it places can still reach their cycle; a
//   late cycle or a late sender within the lead moves nothing. It is taken again only when a
//   message would land in a cycle already gone, runs far ahead of the estimate (the sender paused,
//   the clocks drifted), or after a long time;
// - forwarded from an input (thru): the input's frame plus a constant delay (forwardDelay), so
//   the intervals at the output equal those at the input to the frame.
// Frame numbers wrap at 2^32 like the server's; differences are taken modulo that.
class JackFrameScheduler
{
public:
    // The server's figures at the moment a message is queued.
    struct Now
    {
        quint32 period = 1024; // frames per cycle
        quint32 sampleRate = 48000;
        quint32 frame = 0;      // the server's estimate of the current frame
        quint32 cycleStart = 0; // first frame of the cycle being processed (or just processed)
    };

    // Leads, in periods: what a message queued now needs to reach its cycle, and what a due-time
    // message keeps in hand against late cycles and a late sender.
    static constexpr quint32 NowLeadPeriods = 1;
    static constexpr quint32 DueLeadPeriods = 2;
    // Forwarded messages leave a period after their input, and never less than a hundredth of a
    // second: at small periods the forwarding threads need more than one period on a busy machine.
    static constexpr quint32 ForwardDelayMinimumDivisor = 100;
    // An anchor serves this long at most (the monotonic clock and the sample clock drift apart).
    static constexpr qint64 AnchorLifeMicroseconds = 600LL * 1000000;
    // Ahead of the estimate by more than this many periods, a message waits longer than it must.
    static constexpr qint32 MaxAheadPeriods = 4;

    static quint32 frameForNow(const Now& now) { return now.frame + NowLeadPeriods * now.period; }

    // dueEstimate: the server's estimate of the frame of dueMicroseconds.
    quint32 frameForDue(qint64 dueMicroseconds, quint32 dueEstimate, const Now& now);

    // The constant delay of forwarded messages, in frames.
    static quint32 forwardDelay(const Now& now);
    // inputFrame: the frame the input event had. Never earlier than what a message sent now gets:
    // a forwarded message that was held up goes as soon as it can.
    static quint32 frameForForwarded(quint32 inputFrame, const Now& now);

    // Forgets the anchor (the port was opened anew, the server restarted).
    void reset() { m_anchored = false; }
    bool anchored() const { return m_anchored; }

private:
    bool m_anchored = false;
    qint64 m_anchorMicroseconds = 0;
    quint32 m_anchorFrame = 0;
};
