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
    // What holds for every registered parameter: it starts at its default, inside its range, and
    // has a name unless it is an internal flag (the preferences and MIDI settings view tests show
    // the names and ranges through their controls).
    void everyParameterStartsAtItsDefaultInItsRange()
    {
        VantelMidiModel model;
        int registered = 0;
        for (qint32 id = 0; id < 2000; ++id) {
            qint32 error = -1;
            const qint32 minimum = model.getMinimum(id, &error);
            if (error != 0)
                continue;
            ++registered;
            const QByteArray which = QByteArray::number(id);
            QVERIFY2(minimum <= model.getDefault(id) && model.getDefault(id) <= model.getMaximum(id), which);
            QCOMPARE(model.getValue(id), model.getDefault(id));
        }
        QVERIFY(registered > 20);
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
        QTest::newRow("knob mode") << 1200;
        QTest::newRow("Port1 thru") << 500;
        QTest::newRow("Port2 thru") << 502;
    }
    // Every value of a parameter with value texts has one; values beyond its range have none.
    void valueTexts()
    {
        QFETCH(int, id);
        VantelMidiModel model;
        const int count = model.getMaximum(id) - model.getMinimum(id) + 1;
        for (int v = 0; v < count; ++v) {
            qint32 error = -1;
            QVERIFY(!model.getValueText(id, v, &error).isEmpty());
            QCOMPARE(error, 0);
        }
        for (int v : {-1, count, 2147483647}) {
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
