#include "MidiActivesenseTransmittionThread.h"
#include "MidiSender.h"
#include "MidiTimingClockTransmittionThread.h"

#include <QMutex>
#include <QtTest>

#include <atomic>

namespace {

// Records each send with the due time it carried; the tests read the counts from the GUI thread.
class RecordingSender : public MidiSender
{
public:
    bool sendToOutputPorts(const quint8* bytes, quint32 length, quint8 labelKind, quint32 portSelection, bool,
                           bool, quint64 passThrough, bool, quint32*) override
    {
        QMutexLocker lock(&mutex);
        if (length != 1 || portSelection != 2 || !MidiSender::isDueTime(passThrough))
            malformed = true;
        last = bytes[0];
        kind = labelKind;
        dues.append(MidiSender::dueTimeOf(passThrough));
        return true;
    }
    int count()
    {
        QMutexLocker lock(&mutex);
        return dues.size();
    }
    QVector<qint64> takeDues()
    {
        QMutexLocker lock(&mutex);
        QVector<qint64> taken;
        taken.swap(dues);
        return taken;
    }

    QMutex mutex;
    QVector<qint64> dues;
    quint8 last = 0;
    quint8 kind = 0;
    bool malformed = false;
};

// Releases a worker and waits for its end on every way out of a test (a failed check returns at
// once), so that it never outlives the sender and the clock on the test's stack.
class WorkerGuard
{
public:
    explicit WorkerGuard(WorkerThread* released) : worker(released) {}
    ~WorkerGuard() { finish(); }
    bool finish()
    {
        if (!worker)
            return true;
        worker->release();
        worker = nullptr;
        return WorkerThread::finishReleased(5000);
    }

private:
    WorkerThread* worker;
};

// Waits for the worker to have sent count messages in all.
bool sentCount(RecordingSender& sender, int count)
{
    return QTest::qWaitFor([&sender, count] { return sender.count() == count; }, 10000);
}

} // namespace

// The clock and active-sensing workers on an injected clock that only the test moves: counts and
// due times are exact, whatever the machine's speed.
class GeneratorThreadsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void clockCountIsElapsedTimeOverThePeriod()
    {
        RecordingSender sender;
        std::atomic<qint64> now{1000000};
        auto* thread = new MidiTimingClockTransmittionThread(&sender, [&now] { return now.load(); });
        WorkerGuard guard(thread);
        int blinks = 0;
        connect(thread, &MidiTimingClockTransmittionThread::blinkLed, this, [&blinks] { ++blinks; });
        thread->setTempo(3000);
        const qint64 period = 8333;
        QCOMPARE(qint64(thread->period()), period);
        thread->setPlaying(true);
        QCOMPARE(blinks, 1);
        const qint64 start = now;
        const qint64 lead = MidiTimingClockTransmittionThread::LeadMicroseconds;

        // Two seconds in steps of two and a half periods: each step is lateness to make up, never
        // enough to count as a stall.
        for (qint64 elapsed = 0; elapsed <= 2000000; elapsed += period * 5 / 2) {
            now = start + elapsed;
            QVERIFY(sentCount(sender, int(elapsed / period)));
        }
        const QVector<qint64> dues = sender.takeDues();
        for (int i = 0; i < dues.size(); ++i)
            QCOMPARE(dues[i], start + lead + (i + 1) * period);
        QCOMPARE(sender.last, quint8(0xF8));
        QCOMPARE(sender.kind, quint8(12));
        QVERIFY(!sender.malformed);
        QTRY_COMPARE(blinks, 1 + dues.size() / 24);

        // A new tempo applies from the next clock, counted from the last one.
        const qint64 lastDue = dues.last();
        thread->setTempo(1500);
        now = lastDue - lead + 16666;
        QVERIFY(sentCount(sender, 1));
        QCOMPARE(sender.takeDues().first(), lastDue + 16666);

        // An hour's stall sends one clock, not hundreds of thousands, and the rhythm goes on.
        now = now + qint64(3600) * 1000000;
        QVERIFY(sentCount(sender, 1));
        const qint64 resumed = sender.takeDues().first();
        now = resumed - lead + 3 * 16666;
        QVERIFY(sentCount(sender, 3));
        QCOMPARE(sender.takeDues().last(), resumed + 3 * 16666);

        thread->setPlaying(false);
        now = now + 1000000;
        QTest::qWait(20);
        QCOMPARE(sender.count(), 0);
        QVERIFY(guard.finish());
    }

    void startIsPublishedBeforePlaying()
    {
        // The time of a start is read from the clock inside setPlaying. Reading it takes long
        // here, so a worker that has just come up looks at its flags meanwhile: it must not see
        // playing before the start, or it counts from time 0 and sends a clock at once. Repeated,
        // with fresh workers, to catch the moment either way.
        for (int round = 0; round < 20; ++round) {
            RecordingSender sender;
            std::atomic<qint64> now{1000000};
            QThread* const gui = QThread::currentThread();
            std::atomic<bool> slowOnce{true};
            auto* thread = new MidiTimingClockTransmittionThread(&sender, [&] {
                if (QThread::currentThread() == gui && slowOnce.exchange(false))
                    QThread::msleep(20);
                return now.load();
            });
            WorkerGuard guard(thread);
            thread->setTempo(3000);
            thread->setPlaying(true);
            QTest::qWait(10);
            QCOMPARE(sender.count(), 0);
            // Stopped and started again at once: still nothing before a whole period.
            thread->setPlaying(false);
            thread->setPlaying(true);
            QTest::qWait(5);
            QCOMPARE(sender.count(), 0);
            now = now + 8333 + MidiTimingClockTransmittionThread::LeadMicroseconds;
            QVERIFY(sentCount(sender, 1));
            QVERIFY(guard.finish());
        }
    }

    void activeSensingStopsWithoutWaitingForTheInterval()
    {
        RecordingSender sender;
        std::atomic<qint64> now{5000000};
        auto* thread = new MidiActivesenseTransmittionThread(&sender, [&now] { return now.load(); });
        WorkerGuard guard(thread);
        thread->setInterval(1000);
        // The interval runs from the moment of the start, whenever the worker looks.
        const qint64 start = now;
        thread->setTransmitting(true);

        // The clock stands still: a stop that waited for the interval would never return.
        thread->setTransmitting(false);
        QVERIFY(!thread->isTransmitting());
        QCOMPARE(sender.count(), 0);

        // The interval in progress still ends with its message, at its due time; then none.
        now = start + 999999;
        QTest::qWait(20);
        QCOMPARE(sender.count(), 0);
        now = start + 1000000;
        QVERIFY(sentCount(sender, 1));
        QCOMPARE(sender.takeDues().first(), start + 1000000);
        QCOMPARE(sender.last, quint8(0xFE));
        QCOMPARE(sender.kind, quint8(16));
        now = start + 5000000;
        QTest::qWait(20);
        QCOMPARE(sender.count(), 0);

        // A shorter interval applies to the interval in progress: one already over sends at once.
        const qint64 restart = now;
        thread->setTransmitting(true);
        now = restart + 400000;
        QTest::qWait(20);
        QCOMPARE(sender.count(), 0);
        thread->setInterval(300);
        QVERIFY(sentCount(sender, 1));
        QCOMPARE(sender.takeDues().first(), restart + 300000);
        QVERIFY(!sender.malformed);

        // Released while transmitting, the worker ends without the interval's message.
        QVERIFY(guard.finish());
        QCOMPARE(sender.count(), 0);
    }
};

QTEST_GUILESS_MAIN(GeneratorThreadsTest)
#include "GeneratorThreadsTest.moc"
