// The analyzer in its place in the program: receiver of the two input ports and Out monitor of the
// send operation, over the in-process loopback MIDI system ("Loopback A" output arrives at the
// "Loopback A" input, which is Port1's; "Loopback B" is Port2's).

#include "HexBytes.h"
#include "LoopbackMidiService.h"
#include "MidiAnalyzer.h"
#include "MidiBulkIntervalManager.h"
#include "MidiHub.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"

#include <QtTest>

class MidiAnalyzerLoopbackTest : public QObject
{
    Q_OBJECT

private:
    // Destroyed in reverse order: the hub (and its receive threads) before the analyzer they call.
    std::unique_ptr<VantelMidiModel> model;
    std::unique_ptr<MidiAnalyzer> analyzer;
    std::unique_ptr<LoopbackMidiService> host;
    std::unique_ptr<MidiBulkIntervalManager> bulk;
    std::unique_ptr<MidiHub> hub;
    QString inText, sysExText, outText;

    void collect()
    {
        QByteArray in, sysEx, out;
        quint32 inCount, sysExCount, outCount;
        analyzer->takeMonitorText(in, inCount, sysEx, sysExCount, out, outCount);
        inText += QString::fromUtf8(in);
        sysExText += QString::fromUtf8(sysEx);
        outText += QString::fromUtf8(out);
    }

    bool send(const QByteArray& bytes, quint8 kind, quint32 ports)
    {
        return hub->sendToOutputPorts(byteData(bytes), quint32(bytes.size()), kind, ports);
    }

private Q_SLOTS:
    void init()
    {
        model = std::make_unique<VantelMidiModel>();
        model->setValue(ParamMessageDetail, 1); // no time column: stamps are real here
        analyzer = std::make_unique<MidiAnalyzer>(model.get());
        host = std::make_unique<LoopbackMidiService>();
        host->setRecordSent(true);
        bulk = std::make_unique<MidiBulkIntervalManager>(model.get());
        hub = std::make_unique<MidiHub>(host.get());
        hub->setBulkIntervalManager(bulk.get());
        hub->setOutMonitor(analyzer.get());
        hub->setReceiver(&MidiAnalyzer::receiveCallback, analyzer.get());
        analyzer->setSender(hub.get());
        QCOMPARE(hub->outputPort(0)->open(QStringLiteral("Loopback A")), 0);
        QCOMPARE(hub->outputPort(1)->open(QStringLiteral("Loopback B")), 0);
        QCOMPARE(hub->inputPort(0)->open(QStringLiteral("Loopback A")), 0);
        QCOMPARE(hub->inputPort(1)->open(QStringLiteral("Loopback B")), 0);
        inText.clear();
        sysExText.clear();
        outText.clear();
    }

    void cleanup()
    {
        hub.reset();
        bulk.reset();
        host.reset();
        analyzer.reset();
        model.reset();
    }

    void sentDataComesBackAsInLines()
    {
        QVERIFY(send(hexBytes("90 3C 64"), MidiMessageKind::NoteOn, 0));
        QVERIFY(send(hexBytes("B1 07 64"), MidiMessageKind::ControlChange, 1));
        QTRY_COMPARE((collect(), inText.count('\n')), 2);
        QCOMPARE(outText, QStringLiteral("\nPort1 Ch 1 NoteOn   90 3C 64 [C3  ( 60), 100]"
                                         "\nPort2 Ch 2 CC       B1 07 64 [007 Volume, 100]"));
        // The two inputs have their own receive threads: the order between them is not fixed.
        QVERIFY(inText.contains(QStringLiteral("\nPort1 Ch 1 NoteOn   90 3C 64 [C3  ( 60), 100]")));
        QVERIFY(inText.contains(QStringLiteral("\nPort2 Ch 2 CC       B1 07 64 [007 Volume, 100]")));
    }

    void thruForwardsToTheOtherPort()
    {
        model->setValue(ParamMidiThru, 2); // Port1 -> Port2
        QVERIFY(send(hexBytes("C0 05"), MidiMessageKind::ProgramChange, 0));
        // Sent on Port1, received on Port1, forwarded to Port2, received on Port2.
        QTRY_COMPARE((collect(), inText.count('\n')), 2);
        // Port2's receive thread may write its line before Port1's thread has written its own.
        QVERIFY(inText.contains(QStringLiteral("\nPort1 Ch 1 PC       C0 05    [  6]")));
        QVERIFY(inText.contains(QStringLiteral("\nPort2 Ch 1 PC       C0 05    [  6]")));
        // The forwarded copy can even be on the Out monitor before the sender's own line is.
        QCOMPARE(outText.count('\n'), 2);
        QVERIFY(outText.contains(QStringLiteral("\nPort1 Ch 1 PC       C0 05    [  6]")));
        QVERIFY(outText.contains(QStringLiteral("\nPort2 Ch 1 PC       C0 05    [  6]")));
        const auto sent = host->takeSent();
        QCOMPARE(sent.size(), 2);
        // A whole short message leaves as one, where the host keeps its input's timing.
        QVERIFY(!sent.at(1).isLong);
        QCOMPARE(sent.at(1).bytes, hexBytes("C0 05"));
    }

    void longSysExToBothPorts()
    {
        const QByteArray dump = sysExDump(10000, '\x33');
        QVERIFY(send(dump, MidiMessageKind::SystemExclusive, 2));
        // Lines of 4096 bytes at most.
        QString capture = QLatin1Char('\n') + hexText(dump);
        for (int at = 3 * 4096; at < capture.size(); at += 3 * 4096)
            capture[at] = QLatin1Char('\n');
        QTRY_COMPARE((collect(), sysExText.size()), 2 * capture.size());
        QCOMPARE(sysExText, capture + capture);
        QCOMPARE(outText.count(QStringLiteral("SysEx    F0")), 2);
        QCOMPARE(outText.count('\n'), 6);
        QCOMPARE(inText.count('\n'), 6);
        QCOMPARE(inText.count(QStringLiteral("\nPort1 ---- SysEx    ")), 3);
        QCOMPARE(inText.count(QStringLiteral("\nPort2 ---- SysEx    ")), 3);
    }
};

QTEST_GUILESS_MAIN(MidiAnalyzerLoopbackTest)
#include "MidiAnalyzerLoopbackTest.moc"
