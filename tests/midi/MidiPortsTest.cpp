// Input and output ports on the loopback MIDI system.
#include "LoopbackMidiService.h"
#include "MidiClient.h"
#include "MidiInputPort.h"
#include "MidiOutputPort.h"
#include "MidiTestSupport.h"

#include <QElapsedTimer>
#include <QtTest>

class MidiPortsTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<LoopbackMidiService> host;
    std::unique_ptr<MidiClient> client;
    RecordSink sink;

    std::unique_ptr<MidiInputPort> makeInput(quint32 number = 0)
    {
        auto port = std::make_unique<MidiInputPort>(client.get(), 16384, number,
                                                    HostMidiService::milliseconds(), Midi::localTimeOfDay());
        port->setReceiver(&RecordSink::receive, &sink);
        return port;
    }
    std::unique_ptr<MidiOutputPort> makeOutput(quint32 number = 0)
    {
        return std::make_unique<MidiOutputPort>(client.get(), 16384, number, HostMidiService::milliseconds(),
                                                Midi::localTimeOfDay());
    }
    QList<QByteArray> settle()
    {
        host->waitUntilDelivered();
        // The receive thread runs on; give it the moment it needs after the last hand-over.
        int last = -1;
        while (sink.calls != last) {
            last = sink.calls;
            QTest::qWait(20);
        }
        return sink.take();
    }

private Q_SLOTS:
    void init()
    {
        host = std::make_unique<LoopbackMidiService>();
        host->setRecordSent(true);
        client = std::make_unique<MidiClient>(host.get());
        sink.take();
        sink.calls = 0;
    }
    void cleanup()
    {
        client.reset();
        host.reset();
    }

    void unopenedPortsShowNotConnected()
    {
        auto in = makeInput();
        auto out = makeOutput(1);
        QCOMPARE(in->getPortName(), QStringLiteral("Not Connected"));
        QCOMPARE(out->getPortName(), QStringLiteral("Not Connected"));
        QCOMPARE(in->deviceIndex(), -1);
        QCOMPARE(out->manufacturerId(), 0xFFFFFFFFu);
        QCOMPARE(in->close(), 1);
        QCOMPARE(out->close(), 1);
        // A send fails without troubling the host.
        QCOMPARE(out->send(data(bytesOf({0x90, 0x3C, 0x40})), 3, nullptr), 1);
        QCOMPARE(host->sendCalls(), 0u);
    }

    void enumerationListsDevicesAndKeepsTheOpenOne()
    {
        auto in = makeInput();
        QCOMPARE(in->enumerateDevices(), (QStringList{loopA, loopB}));
        QCOMPARE(in->open(1), 0);
        QCOMPARE(in->getPortName(), loopB);
        host->setDeviceNames({QStringLiteral("Other"), loopB}, {loopA, loopB});
        QCOMPARE(in->enumerateDevices(), (QStringList{QStringLiteral("Other"), loopB}));
        QCOMPARE(in->getPortName(), loopB);
        QCOMPARE(in->deviceIndex(), 1);
    }

    void inputLengthsByStatusByte_data()
    {
        QTest::addColumn<quint32>("packed");
        QTest::addColumn<QByteArray>("record");
        QTest::newRow("clock") << 0x000000F8u << bytesOf({0xF8});
        QTest::newRow("program change") << 0x000010C5u << bytesOf({0xC5, 0x10});
        QTest::newRow("song position") << 0x000201F2u << bytesOf({0xF2, 0x01, 0x02});
        QTest::newRow("tune request") << 0x00FFFFF6u << bytesOf({0xF6});
    }
    void inputLengthsByStatusByte()
    {
        QFETCH(quint32, packed);
        QFETCH(QByteArray, record);
        auto in = makeInput();
        QCOMPARE(in->open(loopA), 0);
        host->injectMessage(loopA, HostMidiService::ShortData, packed);
        QCOMPARE(settle(), QList<QByteArray>{record});
    }

    void inputDropsWhatCarriesNoMessage()
    {
        auto in = makeInput();
        QCOMPARE(in->open(loopA), 0);
        host->injectMessage(loopA, HostMidiService::ShortData, 0x00403C10u);              // no status byte
        host->injectMessage(loopA, HostMidiService::LongError, 0, bytesOf({0xF0, 1, 2})); // recycled, dropped
        host->injectMessage(loopA, HostMidiService::LongData, 0, QByteArray()); // buffer returned on reset
        host->injectMessage(loopA, HostMidiService::ShortError, 0x90u);
        host->injectMessage(loopA, HostMidiService::ShortData, 0xFEu);
        QCOMPARE(settle(), QList<QByteArray>{bytesOf({0xFE})});
    }

    void largeSysexArrivesAsFullRecordThenRest()
    {
        auto in = makeInput(1);
        QCOMPARE(in->open(loopA), 0);
        const QByteArray message = sysex(20000);
        host->injectBytes(loopA, message);
        const QList<QByteArray> records = settle();
        QCOMPARE(records.size(), 2);
        QCOMPARE(records.at(0).size(), 16384);
        QCOMPARE(records.at(1).size(), 3616);
        QCOMPARE(records.at(0) + records.at(1), message);
    }

    void dumpPiecesWithAnotherSourcesNotesBetweenArriveWhole()
    {
        // A MIDI graph merges two sources into one input: the pieces of a dump (events of at most
        // 4096 bytes) with complete short messages of another source between them.
        auto in = makeInput();
        QCOMPARE(in->open(loopA), 0);
        const QByteArray dump = sysex(10000, 0x22);
        const QList<QByteArray> between = {bytesOf({0x90, 0x3C, 0x40}), bytesOf({0xC1, 0x05}),
                                           bytesOf({0xF8})};
        for (int offset = 0, i = 0; offset < dump.size(); offset += 4096, ++i) {
            host->injectBytes(loopA, dump.mid(offset, 4096));
            if (offset + 4096 < dump.size())
                host->injectBytes(loopA, between.at(i));
        }
        host->injectBytes(loopA, bytesOf({0x80, 0x3C, 0x40}));
        const QList<QByteArray> records = settle();
        QCOMPARE(records,
                 (QList<QByteArray>{between.at(0), between.at(1), dump, bytesOf({0x80, 0x3C, 0x40})}));
    }

    void openByUnknownNameKeepsTheOpenDeviceARefusedOneDoesNot()
    {
        auto in = makeInput();
        auto out = makeOutput();
        QCOMPARE(in->open(loopB), 0);
        QCOMPARE(out->open(loopA), 0);
        QCOMPARE(in->open(QStringLiteral("No Such Device")), 1);
        QCOMPARE(out->open(QStringLiteral("loopback a")), 1); // names match case-sensitively
        QCOMPARE(in->getPortName(), loopB);
        QCOMPARE(out->getPortName(), loopA);
        host->injectBytes(loopB, bytesOf({0xF8}));
        QCOMPARE(settle().size(), 1);

        host->setRefuseOpen(true);
        QCOMPARE(in->open(loopA), 1);
        QCOMPARE(out->open(loopB), 1);
        QCOMPARE(in->getPortName(), QStringLiteral("Not Connected"));
        QCOMPARE(out->deviceIndex(), -1);
        QCOMPARE(in->open(7), 1); // not a listed index
    }

    void sendRules_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("forceLong");
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("hostContacted");
        QTest::addColumn<bool>("isLong");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("nothing") << QByteArray() << false << 1 << false << false << QByteArray();
        QTest::newRow("four bytes, short")
            << bytesOf({0x90, 1, 2, 3}) << false << 1 << false << false << QByteArray();
        QTest::newRow("four bytes, force long")
            << bytesOf({0x90, 1, 2, 3}) << true << 0 << true << true << bytesOf({0x90, 1, 2, 3});
        QTest::newRow("note on") << bytesOf({0x90, 0x3C, 0x40}) << false << 0 << true << false
                                 << bytesOf({0x90, 0x3C, 0x40});
        QTest::newRow("sysex") << bytesOf({0xF0, 0x7E, 0xF7}) << false << 0 << true << true
                               << bytesOf({0xF0, 0x7E, 0xF7});
        // The status byte decides the length of a short message.
        QTest::newRow("program change with a spare byte")
            << bytesOf({0xC0, 0x05, 0x00}) << false << 0 << true << false << bytesOf({0xC0, 0x05});
        QTest::newRow("note on without velocity")
            << bytesOf({0x90, 0x3C}) << false << 0 << true << false << bytesOf({0x90, 0x3C, 0x00});
        QTest::newRow("running status data")
            << bytesOf({0x3C, 0x40}) << false << 0 << true << false << bytesOf({0x3C, 0x40});
    }
    void sendRules()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, forceLong);
        QFETCH(int, result);
        QFETCH(bool, hostContacted);
        QFETCH(bool, isLong);
        QFETCH(QByteArray, wire);
        auto out = makeOutput();
        QCOMPARE(out->open(loopA), 0);
        const quint32 calls = host->sendCalls();
        quint32 stamp = 0xFFFFFFFFu;
        QCOMPARE(out->send(data(bytes), quint32(bytes.size()), &stamp, forceLong), result);
        QCOMPARE(host->sendCalls() != calls, hostContacted);
        if (result == 0) {
            QVERIFY(stamp < Midi::MillisecondsPerDay);
            const auto sent = host->takeSent();
            QCOMPARE(sent.size(), 1);
            QCOMPARE(sent.first().bytes, wire);
            QCOMPARE(sent.first().isLong, isLong);
        }
    }

    void loopbackKeepsNoCopyUnlessAsked()
    {
        host->setRecordSent(false);
        auto out = makeOutput();
        QCOMPARE(out->open(loopA), 0);
        const QByteArray noteOn = bytesOf({0x90, 0x3C, 0x40});
        quint32 stamp = 0;
        QCOMPARE(out->send(data(noteOn), 3, &stamp), 0);
        host->setRecordSent(true);
        QVERIFY(host->takeSent().isEmpty());
    }

    void longMessageCompletion_data()
    {
        QTest::addColumn<int>("completion");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("atLeastMs");
        using C = LoopbackMidiService::Completion;
        QTest::newRow("never completed: fails after a second") << int(C::Never) << 1 << 999;
        // Millisecond clocks truncate both ends: allow the last millisecond.
        QTest::newRow("completed late: succeeds") << int(C::Delayed) << 0 << 299;
        QTest::newRow("refused") << -1 << 1 << 0;
    }
    void longMessageCompletion()
    {
        QFETCH(int, completion);
        QFETCH(int, result);
        QFETCH(int, atLeastMs);
        auto out = makeOutput();
        QCOMPARE(out->open(loopA), 0);
        if (completion < 0)
            host->setRefuseSend(true);
        else
            host->setCompletion(LoopbackMidiService::Completion(completion), 300);
        const quint8 sysex[3] = {0xF0, 0x01, 0xF7};
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(out->send(sysex, 3, nullptr), result);
        QVERIFY2(timer.elapsed() >= atLeastMs, qPrintable(QString::number(timer.elapsed())));
        // Short messages do not wait for completion; a refused one fails too.
        const quint8 note[3] = {0x90, 0x3C, 0x40};
        QCOMPARE(out->send(note, 3, nullptr), completion < 0 ? 1 : 0);
    }

    void outputArrivesAtTheInputOfTheSameName()
    {
        auto in1 = makeInput(0);
        auto in2 = makeInput(1);
        auto out = makeOutput(1);
        QCOMPARE(in1->open(loopA), 0);
        QCOMPARE(in2->open(loopB), 0);
        QCOMPARE(out->open(loopB), 0);
        const QByteArray note = bytesOf({0x91, 0x40, 0x7F});
        const quint32 before = in2->currentTimeStamp();
        QCOMPARE(out->send(data(note), 3, nullptr), 0);
        host->waitUntilDelivered();
        QTRY_COMPARE(sink.calls.load(), 1);
        const quint32 after = in2->currentTimeStamp();
        QMutexLocker lock(&sink.mutex);
        QCOMPARE(sink.records, QList<QByteArray>{note});
        QCOMPARE(sink.ports, QList<quint32>{1});
        // The record carries a stamp of now. Near midnight the stamps wrap; compare on the circle of
        // one day.
        QVERIFY((sink.stamps.first() - before + Midi::MillisecondsPerDay) % Midi::MillisecondsPerDay <=
                (after - before + Midi::MillisecondsPerDay) % Midi::MillisecondsPerDay);
    }

    void closedOrDestroyedInputReceivesNothing()
    {
        auto in = makeInput();
        QCOMPARE(in->open(loopA), 0);
        QCOMPARE(in->close(), 0);
        host->injectBytes(loopA, bytesOf({0xF8}));
        QVERIFY(settle().isEmpty());
        // Destroyed while data arrives.
        QCOMPARE(in->open(loopA), 0);
        for (int i = 0; i < 2000; ++i)
            host->injectBytes(loopA, bytesOf({0x90, 0x3C, 0x40}));
        QTRY_VERIFY(sink.calls > 0);
        in.reset();
        const int calls = sink.calls;
        host->waitUntilDelivered();
        QTest::qWait(30);
        QCOMPARE(sink.calls.load(), calls);
    }
};

QTEST_GUILESS_MAIN(MidiPortsTest)
#include "MidiPortsTest.moc"
