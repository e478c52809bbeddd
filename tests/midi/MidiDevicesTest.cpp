// Devices that come and go under the hub's ports, on the loopback system: the chosen device is
// remembered by name, the port closes when it goes and reopens when it is back, with the hub's
// notifications; a send during which the device goes fails.
#include "LoopbackMidiService.h"
#include "MidiBulkIntervalManager.h"
#include "MidiHub.h"
#include "MidiTestSupport.h"
#include "Model.h"
#include "VantelMidiParameterId.h"

#include <QSignalSpy>
#include <QtTest>

#include <atomic>
#include <thread>

namespace {

// One portDeviceChanged emission as a comparable row.
QVariantList change(bool input, quint32 port, const QString& device, bool present)
{
    return {input, port, device, present};
}

} // namespace

class MidiDevicesTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Model> model;
    std::unique_ptr<LoopbackMidiService> host;
    std::unique_ptr<RecordSink> sink; // outlives the hub, whose receive threads call it
    std::unique_ptr<MidiHub> hub;
    std::unique_ptr<MidiBulkIntervalManager> bulk;
    const QStringList both{loopA, loopB};

private Q_SLOTS:
    void init()
    {
        model = std::make_unique<Model>();
        model->registerParameter(ParamBulkInterval, 0, 1000, 0, QStringLiteral("Bulk Interval (ms)"));
        model->registerParameter(ParamParser, 0, 1, 1, QStringLiteral("Parser"));
        host = std::make_unique<LoopbackMidiService>();
        sink = std::make_unique<RecordSink>();
        hub = std::make_unique<MidiHub>(host.get());
        bulk = std::make_unique<MidiBulkIntervalManager>(model.get());
        hub->setBulkIntervalManager(bulk.get());
    }
    void cleanup()
    {
        hub.reset();
        sink.reset();
        bulk.reset();
        host.reset();
        model.reset();
    }

    void chosenDevicesGoAndComeBackByThemselves()
    {
        hub->setReceiver(&RecordSink::receive, sink.get());
        hub->inputPortChoices(1, nullptr);
        hub->outputPortChoices(0, nullptr);
        QVERIFY(hub->openInputPort(1, 1));  // Loopback B
        QVERIFY(hub->openOutputPort(0, 0)); // Loopback A
        QVERIFY(hub->inputDevicePresent(1));
        QVERIFY(!hub->inputDevicePresent(0)); // nothing chosen there
        QSignalSpy changes(hub.get(), &MidiHub::portDeviceChanged);

        host->setDeviceNames({loopA}, {loopB});
        QTRY_COMPARE(changes.size(), 2);
        QCOMPARE(changes.at(0), change(true, 1, loopB, false));
        QCOMPARE(changes.at(1), change(false, 0, loopA, false));
        QCOMPARE(hub->inputPortName(1), QStringLiteral("Not Connected"));
        QCOMPARE(hub->outputPortName(0), QStringLiteral("Not Connected"));
        // The choice stays while the port waits.
        QCOMPARE(hub->chosenInputDevice(1), loopB);
        QCOMPARE(hub->chosenOutputDevice(0), loopA);
        QVERIFY(!hub->inputDevicePresent(1));
        QVERIFY(!hub->outputDevicePresent(0));
        const quint8 note[3] = {0x90, 0x3C, 0x40};
        QVERIFY(!hub->sendToOutputPorts(note, 3, 0, 0));

        // Another device appearing changes nothing; the chosen one appearing reopens its port.
        host->setDeviceNames({loopA, QStringLiteral("Other")}, {loopB});
        host->waitUntilDelivered();
        QTest::qWait(50);
        QCOMPARE(changes.size(), 2);
        host->setDeviceNames(both, both);
        QTRY_COMPARE(changes.size(), 4);
        QCOMPARE(changes.at(2), change(true, 1, loopB, true));
        QCOMPARE(changes.at(3), change(false, 0, loopA, true));
        QCOMPARE(hub->inputPortName(1), loopB);
        QVERIFY(hub->inputDevicePresent(1) && hub->outputDevicePresent(0));

        // Data flows again both ways.
        host->injectBytes(loopB, bytesOf({0x90, 0x3E, 0x41}));
        QTRY_VERIFY(sink->has(bytesOf({0x90, 0x3E, 0x41})));
        QVERIFY(hub->sendToOutputPorts(note, 3, 0, 0));

        QCOMPARE(MidiHub::deviceChangeText(true, 0, QStringLiteral("seq:out"), false),
                 QStringLiteral("Port1 In: seq:out is gone, waiting for it"));
        QCOMPARE(MidiHub::deviceChangeText(false, 1, QStringLiteral("synth:in"), true),
                 QStringLiteral("Port2 Out: synth:in is back"));
    }

    void aChoiceOfNothingIsNotWaitedFor()
    {
        hub->inputPortChoices(0, nullptr);
        QVERIFY(hub->openInputPort(0, 0));
        QVERIFY(hub->closeInputPort(0));
        QVERIFY(hub->chosenInputDevice(0).isEmpty());
        QSignalSpy changes(hub.get(), &MidiHub::portDeviceChanged);
        host->setDeviceNames({}, {});
        host->setDeviceNames(both, both);
        host->waitUntilDelivered();
        QTest::qWait(50);
        QCOMPARE(changes.size(), 0);
        QCOMPARE(hub->inputPortName(0), QStringLiteral("Not Connected"));
        // A failed open leaves no choice either.
        host->setRefuseOpen(true);
        QVERIFY(!hub->openOutputPort(1, 1));
        QVERIFY(hub->chosenOutputDevice(1).isEmpty());
    }

    void savedDeviceMissingAtStartUpOpensWhenItAppears()
    {
        const QString synth = QStringLiteral("Synth");
        QCOMPARE(hub->reopenOutputPort(1, synth), 0);
        QCOMPARE(hub->outputPortName(1), QStringLiteral("Not Connected"));
        QCOMPARE(hub->chosenOutputDevice(1), synth);
        QCOMPARE(hub->reopenInputPort(0, QStringLiteral("Not Connected")), 0);
        QVERIFY(hub->chosenInputDevice(0).isEmpty());
        QSignalSpy changes(hub.get(), &MidiHub::portDeviceChanged);
        host->setDeviceNames(both, {loopA, synth});
        QTRY_COMPARE(changes.size(), 1);
        QCOMPARE(changes.at(0), change(false, 1, synth, true));
        QCOMPARE(hub->outputPortName(1), synth);
    }

    void menuIndexMeansTheDeviceThatWasShown()
    {
        // The menu was built from one list; a device came back meanwhile and the port listed its
        // devices afresh. The index still picks the device that was shown at it.
        QCOMPARE(hub->inputPortChoices(0, nullptr),
                 (QStringList{QStringLiteral("Not Connected"), loopA, loopB}));
        QVERIFY(hub->openInputPort(0, 1)); // Loopback B
        QSignalSpy changes(hub.get(), &MidiHub::portDeviceChanged);
        host->setDeviceNames({loopA}, both);
        QTRY_COMPARE(changes.size(), 1);
        host->setDeviceNames({QStringLiteral("New"), loopA, loopB}, both);
        QTRY_COMPARE(changes.size(), 2);
        QVERIFY(hub->openInputPort(0, 0)); // what the menu showed first: Loopback A
        QCOMPARE(hub->inputPortName(0), loopA);
        QCOMPARE(hub->chosenInputDevice(0), loopA);
    }

    void longSendFailsWhenItsDeviceGoesMeanwhile()
    {
        // The host takes a long message and needs a while to finish it; the device goes before it
        // is done. Its bytes may have gone nowhere: the send fails, it does not wait out its time.
        QCOMPARE(hub->outputPort(0)->open(loopA), 0);
        host->setCompletion(LoopbackMidiService::Completion::Delayed, 900);
        const QByteArray dump = sysex(3000);
        std::atomic<int> result{-1};
        std::thread sender(
            [&] { result = hub->outputPort(0)->send(data(dump), quint32(dump.size()), nullptr); });
        QTRY_COMPARE(host->sendCalls(), 1u);
        host->setDeviceNames(both, {loopB});
        sender.join();
        QCOMPARE(result.load(), 1);
        // The next piece of a transfer is refused at once.
        QCOMPARE(hub->outputPort(0)->send(data(dump), quint32(dump.size()), nullptr), 1);
    }
};

QTEST_GUILESS_MAIN(MidiDevicesTest)
#include "MidiDevicesTest.moc"
