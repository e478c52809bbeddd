// A JACK server that stops and starts again under the program: the hub says so once, the ports
// close with their choices kept, nothing can be opened meanwhile, and every port reopens by name on
// the new server. The test runs a server of its own (fixed name in JACK_DEFAULT_SERVER), stopped
// and started through the fixture script named in VANTEL_JACK_SCRIPT; the fixture stops it in the
// end whatever happens here.
#include "JackMidiService.h"
#include "JackPeers.h"
#include "MidiBulkIntervalManager.h"
#include "MidiHub.h"
#include "MidiTestSupport.h"
#include "Model.h"
#include "VantelMidiParameterId.h"

#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

class MidiJackRestartTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void portsReopenOnAServerThatStartsAgain()
    {
        QVERIFY2(!qEnvironmentVariableIsEmpty("VANTEL_JACK_SCRIPT"), "the fixture names its script");
        const QString source = QStringLiteral("vantel-again:out");
        const QString target = QStringLiteral("vantel-again-dump:input");
        auto startPeers = [] {
            return std::make_pair(
                std::make_unique<Peer>("jack_midiseq", QStringList{"vantel-again", "4800", "0", "64", "100"}),
                std::make_unique<Peer>("jack_midi_dump", QStringList{"vantel-again-dump"}));
        };
        auto peers = startPeers();

        JackMidiService jack;
        QVERIFY(jack.isRunning());
        Model model;
        model.registerParameter(ParamBulkInterval, 0, 1000, 0, QStringLiteral("Bulk Interval (ms)"));
        model.registerParameter(ParamParser, 0, 1, 1, QStringLiteral("Parser"));
        MidiBulkIntervalManager bulk(&model);
        RecordSink sink; // outlives the hub, whose receive threads call it
        MidiHub hub(&jack);
        hub.setBulkIntervalManager(&bulk);
        hub.setReceiver(&RecordSink::receive, &sink);
        // Chosen like at start-up, by saved name; the peers may still be on their way.
        hub.reopenInputPort(0, source);
        hub.reopenOutputPort(1, target);
        QTRY_VERIFY_WITH_TIMEOUT(hub.inputDevicePresent(0) && hub.outputDevicePresent(1), 10000);
        const QByteArray note("\x90\x40\x40", 3);
        QTRY_VERIFY_WITH_TIMEOUT(sink.has(note), 10000);
        QSignalSpy server(&hub, &MidiHub::serverRunningChanged);
        QSignalSpy devices(&hub, &MidiHub::portDeviceChanged);

        QVERIFY(restartServer(QStringLiteral("stop")));
        QTRY_COMPARE_WITH_TIMEOUT(server.size(), 1, 10000);
        QCOMPARE(server.at(0).at(0).toBool(), false);
        QCOMPARE(hub.serverChangeText(false),
                 QStringLiteral("The JACK server stopped; MIDI ports are closed."));
        QVERIFY(!hub.serverRunning());
        QCOMPARE(hub.inputPortName(0), QStringLiteral("Not Connected"));
        QCOMPARE(hub.outputPortName(1), QStringLiteral("Not Connected"));
        QCOMPARE(hub.chosenInputDevice(0), source);
        QCOMPARE(hub.chosenOutputDevice(1), target);
        // Told once, for all ports.
        QCOMPARE(devices.size(), 0);
        const quint8 bytes[3] = {0x90, 0x3C, 0x40};
        QVERIFY(!hub.sendToOutputPorts(bytes, 3, 0, 1));
        // The program goes on; it just has nothing to connect to.
        QVERIFY(!jack.isRunning());
        qint32 position = 0;
        QCOMPARE(hub.inputPortChoices(1, &position), QStringList{QStringLiteral("Not Connected")});
        QVERIFY(!hub.openInputPort(1, 0));
        HostMidiService::Handle handle = HostMidiService::InvalidHandle;
        QCOMPARE(jack.openOutput(QStringLiteral("system:playback_1"), 0, &handle), 1);
        peers = {};

        QVERIFY(restartServer(QStringLiteral("start")));
        peers = startPeers();
        QTRY_COMPARE_WITH_TIMEOUT(server.size(), 2, 10000);
        QCOMPARE(server.at(1).at(0).toBool(), true);
        QTRY_COMPARE_WITH_TIMEOUT(devices.size(), 2, 10000);
        QCOMPARE(hub.inputPortName(0), source);
        QCOMPARE(hub.outputPortName(1), target);
        {
            QMutexLocker lock(&sink.mutex);
            sink.records.clear();
        }
        QTRY_VERIFY_WITH_TIMEOUT(sink.has(note), 10000);
        QVERIFY(hub.sendToOutputPorts(bytes, 3, 0, 1));
        QString dumped;
        for (int i = 0; i < 100 && !dumped.contains(QLatin1String("90 3c 40"), Qt::CaseInsensitive); ++i) {
            peers.second->process.waitForReadyRead(100);
            dumped += QString::fromUtf8(peers.second->process.readAllStandardOutput());
        }
        QVERIFY2(dumped.contains(QLatin1String("90 3c 40"), Qt::CaseInsensitive), qPrintable(dumped));
        hub.setReceiver(nullptr, nullptr);
    }
};

QTEST_GUILESS_MAIN(MidiJackRestartTest)
#include "MidiJackRestartTest.moc"
