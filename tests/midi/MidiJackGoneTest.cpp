// A JACK server that goes away under the program. The test runs a server of its own (its fixed
// name in VANTEL_JACK_GONE_SERVER), in a process of its own: one process talks to one JACK server
// only.
#include "JackMidiService.h"
#include "MidiHub.h"

#include <QProcess>
#include <QtTest>

class MidiJackGoneTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void serverGoingAwayLeavesPortsNotConnected()
    {
        const QByteArray name = qgetenv("VANTEL_JACK_GONE_SERVER");
        QVERIFY2(!name.isEmpty(), "the test registration names the server");
        qputenv("JACK_DEFAULT_SERVER", name);
        QProcess server;
        server.setProgram(QStringLiteral("jackd"));
        server.setArguments({QStringLiteral("--no-realtime"), QStringLiteral("-n"), QString::fromLatin1(name),
                             QStringLiteral("-d"), QStringLiteral("dummy"), QStringLiteral("-r"),
                             QStringLiteral("48000"), QStringLiteral("-p"), QStringLiteral("256")});
        server.setStandardOutputFile(QProcess::nullDevice());
        server.setStandardErrorFile(QProcess::nullDevice());
        server.start();
        QVERIFY(server.waitForStarted(5000));
        QProcess waiter;
        waiter.start(QStringLiteral("jack_wait"),
                     {QStringLiteral("-s"), QString::fromLatin1(name), QStringLiteral("-w"),
                      QStringLiteral("-t"), QStringLiteral("10")});
        QVERIFY(waiter.waitForFinished(15000));

        auto jack = std::make_unique<JackMidiService>();
        QVERIFY(jack->isRunning());
        {
            MidiHub hub(jack.get());
            qint32 position = 0;
            hub.outputPortChoices(0, &position);
            server.terminate();
            QVERIFY(server.waitForFinished(10000));
            QTRY_VERIFY_WITH_TIMEOUT(!jack->isRunning(), 10000);
            // The program goes on; it just has nothing to connect to.
            QCOMPARE(hub.outputPortChoices(0, &position), QStringList{QStringLiteral("Not Connected")});
            QCOMPARE(hub.inputPortChoices(1, &position), QStringList{QStringLiteral("Not Connected")});
            QVERIFY(!hub.openInputPort(0, 0));
            QCOMPARE(hub.outputPortName(0), QStringLiteral("Not Connected"));
        }
        const quint8 note[3] = {0x90, 0x3C, 0x40};
        HostMidiService::Handle handle = HostMidiService::InvalidHandle;
        QCOMPARE(jack->openOutput(QStringLiteral("system:playback_1"), 0, &handle), 1);
        QCOMPARE(jack->sendShort(0, note, 3), 1);
        jack.reset();
    }
};

QTEST_GUILESS_MAIN(MidiJackGoneTest)
#include "MidiJackGoneTest.moc"
