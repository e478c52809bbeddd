#include "JackMidiService.h"
#include "MidiBulkIntervalManager.h"
#include "MidiHub.h"
#include "MidiTimingClockTransmittionThread.h"
#include "Model.h"
#include "VantelMidiParameterId.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

#include <algorithm>

// The timing clock through the JACK backend into Debian's jack_midi_dump on the private dummy
// server of the JACK fixture (48000 frames per second): the clocks arrive at the rate of the tempo,
// each at the frame of its due time.
class GeneratorJackTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void clockReachesThePeerAtTheRateOfTheTempo()
    {
        QVERIFY2(!qEnvironmentVariableIsEmpty("JACK_DEFAULT_SERVER"), "the fixture names the private server");
        JackMidiService jack;
        QVERIFY(jack.isRunning());
        Model model;
        model.registerParameter(ParamParser, 0, 1, 1, QStringLiteral("Parser"));
        MidiBulkIntervalManager bulk(&model);
        MidiHub hub(&jack);
        hub.setBulkIntervalManager(&bulk);

        QProcess dump;
        dump.start(QStringLiteral("jack_midi_dump"),
                   {QStringLiteral("-a"), QStringLiteral("vantel-clock-dump")});
        QElapsedTimer waited;
        waited.start();
        while (hub.outputPort(0)->open(QStringLiteral("vantel-clock-dump:input")) != 0 &&
               waited.elapsed() < 10000)
            QTest::qWait(50);
        QVERIFY(hub.outputPort(0)->isConnected());

        auto* clock = new MidiTimingClockTransmittionThread(&hub);
        clock->setTempo(3000);
        const quint64 xrunsBefore = jack.xruns();
        QElapsedTimer played;
        played.start();
        clock->setPlaying(true);
        QTest::qWait(3000);
        clock->release();
        const qint64 playedMs = played.elapsed();
        QVERIFY(WorkerThread::finishReleased(5000));
        QTest::qWait(200);
        dump.terminate();
        QVERIFY(dump.waitForFinished(3000));

        QVector<qint64> frames;
        for (const QByteArray& line : dump.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> parts = line.simplified().split(' ');
            if (parts.size() >= 2 && parts[1] == "f8")
                frames.append(parts[0].left(parts[0].size() - 1).toLongLong());
        }
        // 300 BPM: 120 clocks a second, every one of them delivered.
        const double expected = playedMs * 0.12;
        QVERIFY2(frames.size() > expected * 0.95 && frames.size() < expected * 1.05,
                 qPrintable(QStringLiteral("%1 clocks in %2 ms").arg(frames.size()).arg(playedMs)));
        // One every 400 frames, checked for the rate, not to the frame (the precision at a peer is
        // the business of bench/generators/clock-precision.sh). A server that missed cycles
        // meanwhile (a loaded machine) lost frames of its count, which says nothing about us.
        if (jack.xruns() != xrunsBefore)
            return;
        QVector<qint64> intervals;
        for (int i = 1; i < frames.size(); ++i)
            intervals.append(frames[i] - frames[i - 1]);
        std::sort(intervals.begin(), intervals.end());
        const qint64 median = intervals[intervals.size() / 2];
        QVERIFY2(qAbs(median - 400) <= 8,
                 qPrintable(QStringLiteral("median interval %1 frames").arg(median)));
    }
};

QTEST_GUILESS_MAIN(GeneratorJackTest)
#include "GeneratorJackTest.moc"
