// The send operation, bulk pauses and the port operations of the menus, on the loopback system.
#include "MidiHub.h"
#include "LoopbackMidiService.h"
#include "MidiBulkIntervalManager.h"
#include "MidiOutMonitor.h"
#include "MidiTestSupport.h"
#include "Model.h"
#include "VantelMidiParameterId.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QtTest>

namespace {

struct Line
{
    quint32 count;
    quint8 firstByte;
    quint8 kind;
    quint32 port;
    bool operator==(const Line& o) const
    {
        return count == o.count && firstByte == o.firstByte && kind == o.kind && port == o.port;
    }
};

class RecordingMonitor : public MidiOutMonitor
{
public:
    void appendTransmitted(const quint8* bytes, quint32 count, quint32 stamp, quint8 kind,
                           quint32 port) override
    {
        QMutexLocker lock(&mutex);
        lines.append(Line{count, bytes[0], kind, port});
        stamps.append(stamp);
    }
    QMutex mutex;
    QList<Line> lines;
    QList<quint32> stamps;
};

} // namespace

class MidiHubTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Model> model;
    std::unique_ptr<LoopbackMidiService> host;
    std::unique_ptr<MidiHub> hub;
    std::unique_ptr<MidiBulkIntervalManager> bulk;
    RecordingMonitor monitor;

    void openOutputs(bool port1, bool port2)
    {
        if (port1)
            QCOMPARE(hub->outputPort(0)->open(loopA), 0);
        if (port2)
            QCOMPARE(hub->outputPort(1)->open(loopB), 0);
    }

private Q_SLOTS:
    void init()
    {
        model = std::make_unique<Model>();
        model->registerParameter(ParamBulkInterval, 0, 1000, 0, QStringLiteral("Bulk Interval (ms)"));
        model->registerParameter(ParamParser, 0, 1, 1, QStringLiteral("Parser"));
        host = std::make_unique<LoopbackMidiService>();
        host->setRecordSent(true);
        hub = std::make_unique<MidiHub>(host.get());
        bulk = std::make_unique<MidiBulkIntervalManager>(model.get());
        hub->setBulkIntervalManager(bulk.get());
        hub->setOutMonitor(&monitor);
        monitor.lines.clear();
        monitor.stamps.clear();
    }
    void cleanup()
    {
        hub.reset();
        bulk.reset();
        host.reset();
        model.reset();
    }

    void failsWithoutBulkIntervalManager()
    {
        openOutputs(true, false);
        hub->setBulkIntervalManager(nullptr);
        const quint8 note[3] = {0x90, 0x3C, 0x40};
        QVERIFY(!hub->sendToOutputPorts(note, 3, 1, 0));
        QVERIFY(host->takeSent().isEmpty());
    }

    void bothPortsSplitAndAlternate()
    {
        openOutputs(true, true);
        const QByteArray message = sysex(10000, 0x21);
        QVERIFY(hub->sendToOutputPorts(data(message), 10000, 16, 2));
        const auto sent = host->takeSent();
        QCOMPARE(sent.size(), 6);
        const quint32 sizes[3] = {4096, 4096, 1808};
        QByteArray joined[2];
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(sent[i].portNumber, quint32(i % 2));
            QCOMPARE(sent[i].device, i % 2 ? loopB : loopA);
            QCOMPARE(quint32(sent[i].bytes.size()), sizes[i / 2]);
            QVERIFY(sent[i].isLong);
            joined[i % 2] += sent[i].bytes;
        }
        QCOMPARE(joined[0], message);
        QCOMPARE(joined[1], message);
        const QList<Line> expected{{4096, 0xF0, 16, 0}, {4096, 0xF0, 16, 1}, {4096, 0x21, 16, 0},
                                   {4096, 0x21, 16, 1}, {1808, 0x21, 16, 0}, {1808, 0x21, 16, 1}};
        QCOMPARE(monitor.lines, expected);
    }

    void bothPortsSucceedWhenOneSentEverything()
    {
        const quint8 note[3] = {0x90, 0x3C, 0x40};
        QVERIFY(!hub->sendToOutputPorts(note, 3, 1, 2));
        QVERIFY(monitor.lines.isEmpty());
        openOutputs(true, false);
        const QByteArray message = sysex(5000, 0x21);
        QVERIFY(hub->sendToOutputPorts(data(message), 5000, 16, 2));
        QCOMPARE(monitor.lines.size(), 2);
        QCOMPARE(monitor.lines.at(0).port, 0u);
        QCOMPARE(monitor.lines.at(1).port, 0u);
    }

    void onePortFailsOnAFailedPieceAndSendsNoMore()
    {
        openOutputs(true, false);
        // The first piece does not complete: the transmission fails and the rest is not sent.
        host->setCompletion(LoopbackMidiService::Completion::Never);
        const QByteArray message = sysex(10000, 0x21);
        QVERIFY(!hub->sendToOutputPorts(data(message), 10000, 16, 0));
        QCOMPARE(host->takeSent().size(), 1);
        QVERIFY(monitor.lines.isEmpty());
    }

    void forcedLongMessageGoesOutLongInEveryPiece()
    {
        // The port's send rules decide the rest; later pieces of a split message go out long even
        // when the first does not look like one.
        openOutputs(false, true);
        const QByteArray bytes = QByteArray(5000, '\x11').prepend('\x90');
        QVERIFY(hub->sendToOutputPorts(data(bytes), quint32(bytes.size()), 20, 1, false, true));
        QCOMPARE(monitor.lines.size(), 2);
        const auto sent = host->takeSent();
        QCOMPARE(sent.size(), 2);
        for (const auto& piece : sent)
            QVERIFY(piece.isLong);
    }

    void directSendReportsItsStampAndMakesNoLine()
    {
        openOutputs(true, false);
        const quint8 pc[2] = {0xC0, 0x05};
        quint32 stamp = 0xFFFFFFFFu;
        const quint32 before = hub->outputPort(0)->currentTimeStamp();
        QVERIFY(hub->sendToOutputPorts(pc, 2, 20, 0, true, false, 0, true, &stamp));
        QVERIFY(stamp != 0xFFFFFFFFu);
        QVERIFY((stamp - before + Midi::MillisecondsPerDay) % Midi::MillisecondsPerDay < 1000);
        QVERIFY(monitor.lines.isEmpty());
        // Thru data: long, unsplit, whatever its size.
        const QByteArray big(16384, '\x22');
        QVERIFY(hub->sendToOutputPorts(data(big), 16384, 20, 0, true, true, 42, true));
        const auto sent = host->takeSent();
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent.at(1).bytes.size(), 16384);
        QVERIFY(sent.at(1).isLong);
        // Direct is for one port only.
        QVERIFY(!hub->sendToOutputPorts(pc, 2, 20, 2, true, false, 0, true));
    }

    void bulkPausesCountedPerTransmission()
    {
        openOutputs(true, true);
        model->setValue(ParamBulkInterval, 5);
        const QByteArray small = sysex(100);
        for (int i = 0; i < 3; ++i)
            QVERIFY(hub->sendToOutputPorts(data(small), 100, 16, 0));
        QCOMPARE(bulk->pauseCount(), 3u);
        const QByteArray large = sysex(10000, 0x21);
        QVERIFY(hub->sendToOutputPorts(data(large), 10000, 16, 2));
        QCOMPARE(bulk->pauseCount(), 4u);
        // Ends with 0xF7 although it is no system-exclusive message: paused too.
        const QByteArray odd("\x90\x01\xF7", 3);
        hub->sendToOutputPorts(data(odd), 3, 20, 0, false, true);
        QCOMPARE(bulk->pauseCount(), 5u);
        // Not ending with 0xF7, or skipPacing: no pause.
        const quint8 note[3] = {0x90, 0x3C, 0x40};
        QVERIFY(hub->sendToOutputPorts(note, 3, 1, 0));
        QVERIFY(hub->sendToOutputPorts(data(small), 100, 16, 0, true));
        QCOMPARE(bulk->pauseCount(), 5u);
    }

    void bulkPauseRules()
    {
        openOutputs(true, false);
        const QByteArray small = sysex(10);
        model->setValue(ParamBulkInterval, 0);
        QVERIFY(hub->sendToOutputPorts(data(small), 10, 16, 0));
        QCOMPARE(bulk->pauseCount(), 0u);
        model->setValue(ParamBulkInterval, 200);
        model->setValue(ParamParser, 0);
        QVERIFY(hub->sendToOutputPorts(data(small), 10, 16, 0));
        QCOMPARE(bulk->pauseCount(), 0u);
        model->setValue(ParamParser, 1);
        bulk->setActive(false);
        QVERIFY(hub->sendToOutputPorts(data(small), 10, 16, 0));
        QCOMPARE(bulk->pauseCount(), 0u);
        bulk->setActive(true);
        QCOMPARE(bulk->interval(), 200);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(hub->sendToOutputPorts(data(small), 10, 16, 0));
        // The pause never ends before the interval has passed (the test clock truncates both ends
        // to milliseconds, so allow the last one).
        QVERIFY2(timer.elapsed() >= 199, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(bulk->pauseCount(), 1u);
    }

    void deviceDisappearingClosesThePortOnRebuild()
    {
        qint32 position = -1;
        hub->inputPortChoices(0, &position);
        QVERIFY(hub->openInputPort(0, 1));
        host->setDeviceNames({loopA}, {loopA, loopB});
        // The settings view only looks...
        QCOMPARE(hub->inputPortChoices(0, &position), (QStringList{QStringLiteral("Not Connected"), loopA}));
        QCOMPARE(position, 0);
        QCOMPARE(hub->inputPortName(0), loopB);
        // ...the menu closes the port.
        hub->inputPortChoices(0, &position, true);
        QCOMPARE(hub->inputPortName(0), QStringLiteral("Not Connected"));
    }
};

QTEST_GUILESS_MAIN(MidiHubTest)
#include "MidiHubTest.moc"
