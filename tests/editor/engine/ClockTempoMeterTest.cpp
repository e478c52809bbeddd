#include "ClockTempoMeter.h"

#include <QtTest>

class ClockTempoMeterTest : public QObject
{
    Q_OBJECT

private:
    static void clocks(ClockTempoMeter& meter, quint32& time, int count, quint32 interval)
    {
        for (int i = 0; i < count; ++i) {
            time += interval;
            meter.clockReceived(time);
        }
    }

private Q_SLOTS:
    void steadyTempo_data()
    {
        QTest::addColumn<quint32>("interval");
        QTest::addColumn<int>("tenths");
        QTest::newRow("120 BPM") << 20833u << 1200;
        QTest::newRow("faster than 300 BPM is capped") << 5000u << 3000;
        QTest::newRow("zero interval reads the cap") << 0u << 3000;
        QTest::newRow("20 ms") << 20000u << 1250;
    }

    void steadyTempo()
    {
        QFETCH(quint32, interval);
        QFETCH(int, tenths);
        ClockTempoMeter meter;
        quint32 time = 1000;
        meter.clockReceived(time);
        qint32 value = -1;
        QVERIFY(!meter.read(value));
        QCOMPARE(meter.tempo(), 0);
        clocks(meter, time, 30, interval);
        QVERIFY(meter.read(value));
        QCOMPARE(value, tenths);
        QCOMPARE(meter.tempo(), tenths);
    }

    void movingAverageOverTwentyFour()
    {
        ClockTempoMeter meter;
        quint32 time = 0;
        meter.clockReceived(time);
        clocks(meter, time, 1, 20000);
        QCOMPARE(meter.tempo(), 1250); // one interval so far
        clocks(meter, time, 23, 20000);
        clocks(meter, time, 12, 40000); // half the window at the new tempo
        QCOMPARE(meter.tempo(), int(25000000u / 30000u));
        clocks(meter, time, 12, 40000);
        QCOMPARE(meter.tempo(), 625);
    }

    void idleResetAndRestart()
    {
        ClockTempoMeter meter;
        quint32 time = 0;
        meter.clockReceived(time);
        clocks(meter, time, 24, 40000);
        QCOMPARE(meter.tempo(), 625);
        for (int i = 0; i < 30; ++i)
            meter.addIdleTime(100000);
        QCOMPARE(meter.tempo(), 625); // exactly 3 s is not yet "more than 3 s"
        meter.addIdleTime(100000);
        QCOMPARE(meter.tempo(), 0);

        time += 5000000;
        meter.clockReceived(time); // only restarts
        QCOMPARE(meter.tempo(), 0);
        clocks(meter, time, 1, 20000);
        // The pause ended the old measurement: only the new interval counts.
        QCOMPARE(meter.tempo(), 1250);
    }

    void idleTimeIsClearedByEveryClock()
    {
        ClockTempoMeter meter;
        quint32 time = 0;
        meter.clockReceived(time);
        for (int i = 0; i < 10; ++i) {
            meter.addIdleTime(2000000);
            clocks(meter, time, 1, 20000);
        }
        QCOMPARE(meter.tempo(), 1250);
    }

    void wrapOfMicrosecondTime()
    {
        ClockTempoMeter meter;
        quint32 time = 0xFFFFFFFFu - 50000u;
        meter.clockReceived(time);
        clocks(meter, time, 10, 20000); // passes 2^32 on the way
        QCOMPARE(meter.tempo(), 1250);
    }

    void midnightOfMillisecondStamps()
    {
        ClockTempoMeter meter;
        quint32 stamp = 86400000u - 100u;
        for (int i = 0; i < 10; ++i) {
            meter.clockReceivedAtStamp(stamp);
            stamp = (stamp + 20u) % 86400000u;
        }
        QCOMPARE(meter.tempo(), 1250);
        // The µs time must keep running on past the second 2^32 wrap after midnight as well.
        for (quint32 t = 4294967u - 100u; t < 4294967u + 100u; t += 20u)
            meter.clockReceivedAtStamp(t);
        QCOMPARE(meter.tempo(), 1250);
    }

    void earlierClockOnlyBecomesTheReference()
    {
        ClockTempoMeter meter;
        for (quint32 stamp : {1000u, 1020u, 1040u, 1030u, 1050u, 1070u})
            meter.clockReceivedAtStamp(stamp);
        QCOMPARE(meter.tempo(), 1250);
    }

    void idleBeforeStartDoesNothing()
    {
        ClockTempoMeter meter;
        meter.addIdleTime(10000000);
        meter.clockReceived(0);
        meter.clockReceived(20000);
        QCOMPARE(meter.tempo(), 1250);
    }
};

QTEST_APPLESS_MAIN(ClockTempoMeterTest)
#include "ClockTempoMeterTest.moc"
