#include "LoopbackMidiService.h"
#include "MainMenus.h"
#include "MainWindow.h"
#include "MidiAnalyzer.h"
#include "MidiSession.h"
#include "PortMenus.h"
#include "SettingsFile.h"
#include "ShellTestSupport.h"
#include "SubWindowManager.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"

#include <QActionGroup>
#include <QLabel>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

// The port menus, the port operations, the "PortName" settings and the MIDI path through the main
// window, on the loopback MIDI system.
class MainWindowPortsTest : public QObject, private MainWindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        Q_INIT_RESOURCE(images);
        useLoopbackHost();
    }

    void init()
    {
        loop->setRefuseOpen(false);
        loop->setDeviceNames({"Loopback A", "Loopback B"}, {"Loopback A", "Loopback B"});
        startFresh();
    }

    void cleanup()
    {
        window.reset();
        model.reset();
        loop->takeSent();
    }

    void portMenus_data()
    {
        QTest::addColumn<bool>("input");
        QTest::newRow("input") << true;
        QTest::newRow("output") << false;
    }
    void portMenus()
    {
        QFETCH(bool, input);
        const QString title = input ? "&InputPort" : "&OutputPort";
        const qint32 parameter = input ? ParamInputPortIndex : ParamOutputPortIndex;
        const QString key = input ? "PortName/InputPortName" : "PortName/OutputPortName";
        QMenu* menu = openMenu(window.get(), title);
        QVERIFY(menu);
        QCOMPARE(entries(menu), QStringList({"Not Connected [x]", "Loopback A [ ]", "Loopback B [ ]"}));
        const QList<QAction*> actions = menu->actions();
        QCOMPARE(actions.at(0)->data().toUInt(), 0xFFFFFFFFu);
        QCOMPARE(actions.at(2)->data().toUInt(), 1u);
        QVERIFY(actions.at(0)->actionGroup() && actions.at(0)->actionGroup()->isExclusive());
        menu->hide();

        // Choosing a device opens it, saves its name, tells the other views and ticks it.
        int notified = 0;
        connect(window->menus()->portMenus(),
                input ? &PortMenus::inputListUpdated : &PortMenus::outputListUpdated, this,
                [&notified] { ++notified; });
        BoxAnswerer answerer(QMessageBox::Ok);
        QVERIFY(chooseFromMenu(window.get(), title, "Loopback B"));
        QCOMPARE(portName(input, 0), QStringLiteral("Loopback B"));
        QCOMPARE(model->getValue(parameter), 2);
        QCOMPARE(savedValue(key), QStringLiteral("Loopback B"));
        QCOMPARE(notified, 1);
        // Rebuilt on every opening: a device added meanwhile is there the next time.
        loop->setDeviceNames({"Loopback A", "Loopback B", "Synth"}, {"Loopback A", "Loopback B", "Synth"});
        menu = openMenu(window.get(), title);
        QCOMPARE(entries(menu),
                 QStringList({"Not Connected [ ]", "Loopback A [ ]", "Loopback B [x]", "Synth [ ]"}));
        menu->hide();
        // The device in use chosen again: closed and reopened, still in use.
        QVERIFY(chooseFromMenu(window.get(), title, "Loopback B"));
        QCOMPARE(portName(input, 0), QStringLiteral("Loopback B"));
        QVERIFY(chooseFromMenu(window.get(), title, "Not Connected"));
        QCOMPARE(portName(input, 0), QStringLiteral("Not Connected"));
        QCOMPARE(model->getValue(parameter), 0);
        QCOMPARE(savedValue(key), QStringLiteral("Not Connected"));
        QCOMPARE(answerer.boxes, 0);
        // Choosing a port is not an edit of the project.
        QVERIFY(!model->isModified());

        // A failed open says so; the old device was closed before the attempt.
        QVERIFY(chooseFromMenu(window.get(), title, "Loopback A"));
        loop->setRefuseOpen(true);
        QVERIFY(chooseFromMenu(window.get(), title, "Loopback B"));
        QTRY_COMPARE(answerer.boxes, 1);
        QCOMPARE(answerer.title, QStringLiteral("Vantel MIDI"));
        QCOMPARE(answerer.text, QStringLiteral("Port open failed."));
        QCOMPARE(answerer.icon, QMessageBox::Critical);
        QCOMPARE(portName(input, 0), QStringLiteral("Not Connected"));
        QCOMPARE(model->getValue(parameter), 0);
        QCOMPARE(savedValue(key), QStringLiteral("Not Connected"));
        loop->setRefuseOpen(false);
        menu = openMenu(window.get(), title);
        QCOMPARE(entries(menu),
                 QStringList({"Not Connected [x]", "Loopback A [ ]", "Loopback B [ ]", "Synth [ ]"}));
        menu->hide();
    }

    void portOperationsServeBothPorts()
    {
        // What the MIDI settings view uses: choice lists and opens by position for Port1 and Port2.
        QStringList choices;
        qint32 index = -1;
        window->inputPortChoices(1, &choices, &index);
        QCOMPARE(choices, QStringList({"Not Connected", "Loopback A", "Loopback B"}));
        QCOMPARE(index, 0);
        QVERIFY(window->openInputPort(1, 1));
        QVERIFY(window->openOutputPort(1, 0));
        window->inputPortChoices(1, &choices, &index);
        QCOMPARE(index, 2);
        window->outputPortChoices(1, &choices, &index);
        QCOMPARE(index, 1);
        QCOMPARE(savedValue("PortName/InputPortNameSecond"), QStringLiteral("Loopback B"));
        QCOMPARE(savedValue("PortName/OutputPortNameSecond"), QStringLiteral("Loopback A"));
        // Port1 is untouched by Port2's choices.
        QCOMPARE(window->inputPortName(0), QStringLiteral("Not Connected"));

        QVERIFY(window->closeInputPort(1));
        QVERIFY(!window->closeInputPort(1)); // nothing open any more
        QVERIFY(window->openOutputPort(1, MainWindow::NoDevice));
        QCOMPARE(window->outputPortName(1), QStringLiteral("Not Connected"));
        QCOMPARE(savedValue("PortName/OutputPortNameSecond"), QStringLiteral("Not Connected"));
        QVERIFY(!window->openInputPort(2, 0)); // there is no Port3
    }

    void savedPortsAreReopenedByNameAtStartUp()
    {
        QVERIFY(chooseFromMenu(window.get(), "&InputPort", "Loopback A"));
        QVERIFY(chooseFromMenu(window.get(), "&OutputPort", "Loopback B"));
        QVERIFY(window->openInputPort(1, 1));
        window.reset();
        {
            QSettings settings(SettingsFile::path(), QSettings::IniFormat);
            settings.setValue("PortName/OutputPortNameSecond", "Unplugged Synth");
        }
        model = std::make_unique<VantelMidiModel>();
        model->setValue(ParamOutputPortIndexSecond, 2); // a stale value from before

        // The device list changed order meanwhile: names count, not positions. A missing device
        // is left out silently.
        loop->setDeviceNames({"Loopback B", "Loopback A"}, {"Loopback B", "Loopback A"});
        BoxAnswerer answerer(QMessageBox::Ok);
        makeWindow();
        QCOMPARE(window->inputPortName(0), QStringLiteral("Loopback A"));
        QCOMPARE(window->inputPortName(1), QStringLiteral("Loopback B"));
        QCOMPARE(window->outputPortName(0), QStringLiteral("Loopback B"));
        QCOMPARE(window->outputPortName(1), QStringLiteral("Not Connected"));
        QCOMPARE(model->getValue(ParamInputPortIndex), 2);
        QCOMPARE(model->getValue(ParamInputPortIndexSecond), 1);
        QCOMPARE(model->getValue(ParamOutputPortIndex), 1);
        QCOMPARE(model->getValue(ParamOutputPortIndexSecond), 0);
        QVERIFY(!model->isModified());
        QTest::qWait(50);
        QCOMPARE(answerer.boxes, 0);
        // Reading is not writing: the name of the missing device stays for the next start.
        QCOMPARE(savedValue("PortName/OutputPortNameSecond"), QStringLiteral("Unplugged Synth"));
    }

    QString deviceNews() const
    {
        const auto* label = window->statusBar()->findChild<QLabel*>(QStringLiteral("deviceNews"));
        return label ? label->text() : QStringLiteral("(no label)");
    }

    void vanishedDeviceIsShownAbsentAndComesBack()
    {
        QVERIFY(chooseFromMenu(window.get(), "&InputPort", "Loopback B"));
        QCOMPARE(model->getValue(ParamInputPortIndex), 2);
        loop->setDeviceNames({"Loopback A"}, {"Loopback A", "Loopback B"});
        QTRY_COMPARE(deviceNews(), QStringLiteral("Port1 In: Loopback B is gone, waiting for it"));
        QMenu* menu = openMenu(window.get(), "&InputPort");
        QCOMPARE(entries(menu),
                 QStringList({"Not Connected [ ]", "Loopback A [ ]", "Loopback B (absent) [x]"}));
        menu->hide();
        QCOMPARE(window->inputPortName(0), QStringLiteral("Not Connected"));

        loop->setDeviceNames({"Loopback A", "Loopback B"}, {"Loopback A", "Loopback B"});
        QTRY_COMPARE(deviceNews(), QStringLiteral("Port1 In: Loopback B is back"));
        menu = openMenu(window.get(), "&InputPort");
        QCOMPARE(entries(menu), QStringList({"Not Connected [ ]", "Loopback A [ ]", "Loopback B [x]"}));
        menu->hide();
        QCOMPARE(window->inputPortName(0), QStringLiteral("Loopback B"));
        // The parameter keeps its value all along: the choice never changed.
        QCOMPARE(model->getValue(ParamInputPortIndex), 2);
    }

    void twoDevicesOfTheSameNameShowTheFirstChecked()
    {
        loop->setDeviceNames({"Loopback A", "Twin", "Twin"}, {"Loopback A"});
        QMenu* menu = openMenu(window.get(), "&InputPort");
        QVERIFY(menu);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions().at(3)).center());
        QCOMPARE(model->getValue(ParamInputPortIndex), 3);
        menu = openMenu(window.get(), "&InputPort");
        QCOMPARE(entries(menu), QStringList({"Not Connected [ ]", "Loopback A [ ]", "Twin [x]", "Twin [ ]"}));
        menu->hide();

        // At start-up the name opens the first of them.
        window.reset();
        makeWindow();
        QCOMPARE(window->inputPortName(0), QStringLiteral("Twin"));
        QCOMPARE(model->getValue(ParamInputPortIndex), 2);
    }

    void sentBytesComeBackThroughTheAnalyzerAndThru()
    {
        // Port1 out and in on Loopback A; Port1's input forwarded to Port2's output on Loopback B.
        openLoopbackA();
        QVERIFY(window->openOutputPort(1, 1));
        model->setValue(ParamMidiThru, 2);      // Port1->Port2
        model->setValue(ParamMessageDetail, 1); // lines with port and message name
        QTemporaryDir logs;
        const QString inLog = logs.filePath("in.log");
        const QString outLog = logs.filePath("out.log");
        QVERIFY(window->midiSession()->analyzer()->openReceivedLogFile(inLog));
        QVERIFY(window->midiSession()->analyzer()->openTransmittedLogFile(outLog));
        loop->takeSent();

        const quint8 noteOn[] = {0x90, 0x3C, 0x64};
        QVERIFY(window->sendToOutputPorts(noteOn, 3, 1, 0));
        const QByteArray dump = QByteArray::fromHex("F07E7F0901F7");
        QVERIFY(window->sendToOutputPorts(reinterpret_cast<const quint8*>(dump.constData()),
                                          quint32(dump.size()), 7, 0));

        // Both messages return on input A and are forwarded to Loopback B.
        QTRY_COMPARE(sentTo("Loopback B"), QByteArray::fromHex("903C64") + dump);
        // The In lines follow the forwarding on the receive thread.
        QTRY_COMPARE((window->midiSession()->analyzer()->waitForLogFiles(), tails(readFile(inLog)).size()),
                     2);
        QVERIFY(window->midiSession()->analyzer()->closeReceivedLogFile());
        QVERIFY(window->midiSession()->analyzer()->closeTransmittedLogFile());
        window->midiSession()->analyzer()->waitForLogFiles();

        const QList<QByteArray> in = tails(readFile(inLog));
        QCOMPARE(
            in, QList<QByteArray>({"Port1 Ch 1 NoteOn   90 3C 64", "Port1 ---- SysEx    F0 7E 7F 09 01 F7"}));
        // What was sent and what was forwarded interleave as the threads run; each port's lines keep
        // their order.
        QList<QByteArray> out = tails(readFile(outLog));
        std::stable_sort(out.begin(), out.end(),
                         [](const QByteArray& a, const QByteArray& b) { return a.left(5) < b.left(5); });
        QCOMPARE(out, QList<QByteArray>(
                          {"Port1 Ch 1 NoteOn   90 3C 64", "Port1 ---- SysEx    F0 7E 7F 09 01 F7",
                           "Port2 Ch 1 NoteOn   90 3C 64", "Port2 ---- SysEx    F0 7E 7F 09 01 F7"}));
    }

    void refreshTicksCountIdleTimeForTheTempoMeter()
    {
        // Received clocks give a tempo; once they stop, the window's ticks run the meter out.
        QVERIFY(chooseFromMenu(window.get(), "&InputPort", "Loopback A"));
        QTimer clock;
        connect(&clock, &QTimer::timeout, this,
                [this] { loop->injectBytes("Loopback A", QByteArray("\xF8", 1)); });
        clock.setTimerType(Qt::PreciseTimer);
        clock.start(20); // 125 BPM
        QTRY_VERIFY_WITH_TIMEOUT(window->midiSession()->analyzer()->receivedTempo() > 0, 3000);
        clock.stop();
        QTest::qWait(2000);
        QVERIFY(window->midiSession()->analyzer()->receivedTempo() > 0); // not yet 3 s of silence
        QTRY_COMPARE_WITH_TIMEOUT(window->midiSession()->analyzer()->receivedTempo(), 0, 3000);
    }

private:
    QString portName(bool input, quint32 port) const
    {
        return input ? window->inputPortName(port) : window->outputPortName(port);
    }

    static QStringList entries(QMenu* menu)
    {
        QStringList list;
        if (!menu)
            return list;
        for (const QAction* a : menu->actions())
            list << a->text() + (a->isChecked() ? " [x]" : " [ ]");
        return list;
    }

    static QString savedValue(const QString& key)
    {
        QSettings settings(SettingsFile::path(), QSettings::IniFormat);
        return settings.value(key).toString();
    }

    QByteArray sentTo(const QString& device)
    {
        for (const LoopbackMidiService::SentMessage& m : loop->takeSent())
            if (m.device == device)
                collected[device] += m.bytes;
        return collected.value(device);
    }

    // Each line from its port column on: the time stamp varies, the rest is fixed.
    static QList<QByteArray> tails(const QByteArray& text)
    {
        QList<QByteArray> result;
        for (const QByteArray& line : text.split('\n')) {
            const int port = line.indexOf("Port");
            if (port >= 0)
                result << line.mid(port).split('[').first().trimmed();
        }
        return result;
    }

    QHash<QString, QByteArray> collected;
};

QTEST_MAIN(MainWindowPortsTest)
#include "MainWindowPortsTest.moc"
