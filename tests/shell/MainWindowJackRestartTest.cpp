// The port choices of the main window on a JACK server that stops and starts again, with the MIDI
// settings view open and the port menus opened while the server is away: nothing of that may
// forget a choice, and both ports reconnect once the server and the peers are back. The server is
// the restart fixture's (tests/midi), stopped and started through its script.
#include "HostMidiService.h"
#include "JackPeers.h"
#include "ShellTestSupport.h"
#include "ViewKind.h"

class MainWindowJackRestartTest : public QObject, private MainWindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        Q_INIT_RESOURCE(images);
        QVERIFY2(!qEnvironmentVariableIsEmpty("VANTEL_JACK_SCRIPT"), "the fixture names its script");
        QVERIFY(home.isValid());
        qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
        QString error;
        QVERIFY2(HostMidiService::setUp(QStringLiteral("jack"), &error), qPrintable(error));
    }

    void cleanupTestCase()
    {
        window.reset();
        model.reset();
        HostMidiService::shutDown();
    }

    void choicesSurviveARestartWithTheMenusOpenedMeanwhile()
    {
        const QString source = QStringLiteral("vantel-shell-seq:out");
        const QString target = QStringLiteral("vantel-shell-dump:input");
        auto startPeers = [] {
            return std::make_pair(
                std::make_unique<Peer>("jack_midiseq",
                                       QStringList{"vantel-shell-seq", "4800", "0", "64", "100"}),
                std::make_unique<Peer>("jack_midi_dump", QStringList{"vantel-shell-dump"}));
        };
        auto peers = startPeers();
        startFresh();
        QVERIFY(window->subWindows()->openView(ViewKind::MidiSettings));
        // A peer lists its port a moment before it can be connected.
        QTRY_VERIFY_WITH_TIMEOUT(
            chooseFromMenu(window.get(), "&InputPort", source) && window->inputPortName(0) == source, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(chooseFromMenu(window.get(), "&OutputPort", target) &&
                                     window->outputPortName(0) == target,
                                 10000);

        QVERIFY(restartServer(QStringLiteral("stop")));
        QTRY_COMPARE_WITH_TIMEOUT(window->inputPortName(0), QStringLiteral("Not Connected"), 10000);
        QCOMPARE(window->outputPortName(0), QStringLiteral("Not Connected"));
        // Both menus opened while the server is away: the ports wait for their devices.
        for (const char* title : {"&InputPort", "&OutputPort"}) {
            QMenu* menu = openMenu(window.get(), QLatin1String(title));
            QVERIFY(menu);
            QCOMPARE(menu->actions().last()->text(),
                     (title[1] == 'I' ? source : target) + QStringLiteral(" (absent)"));
            menu->hide();
        }
        peers = {};

        QVERIFY(restartServer(QStringLiteral("start")));
        peers = startPeers();
        QTRY_COMPARE_WITH_TIMEOUT(window->inputPortName(0), source, 15000);
        QTRY_COMPARE_WITH_TIMEOUT(window->outputPortName(0), target, 15000);
        QCOMPARE(SettingsFile::readPortName(true, 0), source);
        QCOMPARE(SettingsFile::readPortName(false, 0), target);
    }
};

QTEST_MAIN(MainWindowJackRestartTest)
#include "MainWindowJackRestartTest.moc"
