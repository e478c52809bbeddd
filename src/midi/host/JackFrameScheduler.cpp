#include "JackFrameScheduler.h"

quint32 JackFrameScheduler::frameForDue(qint64 dueMicroseconds, quint32 dueEstimate, const Now& now)
{
    const quint32 period = now.period > 0 ? now.period : 1;
    const double rate = double(now.sampleRate > 0 ? now.sampleRate : 48000);
    // The first frame a message queued now can still reach.
    const quint32 reachable = now.cycleStart + period;
    if (m_anchored) {
        const qint64 elapsedUs = dueMicroseconds - m_anchorMicroseconds;
        const quint32 counted =
            m_anchorFrame + quint32(qint64(double(elapsedUs) * rate / 1e6 + (elapsedUs >= 0 ? 0.5 : -0.5)));
        const qint32 late = qint32(reachable - counted);
        const qint32 ahead = qint32(counted - dueEstimate);
        if (elapsedUs >= 0 && elapsedUs < AnchorLifeMicroseconds && late <= 0 &&
            ahead <= MaxAheadPeriods * qint32(period))
            return counted;
    }
    m_anchored = true;
    m_anchorMicroseconds = dueMicroseconds;
    m_anchorFrame = dueEstimate + DueLeadPeriods * period;
    // A due time already past when it was sent still goes no earlier than it can.
    if (qint32(reachable - m_anchorFrame) > 0)
        m_anchorFrame = reachable;
    return m_anchorFrame;
}

quint32 JackFrameScheduler::forwardDelay(const Now& now)
{
    return qMax(now.period, now.sampleRate / ForwardDelayMinimumDivisor);
}

quint32 JackFrameScheduler::frameForForwarded(quint32 inputFrame, const Now& now)
{
    const quint32 target = inputFrame + forwardDelay(now);
    const quint32 reachable = now.cycleStart + now.period;
    return qint32(reachable - target) > 0 ? reachable : target;
}
