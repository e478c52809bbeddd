// Choosing the host MIDI service from the command line.
#include "HostMidiService.h"

#include <QCommandLineParser>
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
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("api");
        QTest::addColumn<QString>("message");
        const QString app = QStringLiteral("vantel-midi");
        QTest::newRow("loopback") << QStringList{app, "--midi-api", "loopback"} << true << "loopback"
                                  << "";
        QTest::newRow("loopback with =")
            << QStringList{app, "--midi-api=loopback", "project.vantelmidi"} << true << "loopback"
            << "";
        QTest::newRow("unknown") << QStringList{app, "--midi-api", "coreaudio"} << false << ""
                                 << "Unknown MIDI API \"coreaudio\"; use jack, alsa or loopback.";
        QTest::newRow("missing value") << QStringList{app, "--midi-api"} << false << ""
                                       << "Unknown MIDI API \"\"; use jack, alsa or loopback.";
        QTest::newRow("jack without server") << QStringList{app, "--midi-api", "jack"} << false << ""
                                             << "No JACK server is running.";
        // The project file argument is left alone; no sequencer and no server here: loopback.
        QTest::newRow("automatic") << QStringList{app, "project.vantelmidi"} << true << "loopback"
                                   << "";
    }
    void selection()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, ok);
        QFETCH(QString, api);
        QFETCH(QString, message);
        QString error;
        QCOMPARE(HostMidiService::setUp(arguments, &error), ok);
        QCOMPARE(error, message);
        if (ok) {
            QVERIFY(HostMidiService::instance());
            QCOMPARE(HostMidiService::instance()->apiName(), api);
        } else {
            QVERIFY(!HostMidiService::instance());
        }
    }

    void optionWorksWithAParser()
    {
        // The shell's parser must accept the option beside the project file.
        QCommandLineParser parser;
        parser.addOption(HostMidiService::commandLineOption());
        parser.addPositionalArgument(QStringLiteral("project"), QStringLiteral("Project file"));
        QVERIFY(parser.parse({QStringLiteral("vantel-midi"), QStringLiteral("--midi-api"),
                              QStringLiteral("loopback"), QStringLiteral("a.vantelmidi")}));
        QCOMPARE(parser.value(QStringLiteral("midi-api")), QStringLiteral("loopback"));
        QCOMPARE(parser.positionalArguments(), QStringList{QStringLiteral("a.vantelmidi")});
    }
};

QTEST_GUILESS_MAIN(MidiServiceTest)
#include "MidiServiceTest.moc"
