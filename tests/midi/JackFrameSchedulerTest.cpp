// The frame arithmetic of the JACK output, without a server: the figures a server would report
// are made up by the test.
#include "JackFrameScheduler.h"

#include <QtTest>

namespace {

constexpr quint32 period = 256;
constexpr quint32 rate = 48000;

// The server's figures when the current frame is frame.
JackFrameScheduler::Now at(quint32 frame)
{
    JackFrameScheduler::Now now;
    now.period = period;
    now.sampleRate = rate;
    now.frame = frame;
    now.cycleStart = frame - frame % period;
    return now;
}

} // namespace

class JackFrameSchedulerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dueTimesKeepTheirDistanceThroughWobbleAndLateCycles()
    {
        // A clock every 10 ms (480 frames). The server's estimate of each due time wobbles by up
        // to a period (late wake-ups of its cycles, a missed cycle), the sender is up to a period
        // late: the frames stay exactly 480 apart.
        JackFrameScheduler scheduler;
        const qint64 start = 5000000;
        const quint32 startFrame = 1000000;
        const qint32 wobble[] = {0, 37, -20, 255, -128, 3, 200, -1};
        const qint32 lateness[] = {0, 100, 256, 17, 0, 255, 64, 5};
        quint32 first = 0;
        for (int i = 0; i < 400; ++i) {
            const qint64 due = start + qint64(i) * 10000;
            const quint32 exact = startFrame + quint32(i) * 480;
            const JackFrameScheduler::Now now = at(exact + quint32(lateness[i % 8]));
            const quint32 frame = scheduler.frameForDue(due, exact + quint32(wobble[i % 8]), now);
            if (i == 0) {
                first = frame;
                // Two periods of lead beyond the estimate.
                QCOMPARE(frame, exact + 2 * period);
            }
            QCOMPARE(frame, first + quint32(i) * 480);
            // Always in a cycle still to come.
            QVERIFY(qint32(frame - (now.cycleStart + period)) >= 0);
        }
    }

    void anchorIsTakenAgainWhenAMessageWouldMissItsCycle_data()
    {
        QTest::addColumn<qint64>("gapMicroseconds"); // from the first message to the second
        QTest::addColumn<qint32>("estimateShift");   // of the second's estimate, frames
        QTest::addColumn<qint32>("lateness");        // of the current frame at the second send
        QTest::addColumn<bool>("kept");
        QTest::newRow("steady") << qint64(10000) << 0 << 0 << true;
        QTest::newRow("server a period ahead") << qint64(10000) << 256 << 256 << true;
        QTest::newRow("sender two periods late: would miss") << qint64(10000) << 0 << 600 << false;
        QTest::newRow("estimate far ahead of the count") << qint64(10000) << -2000 << 0 << false;
        QTest::newRow("time ran backwards") << qint64(-10000) << 0 << 0 << false;
        QTest::newRow("anchor too old") << qint64(601) * 1000000 << 0 << 0 << false;
    }
    void anchorIsTakenAgainWhenAMessageWouldMissItsCycle()
    {
        QFETCH(qint64, gapMicroseconds);
        QFETCH(qint32, estimateShift);
        QFETCH(qint32, lateness);
        QFETCH(bool, kept);
        JackFrameScheduler scheduler;
        const quint32 firstFrame = scheduler.frameForDue(1000000, 50000, at(50000));
        const quint32 counted = firstFrame + quint32(qint64(gapMicroseconds) * rate / 1000000);
        const quint32 estimate = 50000 + quint32(qint32(gapMicroseconds * rate / 1000000) + estimateShift);
        const JackFrameScheduler::Now now = at(estimate - quint32(estimateShift) + quint32(lateness));
        const quint32 frame = scheduler.frameForDue(1000000 + gapMicroseconds, estimate, now);
        if (kept) {
            QCOMPARE(frame, counted);
        } else {
            const quint32 fresh = estimate + 2 * period;
            const quint32 reachable = now.cycleStart + period;
            QCOMPARE(frame, qint32(reachable - fresh) > 0 ? reachable : fresh);
        }
    }

    void frameNumbersWrap()
    {
        JackFrameScheduler scheduler;
        const quint32 nearEnd = 0xFFFFFF00u;
        const quint32 first = scheduler.frameForDue(0, nearEnd, at(nearEnd));
        const quint32 second = scheduler.frameForDue(20000, nearEnd + 960, at(nearEnd + 960));
        QCOMPARE(quint32(second - first), 960u);
        QCOMPARE(JackFrameScheduler::frameForNow(at(0xFFFFFFF0u)), 0xFFFFFFF0u + period);
    }

    void forwardedMessagesKeepTheirInputsDistance()
    {
        // Inputs 8000 and 4000 frames apart leave exactly as far apart, a constant delay later,
        // however late the forwarding thread got to them within it.
        const quint32 inputs[] = {100000, 108000, 112000, 120000};
        const quint32 handled[] = {100050, 108031, 112300, 120200};
        const quint32 delay = JackFrameScheduler::forwardDelay(at(0));
        // A period, but not less than 10 ms.
        QCOMPARE(delay, 480u);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(JackFrameScheduler::frameForForwarded(inputs[i], at(handled[i])), inputs[i] + delay);
        JackFrameScheduler::Now large = at(0);
        large.period = 1024;
        QCOMPARE(JackFrameScheduler::forwardDelay(large), 1024u);
        // Held up beyond the delay, a message goes in the first cycle it can still reach.
        const JackFrameScheduler::Now late = at(100000 + 3 * period + 10);
        QCOMPARE(JackFrameScheduler::frameForForwarded(100000, late), late.cycleStart + period);
    }
};

QTEST_GUILESS_MAIN(JackFrameSchedulerTest)
#include "JackFrameSchedulerTest.moc"
