#include "KnobModeTarget.h"
#include "MidiControllerNames.h"
#include "ModelAssistant.h"
#include "VantelMidiModel.h"

#include <QStandardPaths>
#include <QtTest>

#include <memory>

namespace {

class FakeDial : public QObject, public KnobModeTarget
{
public:
    void setKnobMode(qint32 mode) override
    {
        knobMode = mode;
        ++calls;
    }
    qint32 knobMode = -1;
    int calls = 0;
};

// Records the knob mode the dial had when the preference change reached an ordinary listener.
class ModeWitness : public ModelAssistant
{
public:
    explicit ModeWitness(FakeDial* aDial) : dial(aDial) {}
    void parameterChanged(qint32 id) override
    {
        if (id == ParamKnobMode)
            seen = dial->knobMode;
    }
    FakeDial* dial;
    qint32 seen = -1;
};

} // namespace

class ApplicationModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // One row per shape of entry (ranges, non-zero defaults, names), not a copy of the whole table;
    // the preferences and MIDI settings view tests show more of it through their controls.
    void registration_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("defaultValue");
        QTest::addColumn<QString>("name");
        QTest::newRow("0") << 0 << 0 << 2 << 0 << "";
        QTest::newRow("500") << 500 << 0 << 3 << 0 << "Thru";
        QTest::newRow("501") << 501 << 0 << 1000 << 0 << "Bulk Interval (ms)";
        QTest::newRow("503") << 503 << 0 << 2147483647 << 0 << "Input Port Index";
        QTest::newRow("1205") << 1205 << 0 << 2 << 0 << "Middle C";
        QTest::newRow("1301") << 1301 << -5 << 4 << 0 << "Octave";
        QTest::newRow("1302") << 1302 << 1 << 16 << 1 << "Channel";
        QTest::newRow("1303") << 1303 << 0 << 127 << 64 << "NoteOn Vel.";
    }
    void registration()
    {
        QFETCH(int, id);
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(int, defaultValue);
        QFETCH(QString, name);
        VantelMidiModel model;
        qint32 error = -1;
        QCOMPARE(model.getMinimum(id, &error), minimum);
        QCOMPARE(error, 0);
        QCOMPARE(model.getMaximum(id), maximum);
        QCOMPARE(model.getDefault(id), defaultValue);
        QCOMPARE(model.getValue(id), defaultValue);
        QCOMPARE(model.getName(id), name);
    }

    void unlistedIdsAreNotRegistered_data()
    {
        QTest::addColumn<int>("id");
        for (int id : {6, 499, 509, 599, 616, 699, 710, 799, 928, 999, 1004, 1099, 1106, 1209, 1305})
            QTest::newRow(qPrintable(QString::number(id))) << id;
    }
    void unlistedIdsAreNotRegistered()
    {
        QFETCH(int, id);
        VantelMidiModel model;
        qint32 error = 0;
        model.getValue(id, &error);
        QCOMPARE(error, 1);
        model.getName(id, &error);
        QCOMPARE(error, 1);
    }

    void directoriesDefaultToDocuments()
    {
        VantelMidiModel model;
        const QString documents =
            QStandardPaths::standardLocations(QStandardPaths::DocumentsLocation).value(0);
        for (qint32 id : {1, 2, 5}) {
            qint32 error = -1;
            QCOMPARE(model.getString(id, &error), documents);
            QCOMPARE(error, 0);
            QCOMPARE(model.getDefaultString(id), documents);
        }
    }

    void valueTexts_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("knob mode") << 1200 << QStringList{"Circular", "Linear"};
        QTest::newRow("program number") << 1208 << QStringList{"Zero-based", "One-based"};
        QTest::newRow("font size") << 1202 << QStringList{"Normal", "Large"};
        QTest::newRow("middle C") << 1205 << QStringList{"C3", "C4", "C5"};
        QTest::newRow("time format") << 1206 << QStringList{"Clock", "Integer"};
        QTest::newRow("Port1 thru") << 500
                                    << QStringList{"Off", "Port1->Port1", "Port1->Port2",
                                                   "Port1->Port1+Port2"};
        QTest::newRow("Port2 thru") << 502
                                    << QStringList{"Off", "Port2->Port2", "Port2->Port1",
                                                   "Port2->Port1+Port2"};
    }
    void valueTexts()
    {
        QFETCH(int, id);
        QFETCH(QStringList, texts);
        VantelMidiModel model;
        for (int v = 0; v < texts.size(); ++v) {
            qint32 error = -1;
            QCOMPARE(model.getValueText(id, v, &error), texts.at(v));
            QCOMPARE(error, 0);
        }
        for (int v : {-1, int(texts.size()), 2147483647}) {
            qint32 error = 0;
            QVERIFY(model.getValueText(id, v, &error).isNull());
            QCOMPARE(error, 1);
        }
        // The formatters accept a null flag pointer.
        QVERIFY(model.getValueText(id, 99).isNull());
    }

    void nullModelRegistersNothing()
    {
        VantelMidiParameters parameters(nullptr); // must not crash
        Q_UNUSED(parameters)
    }

    void modifiedLock()
    {
        VantelMidiModel model;
        QVERIFY(!model.isModified());
        model.setModified(1);
        QVERIFY(model.isModified());
        model.setModified(0);

        model.lockModified();
        model.lockModified();
        model.setModified(1);
        QCOMPARE(model.getValue(ParamModified), 0);
        model.unlockModified();
        model.setModified(1); // still locked once
        QVERIFY(!model.isModified());
        model.unlockModified();
        model.setModified(1);
        QVERIFY(model.isModified());

        model.lockModified();
        model.setModified(0); // clearing is suppressed as well
        QVERIFY(model.isModified());
        model.unlockModified();

        // An unbalanced unlock must not wrap the counter and lock marking for good.
        model.unlockModified();
        model.setModified(0);
        QVERIFY(!model.isModified());
    }

    void dialsFollowKnobMode()
    {
        VantelMidiModel model;
        model.setValue(ParamKnobMode, 1);
        FakeDial dial;
        model.addDial(&dial);
        QCOMPARE(dial.knobMode, 1); // created while linear: starts linear
        model.addDial(&dial);
        QCOMPARE(dial.calls, 2); // set both times ...
        model.setValue(ParamKnobMode, 0);
        QCOMPARE(dial.calls, 3); // ... but listed once

        ModeWitness witness(&dial);
        model.addAssistant(&witness);
        model.setValue(ParamKnobMode, 1);
        QCOMPARE(witness.seen, 1); // switched before the other receivers hear of it
        model.removeAssistant(&witness);

        model.removeDial(&dial);
        model.setValue(ParamKnobMode, 0);
        QCOMPARE(dial.knobMode, 1);
    }

    void destroyedDialIsSkipped()
    {
        VantelMidiModel model;
        auto gone = std::make_unique<FakeDial>();
        FakeDial kept;
        model.addDial(gone.get());
        model.addDial(&kept);
        gone.reset();
        model.setValue(ParamKnobMode, 1);
        QCOMPARE(kept.knobMode, 1);
        FakeDial late;
        model.addDial(&late); // sweeps the dead entry
        model.setValue(ParamKnobMode, 0);
        QCOMPARE(late.knobMode, 0);
        QCOMPARE(kept.knobMode, 0);
    }

    void controllerNames_data()
    {
        QTest::addColumn<int>("controller");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("defaultValue");
        QTest::newRow("0") << 0 << "000 Bank (MSB)" << 0;
        QTest::newRow("2") << 2 << "002 Breath" << 127;
        QTest::newRow("3") << 3 << "003 ---" << 64;
        QTest::newRow("7") << 7 << "007 Volume" << 100;
        QTest::newRow("37") << 37 << "037 Portamento Time (LSB)" << 0;
        QTest::newRow("120") << 120 << "120 All Sound Off" << 0;
        QTest::newRow("127") << 127 << "127 Poly On" << 0;
    }
    void controllerNames()
    {
        QFETCH(int, controller);
        QFETCH(QString, name);
        QFETCH(int, defaultValue);
        qint32 error = -1;
        QCOMPARE(MidiControllerNames::name(controller, &error), name);
        QCOMPARE(error, 0);
        QCOMPARE(MidiControllerNames::defaultValue(controller), defaultValue);
    }

    void controllerTableShape()
    {
        int unnamed = 0;
        for (int c = 0; c < MidiControllerNames::Count; ++c) {
            const QString name = MidiControllerNames::name(c);
            QVERIFY(name.startsWith(QStringLiteral("%1 ").arg(c, 3, 10, QLatin1Char('0'))));
            if (name.endsWith(QLatin1String(" ---")))
                ++unnamed;
        }
        // 3, 9, 14, 15, 20..31, 35, 41, 46, 47, 52..63, 85..90, 102..119
        QCOMPARE(unnamed, 56);
        for (int c : {-1, 128}) {
            qint32 error = 0;
            QVERIFY(MidiControllerNames::name(c, &error).isNull());
            QCOMPARE(error, 1);
            error = 0;
            QCOMPARE(MidiControllerNames::defaultValue(c, &error), 0);
            QCOMPARE(error, 1);
        }
    }
};

QTEST_GUILESS_MAIN(ApplicationModelTest)
#include "ApplicationModelTest.moc"
