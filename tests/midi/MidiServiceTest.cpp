// Choosing the host MIDI service from the command line.
#include "HostMidiService.h"

#include <QtTest>

class MidiServiceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // No JACK server of that name runs, so the automatic choice cannot find one.
        qputenv("JACK_DEFAULT_SERVER", "vantel-no-such-server");
        qputenv("JACK_NO_START_SERVER", "1");
    }
    void cleanup() { HostMidiService::shutDown(); }

    void selection_data()
    {
        QTest::addColumn<QString>("requested");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("message");
        QTest::newRow("loopback") << "loopback" << true << "";
        QTest::newRow("unknown") << "coreaudio" << false
                                 << "Unknown MIDI API \"coreaudio\"; use jack, alsa or loopback.";
        QTest::newRow("jack without server") << "jack" << false << "No JACK server is running.";
    }
    void selection()
    {
        QFETCH(QString, requested);
        QFETCH(bool, ok);
        QFETCH(QString, message);
        QString error;
        QCOMPARE(HostMidiService::setUp(requested, &error), ok);
        QCOMPARE(error, message);
        if (ok) {
            QVERIFY(HostMidiService::instance());
            QCOMPARE(HostMidiService::instance()->apiName(), requested);
        } else {
            QVERIFY(!HostMidiService::instance());
        }
    }
};

QTEST_GUILESS_MAIN(MidiServiceTest)
#include "MidiServiceTest.moc"
