#include "ShellTestSupport.h"
#include "VantelMidiParameterId.h"
#include "ViewKindTable.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QStatusBar>

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
        QCOMPARE(window->size(), QSize(679, 548 + window->menuBar()->height() + window->statusBar()->height()));
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
        QCOMPARE(file.value("MidiFilter/(FF) System Reset").toInt(), 1);
        QCOMPARE(file.value("MidiFilter/127 Poly On").toInt(), 1);
        QCOMPARE(file.value("FileWorkingDirectory/OutputLogFileWorkingDirectoryRegistryKey").toString(),
                 QStringLiteral("/folder/OutputLogFileWorkingDirectoryRegistryKey"));
        file.beginGroup("MidiFilter");
        // 16 channels, 7 messages, 4 system common, 6 realtime, 128 controllers.
        QCOMPARE(file.childKeys().size(), 161);
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            QCOMPARE(model->getValue(it.key()), it.value());
        QCOMPARE(model->getString(ParamDumpFileWorkingDirectory),
                 QStringLiteral("/folder/DumpFileWorkingDirectory"));
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
