// The ring, time stamps, input framing and the receive thread.
#include "HostInputFramer.h"
#include "Midi.h"
#include "MidiDataTransmissionThread.h"
#include "MidiTestSupport.h"
#include "SpscByteRing.h"

#include <QByteArray>
#include <QtTest>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// What the framer delivers for each piece fed to it in turn: short messages, long messages and
// the number of errors.
struct Framed
{
    QList<QByteArray> shorts, longs;
    int errors = 0;
};

Framed frame(HostInputFramer& framer, const QList<QByteArray>& pieces)
{
    Framed out;
    for (const QByteArray& piece : pieces)
        framer.feed(data(piece), quint32(piece.size()),
                    [&](HostMidiService::InputMessage m, quint32 packed, const quint8* b, quint32 n) {
                        const QByteArray bytes(reinterpret_cast<const char*>(b), int(n));
                        if (m == HostMidiService::ShortData) {
                            // The packed form starts with the status byte.
                            QCOMPARE(quint8(packed & 0xFF), quint8(bytes.at(0)));
                            out.shorts.append(bytes);
                        } else if (m == HostMidiService::LongData) {
                            out.longs.append(bytes);
                        } else {
                            ++out.errors;
                        }
                    });
    return out;
}

} // namespace

class MidiRecordsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lockFreeRingAcrossItsEnd()
    {
        // The ring between JACK's process thread and ours: staged bytes are invisible until
        // published, and records split at the end of the storage come back whole.
        SpscByteRing ring(16);
        QCOMPARE(ring.capacity(), 16u);
        QByteArray sent;
        QByteArray received;
        for (int round = 0; round < 20; ++round) {
            const QByteArray chunk(3 + round % 9, char('a' + round));
            QVERIFY(ring.writeSpace() >= quint32(chunk.size()));
            ring.stage(0, chunk.constData(), quint32(chunk.size()));
            QCOMPARE(ring.readAvailable(), 0u);
            ring.publish(quint32(chunk.size()));
            sent += chunk;
            QByteArray out(int(ring.readAvailable()), '\0');
            ring.peek(0, out.data(), quint32(out.size()));
            ring.consume(quint32(out.size()));
            received += out;
        }
        QCOMPARE(received, sent);
        const QByteArray tooBig(17, 'x');
        QVERIFY(!ring.write(tooBig.constData(), 17));
        QVERIFY(ring.write(tooBig.constData(), 16));
        QCOMPARE(ring.writeSpace(), 0u);
    }

    void stamps_data()
    {
        QTest::addColumn<quint32>("counter");
        QTest::addColumn<quint32>("baseCounter");
        QTest::addColumn<quint32>("baseTimeOfDay");
        QTest::addColumn<quint32>("stamp");
        QTest::newRow("at base") << 5000u << 5000u << 1234u << 1234u;
        QTest::newRow("one ms before midnight") << 1000u << 0u << 86398999u << 86399999u;
        QTest::newRow("two ms later wraps to 1") << 1002u << 0u << 86398999u << 1u;
        // The counter passed 2^32 since the base: elapsed is still 20 ms.
        QTest::newRow("counter wrapped") << 10u << 0xFFFFFFF6u << 500u << 520u;
        QTest::newRow("more than a day elapsed") << 86400000u + 7u << 0u << 0u << 7u;
    }
    void stamps()
    {
        QFETCH(quint32, counter);
        QFETCH(quint32, baseCounter);
        QFETCH(quint32, baseTimeOfDay);
        QFETCH(quint32, stamp);
        QCOMPARE(Midi::timeStamp(counter, baseCounter, baseTimeOfDay), stamp);
    }

    // Each input is fed in pieces, as a MIDI graph hands over one event at a time.
    void framing_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<QList<QByteArray>>("shorts");
        QTest::addColumn<QList<QByteArray>>("longs");
        QTest::addColumn<int>("errors");
        using L = QList<QByteArray>;
        QTest::newRow("program change") << L{bytesOf({0xC5, 0x10})} << L{bytesOf({0xC5, 0x10})} << L{} << 0;
        QTest::newRow("tune request") << L{bytesOf({0xF6})} << L{bytesOf({0xF6})} << L{} << 0;
        QTest::newRow("running status")
            << L{bytesOf({0x90, 0x3C, 0x40, 0x3E, 0x41})}
            << L{bytesOf({0x90, 0x3C, 0x40}), bytesOf({0x90, 0x3E, 0x41})} << L{} << 0;
        QTest::newRow("data without status dropped") << L{bytesOf({0x3C, 0x40})} << L{} << L{} << 0;
        QTest::newRow("system common cancels running status")
            << L{bytesOf({0x90, 0x3C, 0x40, 0xF6, 0x3C, 0x40})}
            << L{bytesOf({0x90, 0x3C, 0x40}), bytesOf({0xF6})} << L{} << 0;
        QTest::newRow("clock inside sysex")
            << L{bytesOf({0xF0, 0x01, 0xF8, 0x02, 0xF7})} << L{bytesOf({0xF8})}
            << L{bytesOf({0xF0, 0x01, 0x02, 0xF7})} << 0;
        QTest::newRow("sysex cut by note on")
            << L{bytesOf({0xF0, 0x01, 0x90, 0x3C, 0x40})} << L{bytesOf({0x90, 0x3C, 0x40})} << L{} << 1;
        QTest::newRow("stray end of exclusive") << L{bytesOf({0xF7, 0xF8})} << L{bytesOf({0xF8})} << L{} << 0;
        // A whole short message of another source between two pieces leaves the dump open; one
        // inside a piece still cuts it.
        QTest::newRow("short messages between sysex pieces")
            << L{bytesOf({0xF0, 0x01, 0x02}),
                 bytesOf({0x90, 0x3C, 0x40}),
                 bytesOf({0x03}),
                 bytesOf({0xF1, 0x05}),
                 bytesOf({0xF6}),
                 bytesOf({0x04, 0xF7}),
                 bytesOf({0xF0, 0x01}),
                 bytesOf({0x90, 0x3C, 0x40, 0x3E})}
            << L{bytesOf({0x90, 0x3C, 0x40}), bytesOf({0xF1, 0x05}), bytesOf({0xF6}),
                 bytesOf({0x90, 0x3C, 0x40})}
            << L{bytesOf({0xF0, 0x01, 0x02, 0x03, 0x04, 0xF7})} << 1;
    }
    void framing()
    {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(QList<QByteArray>, shorts);
        QFETCH(QList<QByteArray>, longs);
        QFETCH(int, errors);
        HostInputFramer framer(16384);
        const Framed got = frame(framer, pieces);
        QCOMPARE(got.shorts, shorts);
        QCOMPARE(got.longs, longs);
        QCOMPARE(got.errors, errors);
    }

    void resetEndsUnfinishedSysexAsError()
    {
        HostInputFramer framer(16);
        frame(framer, {bytesOf({0xF0, 1, 2, 3})});
        int errors = 0;
        framer.reset([&](HostMidiService::InputMessage m, quint32, const quint8*, quint32) {
            errors += m == HostMidiService::LongError;
        });
        QCOMPARE(errors, 1);
        // Running status is gone too.
        QVERIFY(frame(framer, {bytesOf({0x3C, 0x40})}).shorts.isEmpty());
    }

    void threadHandsOnRecordsInOrderAcrossWraps()
    {
        // A ring of 100 bytes wraps many times; records of varying length must survive every split.
        MidiDataTransmissionThread thread(nullptr, 100, 1);
        RecordSink sink;
        thread.setReceiver(&RecordSink::receive, &sink);
        QList<QByteArray> sent;
        for (int i = 0; i < 300; ++i) {
            QByteArray r(1 + (i * 7) % 80, char(i));
            sent.append(r);
            thread.enqueue(data(r), quint16(r.size()), quint32(i), quint64(i) << 40);
        }
        QTRY_COMPARE_WITH_TIMEOUT(sink.count(), 300, 10000);
        QMutexLocker lock(&sink.mutex);
        QCOMPARE(sink.records, sent);
        for (int i = 0; i < 300; ++i) {
            QCOMPARE(sink.stamps.at(i), quint32(i));
            QCOMPARE(sink.hostStamps.at(i), quint64(i) << 40);
        }
    }

    void recordLargerThanRingIsDroppedAFullRingMakesTheProducerWait()
    {
        MidiDataTransmissionThread thread(nullptr, 16398, 0);
        RecordSink sink;
        thread.setReceiver(&RecordSink::receive, &sink);
        QByteArray big(16385, char(0x22));
        thread.enqueue(data(big), quint16(big.size()), 0, 0);
        // The receiver is slow; a full ring makes the producer wait, and nothing is lost.
        sink.delayMs = 20;
        QByteArray fits(16384, char(0x33));
        for (int i = 0; i < 4; ++i)
            thread.enqueue(data(fits), quint16(fits.size()), 0, 0);
        QTRY_COMPARE(sink.count(), 4);
        QMutexLocker lock(&sink.mutex);
        QCOMPARE(sink.records.first(), fits);
    }

    void noReceiverCallsAfterRemovalOrDestruction()
    {
        RecordSink sink;
        sink.delayMs = 1;
        auto thread = std::make_unique<MidiDataTransmissionThread>(nullptr, 16398, 0);
        thread->setReceiver(&RecordSink::receive, &sink);
        std::atomic<bool> stop{false};
        MidiDataTransmissionThread* raw = thread.get();
        std::thread producer([&] {
            const quint8 note[3] = {0x90, 0x3C, 0x40};
            while (!stop)
                raw->enqueue(note, 3, 0, 0);
        });
        QTRY_VERIFY(sink.calls > 5);
        raw->setReceiver(nullptr, nullptr);
        const int afterRemoval = sink.calls;
        QTest::qWait(50);
        QCOMPARE(sink.calls.load(), afterRemoval);
        raw->setReceiver(&RecordSink::receive, &sink);
        QTRY_VERIFY(sink.calls > afterRemoval);
        // Destruction while data keeps arriving: the producer is still running against it, so stop it
        // first the way a port does (host input stopped before the thread goes).
        stop = true;
        producer.join();
        thread.reset();
        const int afterDestruction = sink.calls;
        QTest::qWait(30);
        QCOMPARE(sink.calls.load(), afterDestruction);
    }
};

QTEST_GUILESS_MAIN(MidiRecordsTest)
#include "MidiRecordsTest.moc"
