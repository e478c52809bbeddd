#include "WidgetTestSupport.h"

#include "MidiLedCombinedDial.h"
#include "VantelMidiModel.h"

#include <memory>

namespace {

// Painting probes of a 120 x 120 knob (centre 60, 60; the face reaches radius 49): on the arc's
// ring at its start (lower right) and its end (lower left), and in the gap at the bottom.
const QPoint ArcStart(99, 99);
const QPoint ArcEnd(21, 99);
const QPoint Gap(60, 115);

} // namespace

class DialTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        window = std::make_unique<QWidget>();
        window->move(100, 100);
        window->resize(200, 160);
        dial = new MidiLedCombinedDial(window.get());
        dial->setGeometry(10, 10, 120, 120);
        dial->setRange(0, 127);
        dial->setTextEditorSize(QSize(50, 20));
        dial->setFocusPolicy(Qt::StrongFocus);
        QVERIFY(showActive(window.get()));
    }

    void cleanup() { window.reset(); }

    // Parameter 1200 reaches the dial through the model's dial list: in circular mode a press at
    // the top turns the knob to mid-range, in linear mode presses do not move it, drags do.
    void knobModeFollowsThePreference()
    {
        VantelMidiModel model;
        model.addDial(dial);
        dial->setRange(0, 100);
        const QPoint top(60, 15);
        QTest::mouseClick(dial, Qt::LeftButton, Qt::NoModifier, top);
        QCOMPARE(dial->value(), 50);

        model.setValue(ParamKnobMode, 1);
        QCOMPARE(dial->knobMode(), qint32(Dial::Linear));
        dial->setValue(10);
        MouseDrag drag(dial, top);
        QCOMPARE(dial->value(), 10);
        drag.up(5);
        QCOMPARE(dial->value(), 15);
        // Shift: a quarter step per pixel.
        drag.up(4, Qt::ShiftModifier);
        drag.release();
        QCOMPARE(dial->value(), 16);
        model.removeDial(dial);
    }

    // Whole notches only, counted toward zero (less than a notch either way is none); the range
    // holds.
    void wheelNotches()
    {
        const int rows[][2] = {{120, 101}, {60, 100}, {-119, 100}, {-240, 98}, {-250, 98}, {120 * 40, 127}};
        for (const auto& row : rows) {
            dial->setValue(100);
            wheelTurn(dial, QPoint(60, 30), row[0]);
            QCOMPARE(dial->value(), row[1]);
        }
    }

    void editorBoxTakesDoubleClicksControlClickResets()
    {
        dial->setValue(20);
        QSignalSpy changed(dial, &QDial::valueChanged);
        QTest::mouseClick(dial, Qt::LeftButton, Qt::NoModifier, QPoint(50, 60));
        QCOMPARE(changed.count(), 0);

        QTest::mouseDClick(dial, Qt::LeftButton, Qt::NoModifier, QPoint(50, 60));
        LineEdit* editor = dial->textEditor();
        QVERIFY(editor != nullptr && editor->hasFocus());
        QCOMPARE(editor->selectedText(), QStringLiteral("20"));
        // The wheel does nothing while typing; the typed number is clamped to the range.
        wheelTurn(dial, QPoint(60, 30), 120);
        QTest::keyClicks(editor, QStringLiteral("300"));
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(dial->value(), 127);
        QCOMPARE(changed.count(), 1);
        QVERIFY(!editor->isVisible());
        QVERIFY(dial->hasFocus());

        dial->setResetValue(7);
        QTest::mouseClick(dial, Qt::LeftButton, Qt::ControlModifier, QPoint(60, 15));
        QCOMPARE(dial->value(), 7);
    }

    void arcAndLamp()
    {
        dial->setArcStartColor(Qt::red);
        dial->setArcEndColor(Qt::blue);
        dial->setLedOnColor(Qt::yellow);
        dial->setLedOffColor(QColor(27, 27, 0));
        const QImage off = dial->grab().toImage();
        QVERIFY(off.pixelColor(ArcStart).red() > 200 && off.pixelColor(ArcStart).blue() < 50);
        QVERIFY(off.pixelColor(ArcEnd).blue() > 200 && off.pixelColor(ArcEnd).red() < 50);
        QCOMPARE(off.pixelColor(Gap), QColor(27, 27, 0));

        dial->ledOn();
        QCOMPARE(dial->grab().toImage().pixelColor(Gap), QColor(Qt::yellow));
        QTRY_VERIFY(!dial->isLit());
    }

private:
    std::unique_ptr<QWidget> window;
    MidiLedCombinedDial* dial = nullptr;
};

VANTEL_WIDGET_TEST_MAIN(DialTest)
#include "DialTest.moc"
