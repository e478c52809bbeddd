#include "ShellTestSupport.h"
#include "VantelMidiParameterId.h"
#include "ViewKindTable.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>

#include <algorithm>

namespace {

// The controllers' key names as the file has them: the named ones, then "NNN ---" for the rest.
QStringList controllerKeys()
{
    const QStringList named =
        QStringLiteral(
            "000 Bank (MSB)|001 Modulation|002 Breath|004 Foot|005 Portamento Time|006 Data Entry|"
            "007 Volume|008 Balance|010 Pan|011 Expression|012 Effect 1|013 Effect 2|016 General 1|"
            "017 General 2|018 General 3|019 General 4|032 Bank (LSB)|033 Modulation (LSB)|"
            "034 Breath (LSB)|036 Foot (LSB)|037 Portamento Time (LSB)|038 Data Entry (LSB)|"
            "039 Volume (LSB)|040 Balance (LSB)|042 Pan (LSB)|043 Expression (LSB)|"
            "044 Effect 1 (LSB)|045 Effect 2 (LSB)|048 General 1 (LSB)|049 General 2 (LSB)|"
            "050 General 3 (LSB)|051 General 4 (LSB)|064 Damper Pedal|065 Portamento Switch|"
            "066 Sostenuto|067 Soft Pedal|068 Legato|069 Hold2|070 Variation|071 Harmonic|"
            "072 Release|073 Attack|074 Brightness|075 Sound Controller 6|076 Sound Controller 7|"
            "077 Sound Controller 8|078 Sound Controller 9|079 Sound Controller 10|080 General 5|"
            "081 General 6|082 General 7|083 General 8|084 Portamento Control|091 Reverb|"
            "092 Tremolo|093 Chorus|094 Celeste|095 Phaser|096 Data Increment|097 Data Decrement|"
            "098 NRPN (LSB)|099 NRPN (MSB)|100 RPN (LSB)|101 RPN (MSB)|120 All Sound Off|"
            "121 Reset All Controllers|122 Local Control|123 All Notes Off|124 Omni Off|125 Omni On|"
            "126 Mono On|127 Poly On")
            .split(QLatin1Char('|'));
    QStringList keys = named;
    for (int number = 0; number < 128; ++number) {
        const QString prefix = QStringLiteral("%1 ").arg(number, 3, 10, QLatin1Char('0'));
        if (std::none_of(named.begin(), named.end(), [&](const QString& n) { return n.startsWith(prefix); }))
            keys << prefix + QStringLiteral("---");
    }
    return keys;
}

bool writeText(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

} // namespace

// The settings file across starts of the window: what a first start gives, every group written at
// the end and read at the next start, values of the wrong kind, and the window layout.
class SettingsFileTest : public QObject, private MainWindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        Q_INIT_RESOURCE(images);
        useLoopbackHost();
    }

    void init() { QFile::remove(SettingsFile::path()); }

    void cleanup()
    {
        if (model)
            model->setModified(0);
        window.reset();
        model.reset();
    }

    void firstStartGivesTheDefaults()
    {
        start();
        QCOMPARE(layout(), (QStringList{"MIDI In Monitor 0,0 338x274", "MIDI Out Monitor 338,0 338x274",
                                        "System Exclusive 0,274 338x274"}));
        QCOMPARE(window->size(),
                 QSize(679, 548 + window->menuBar()->height() + window->statusBar()->height()));
        QCOMPARE(window->inputPortName(0), QStringLiteral("Not Connected"));
        QCOMPARE(window->outputPortName(1), QStringLiteral("Not Connected"));
        for (auto group : {SettingsFile::MidiFilter, SettingsFile::MidiThru, SettingsFile::Preferences})
            for (const auto& key : SettingsFile::groupKeys(group))
                QCOMPARE(model->getValue(key.second), model->getDefault(key.second));
    }

    void everyGroupIsWrittenAtTheEndAndReadAtTheNextStart()
    {
        start();
        // A value other than the default for every parameter of the groups.
        QHash<qint32, qint32> values;
        for (auto group : {SettingsFile::MidiFilter, SettingsFile::MidiThru, SettingsFile::Preferences})
            for (const auto& key : SettingsFile::groupKeys(group)) {
                const qint32 id = key.second;
                const qint32 value = model->getDefault(id) == model->getMaximum(id) ? model->getMinimum(id)
                                                                                    : model->getMaximum(id);
                model->setValue(id, value);
                values.insert(id, value);
            }
        for (const auto& key : SettingsFile::groupKeys(SettingsFile::FileWorkingDirectory))
            model->setString(key.second, QStringLiteral("/folder/") + key.first);
        restart();

        // Some keys as the file has them, then every parameter as read back.
        QSettings file(SettingsFile::path(), QSettings::IniFormat);
        QCOMPARE(file.value("MidiThru/MidiThru").toInt(), 3);
        QCOMPARE(file.value("MidiThru/BulkInterval").toInt(), 1000);
        QCOMPARE(file.value("Preferences/PCKeyboardChannel").toInt(), 16);
        QCOMPARE(file.value("Preferences/MessageColor").toInt(), 0);
        QCOMPARE(file.value("MidiFilter/15").toInt(), 1);
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            QCOMPARE(model->getValue(it.key()), it.value());
        QCOMPARE(model->getString(ParamDumpFileWorkingDirectory),
                 QStringLiteral("/folder/DumpFileWorkingDirectory"));
    }

    // The key names are the file's, fixed for files other versions and other programs wrote: a key
    // renamed in the program would still read back what it wrote, so they are listed here.
    void keyNamesOfEveryGroup_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("FileWorkingDirectory")
            << "FileWorkingDirectory"
            << QStringList{"DumpFileWorkingDirectory", "ProjectFileWorkingDirectory",
                           "OutputLogFileWorkingDirectoryRegistryKey"};
        QTest::newRow("MidiThru") << "MidiThru" << QStringList{"BulkInterval", "MidiThru", "MidiThruSecond"};
        QTest::newRow("Preferences") << "Preferences"
                                     << QStringList{"KnobMode",           "TimeStamp",
                                                    "MessageFontSize",    "MessageColor",
                                                    "MessageDetail",      "MessageMiddleC",
                                                    "MessageTimeFormat",  "MessageParsed",
                                                    "ProgramNumberBase",  "PCKeyboardEnable",
                                                    "PCKeyboardOctave",   "PCKeyboardChannel",
                                                    "PCKeyboardVelocity", "PCKeyboardNoteOffVelocity"};
        QStringList filter;
        for (int channel = 0; channel < 16; ++channel)
            filter << QString::number(channel);
        filter << QStringLiteral(
                      "Note Off|Note On|Key Pressure|Program Change|Channel Pressure|Pitch Bend|"
                      "System Exclusive|(F1) MIDI Time Code Quarter Frame|(F2) Song Position Pointer|"
                      "(F3) Song Select|(F6) Tune Request|(F8) Timing Clock|(FA) Start|(FB) Continue|"
                      "(FC) Stop|(FE) Active Sensing|(FF) System Reset")
                      .split(QLatin1Char('|'))
               << controllerKeys();
        QTest::newRow("MidiFilter") << "MidiFilter" << filter;
        QTest::newRow("PortName") << "PortName"
                                  << QStringList{"InputPortName", "InputPortNameSecond", "OutputPortName",
                                                 "OutputPortNameSecond"};
    }
    void keyNamesOfEveryGroup()
    {
        QFETCH(QString, group);
        QFETCH(QStringList, keys);
        // Ports are read from their keys at the start: Port1 on device A, Port2 on device B.
        {
            QSettings file(SettingsFile::path(), QSettings::IniFormat);
            file.setValue("PortName/InputPortName", "Loopback A");
            file.setValue("PortName/InputPortNameSecond", "Loopback B");
            file.setValue("PortName/OutputPortName", "Loopback B");
            file.setValue("PortName/OutputPortNameSecond", "Loopback A");
        }
        start();
        QCOMPARE(window->inputPortName(0), QStringLiteral("Loopback A"));
        QCOMPARE(window->inputPortName(1), QStringLiteral("Loopback B"));
        QCOMPARE(window->outputPortName(0), QStringLiteral("Loopback B"));
        QCOMPARE(window->outputPortName(1), QStringLiteral("Loopback A"));
        restart();
        QSettings file(SettingsFile::path(), QSettings::IniFormat);
        file.beginGroup(group);
        QStringList written = file.childKeys();
        written.sort();
        keys.sort();
        QCOMPARE(written, keys);
    }

    void valuesOfTheWrongKind_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("value");
        QTest::newRow("true is on") << "MidiFilter/3"
                                    << "true" << int(paramFilterChannel(4)) << 1;
        QTest::newRow("1 is on") << "MidiFilter/3"
                                 << "1" << int(paramFilterChannel(4)) << 1;
        QTest::newRow("false is off") << "Preferences/MessageColor"
                                      << "false" << int(ParamMessageColor) << 0;
        QTest::newRow("text for a switch: default") << "Preferences/MessageColor"
                                                    << "blue" << int(ParamMessageColor) << 1;
        QTest::newRow("channel 0 clamped") << "Preferences/PCKeyboardChannel"
                                           << "0" << int(ParamPCKeyboardChannel) << 1;
        QTest::newRow("huge bulk interval clamped") << "MidiThru/BulkInterval"
                                                    << "100000000" << int(ParamBulkInterval) << 1000;
        QTest::newRow("text for a number: default") << "MidiThru/MidiThru"
                                                    << "Port1" << int(ParamMidiThru) << 0;
    }
    void valuesOfTheWrongKind()
    {
        QFETCH(QString, key);
        QFETCH(QString, text);
        QFETCH(int, id);
        QFETCH(int, value);
        {
            QSettings file(SettingsFile::path(), QSettings::IniFormat);
            file.setValue(key, text);
        }
        start();
        QCOMPARE(model->getValue(id), value);
    }

    void theLayoutIsSavedAtCloseAndRestoredAtTheNextStart()
    {
        start();
        QVERIFY(window->subWindows()->openView(ViewKind::SystemExclusive));
        QVERIFY(window->subWindows()->openView(ViewKind::Filter));
        QVERIFY(window->subWindows()->openView(ViewKind::MidiSettings));
        window->mdiArea()->subWindowList().first()->move(40, 50);
        window->resize(700, 500);
        QTRY_COMPARE(window->size(), QSize(700, 500));
        const QStringList before = layout();
        restart();

        QSettings file(SettingsFile::path(), QSettings::IniFormat);
        file.beginGroup("SavePosition");
        QStringList kinds;
        for (const QString& key : file.childKeys())
            kinds << key.section('-', 1);
        // Editors are numbered among themselves; every other kind has instance 0.
        QCOMPARE(kinds, (QStringList{"0-0", "1-0", "2-0", "3-0", "3-1", "8-0", "7-0"}));
        QCOMPARE(layout(), before);
        QTRY_COMPARE(window->size(), QSize(700, 500));
        // The saved height leaves out the status bar, which a window saved elsewhere lacks.
        file.endGroup();
        QCOMPARE(file.value("SavePosition/0000000000-0-0").toList().value(0).toRect().height(),
                 500 - window->statusBar()->height());
    }

    // A layout as another version of the program writes it: kinds 3 to 6 numbered among their own
    // kind, the value a rectangle, the state, the stay-on-top flag and the view's extra values. The
    // saved main-window height covers the menu bar and the area, never our status bar.
    void aHandWrittenLayoutIsRestoredAndWrittenBackAlike()
    {
        QVERIFY(writeText(SettingsFile::path(), "[SavePosition]\n"
                                                "0000000000-0-0=@Rect(20 30 660 500), 0, false\n"
                                                "0000000001-4-0=@Rect(0 0 500 160), 0, false\n"
                                                "0000000002-5-0=@Rect(500 0 225 250), 0, false, 7, 0\n"
                                                "0000000003-4-1=@Rect(0 160 500 160), 0, true\n"
                                                "0000000004-6-0=@Rect(0 320 225 250), 0, false\n"
                                                "0000000005-3-0=@Rect(230 320 338 274), 0, false\n"
                                                "0000000006-5-1=@Rect(500 250 225 250), 0, false, 10, 0\n"
                                                "0000000007-10-0=@Rect(300 0 200 200), 0, false\n"));
        start();
        QTRY_COMPARE(window->mdiArea()->height(), 500 - window->menuBar()->height());
        const QStringList restored = layout();
        QCOMPARE(restored.size(), 7);
        QCOMPARE(restored.at(1), QStringLiteral("Control Change 500,0 225x250"));
        QVERIFY(window->mdiArea()->subWindowList(QMdiArea::ActivationHistoryOrder).at(2)->windowFlags() &
                Qt::WindowStaysOnTopHint);
        restart();

        QSettings file(SettingsFile::path(), QSettings::IniFormat);
        file.beginGroup("SavePosition");
        QCOMPARE(file.childKeys(),
                 (QStringList{"0000000000-0-0", "0000000001-4-0", "0000000002-5-0", "0000000003-4-1",
                              "0000000004-6-0", "0000000005-3-0", "0000000006-5-1", "0000000007-10-0"}));
        const QVariantList main = file.value("0000000000-0-0").toList();
        QCOMPARE(main.size(), 3);
        QCOMPARE(main.at(0).toRect(), QRect(20, 30, 660, 500));
        const QVariantList controlChange = file.value("0000000006-5-1").toList();
        QCOMPARE(controlChange.size(), 5);
        QCOMPARE(controlChange.at(0).toRect(), QRect(500, 250, 225, 250));
        QCOMPARE(controlChange.at(1).toInt(), 0);
        QCOMPARE(controlChange.at(2).toBool(), false);
        QCOMPARE(controlChange.at(3).toInt(), 10);
        QCOMPARE(controlChange.at(4).toInt(), 0);
        QCOMPARE(file.value("0000000003-4-1").toList().at(2).toBool(), true);
        QCOMPARE(layout(), restored);
    }

    // A damaged layout gives a window on the screen and the views of a first start, not an empty
    // window reaching past the screen's edge.
    void aDamagedLayoutFallsBackToTheDefaults_data()
    {
        QTest::addColumn<QByteArray>("group");
        QTest::addColumn<bool>("defaultViews");
        QTest::newRow("main window beyond the screen")
            << QByteArray("0000000000-0-0=@Rect(0 0 16384 16384), 0, false\n"
                          "0000000001-2-0=@Rect(5 5 300 200), 0, false\n")
            << false;
        QTest::newRow("main window's entry unreadable")
            << QByteArray("0000000000-0-0=garbage\n0000000001-2-0=@Rect(5 5 300 200), 0, false\n") << true;
        QTest::newRow("every view unreadable")
            << QByteArray("0000000000-0-0=@Rect(0 0 600 400), 0, false\n0000000001-2-0=@Rect(5 5), x\n"
                          "0000000002-77-0=@Rect(5 5 300 200), 0, false\n")
            << true;
    }
    void aDamagedLayoutFallsBackToTheDefaults()
    {
        QFETCH(QByteArray, group);
        QFETCH(bool, defaultViews);
        QVERIFY(writeText(SettingsFile::path(), "[SavePosition]\n" + group));
        start();
        const QRect screen = window->screen()->availableGeometry();
        QTRY_VERIFY2(screen.contains(window->frameGeometry()),
                     qPrintable(QStringLiteral("%1x%2").arg(window->width()).arg(window->height())));
        if (defaultViews)
            QCOMPARE(layout(), (QStringList{"MIDI In Monitor 0,0 338x274", "MIDI Out Monitor 338,0 338x274",
                                            "System Exclusive 0,274 338x274"}));
        else
            QCOMPARE(layout(), QStringList{"MIDI Out Monitor 5,5 300x200"});
    }

    void aMaximisedWindowKeepsItsNormalRectangle()
    {
        start();
        QMdiSubWindow* editor = window->mdiArea()->subWindowList().last();
        // Moves and resizes count; maximising does not.
        editor->setGeometry(30, 40, 300, 200);
        editor->showMaximized();
        QTRY_VERIFY(editor->isMaximized());
        restart();
        QMdiSubWindow* restored = window->mdiArea()->subWindowList(QMdiArea::ActivationHistoryOrder).last();
        QVERIFY(restored->isMaximized());
        restored->showNormal();
        QTRY_COMPARE(restored->geometry(), QRect(30, 40, 300, 200));
    }

    void aSettingsFileThatCannotBeWrittenStopsNothing()
    {
        // A folder where the file should be: nothing can be written there.
        QVERIFY(QDir().mkpath(SettingsFile::path()));
        start();
        QVERIFY(window->subWindows()->openView(ViewKind::Filter));
        model->setValue(ParamMidiThru, 2);
        restart();
        QVERIFY(QFileInfo(SettingsFile::path()).isDir());
        QVERIFY(QDir(SettingsFile::path()).isEmpty());
        QVERIFY(QDir(SettingsFile::path()).removeRecursively());
    }

private:
    // As the program starts: the window shown, at the default size unless a layout was saved.
    void start()
    {
        model = std::make_unique<VantelMidiModel>();
        window = std::make_unique<MainWindow>(model.get());
        window->show();
        if (!SettingsFile::hasSavedWindowPositions())
            window->resizeToDefault();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    // As the program ends and starts again.
    void restart()
    {
        model->setModified(0);
        QVERIFY(window->close());
        window.reset();
        model.reset();
        start();
    }
};

QTEST_MAIN(SettingsFileTest)
#include "SettingsFileTest.moc"
