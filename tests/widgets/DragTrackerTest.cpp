#include "WidgetTestSupport.h"

#include "Model.h"
#include "SpinBox.h"
#include "SpinBoxSlider.h"

#include <limits>
#include <memory>

namespace {

// Far larger than any drag, so the edge rules stay out of the way unless a test wants them.
const QRect HugeScreen(-100000, -100000, 200000, 200000);

} // namespace

class DragTrackerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        window = std::make_unique<QWidget>();
        window->resize(200, 560);
        spinBox = new SpinBox(window.get());
        spinBox->setGeometry(20, 268, 100, 24);
        spinBox->slider()->dragTracker().setScreenGeometry([] { return HugeScreen; });
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    void cleanup()
    {
        window.reset();
        spinBox = nullptr;
    }

    void stepsFollowRange_data()
    {
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<bool>("fine");
        QTest::addColumn<int>("pixelsUp");
        QTest::addColumn<int>("expected");

        // Controller values: one per pixel, a quarter under Shift.
        QTest::newRow("0..127 fine four pixels") << 0 << 127 << true << 4 << 1;
        // 14-bit values: range / 100 per pixel (fine: a quarter unit, as from 1024 below).
        QTest::newRow("0..16383 one pixel") << 0 << 16383 << false << 1 << 163;
        // Small ranges: four pixels per step, sixteen under Shift.
        QTest::newRow("0..3 three pixels") << 0 << 3 << false << 3 << 0;
        QTest::newRow("0..3 fine fifteen pixels") << 0 << 3 << true << 15 << 0;
        QTest::newRow("0..3 fine sixteen pixels") << 0 << 3 << true << 16 << 1;
        // Boundaries of the step table.
        QTest::newRow("0..16 four pixels") << 0 << 16 << false << 4 << 1;
        QTest::newRow("0..17 one pixel") << 0 << 17 << false << 1 << 1;
        QTest::newRow("0..128 one pixel") << 0 << 128 << false << 1 << 1;
        QTest::newRow("0..129 one pixel") << 0 << 129 << false << 1 << 2;
        QTest::newRow("0..320 one pixel") << 0 << 320 << false << 1 << 2;
        QTest::newRow("0..321 one pixel") << 0 << 321 << false << 1 << 3;
        QTest::newRow("0..1023 fine one pixel") << 0 << 1023 << true << 1 << 1;
        QTest::newRow("0..1024 fine three pixels") << 0 << 1024 << true << 3 << 0;
        QTest::newRow("0..1024 fine four pixels") << 0 << 1024 << true << 4 << 1;
        // Signed ranges: the accumulated change is truncated toward zero, in both directions.
        QTest::newRow("-64..63 fine down three") << -64 << 63 << true << -3 << 0;
        QTest::newRow("-64..63 fine down five") << -64 << 63 << true << -5 << -1;
    }

    void stepsFollowRange()
    {
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(bool, fine);
        QFETCH(int, pixelsUp);
        QFETCH(int, expected);

        makeSpinBox(minimum, maximum, 0);
        const Qt::KeyboardModifiers modifiers = fine ? Qt::ShiftModifier : Qt::NoModifier;

        MouseDrag drag(spinBox, spinBox->rect().center());
        drag.up(pixelsUp, modifiers);
        drag.release();
        QCOMPARE(spinBox->value(), expected);
        QCOMPARE(spinBox->currentValue(), expected);

        // The same travel in one event gives the same value.
        makeSpinBox(minimum, maximum, 0);
        MouseDrag jump(spinBox, spinBox->rect().center());
        jump.up(pixelsUp, modifiers, true);
        jump.release();
        QCOMPARE(spinBox->value(), expected);
    }

    void limitRows_data()
    {
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("start");
        QTest::addColumn<QList<int>>("strokes");
        QTest::addColumn<QList<int>>("values");

        // The eighth pixel overshoots: its row is remembered and all motion beyond it is ignored; back
        // on that row the value moves at once, and going up again counts from where the value is.
        QTest::newRow("maximum") << 0 << 127 << 120 << QList<int>{7, 1, 22, -21, -1, -1, 3}
                                 << QList<int>{127, 127, 127, 127, 126, 125, 127};
        QTest::newRow("minimum") << 0 << 127 << 5 << QList<int>{-5, -1, -30, 29, 1}
                                 << QList<int>{0, 0, 0, 0, 1};
        // Back on the row of the overshoot the change is a quarter step, which the truncation toward
        // the start value turns into a whole step up from the minimum.
        QTest::newRow("small range minimum")
            << 0 << 3 << 2 << QList<int>{-8, -20, 18, 1} << QList<int>{0, 0, 0, 1};
        // The first pixel back down moves at once, by a whole step, without overflow.
        const int max = std::numeric_limits<qint32>::max();
        QTest::newRow("widest range")
            << std::numeric_limits<qint32>::min() << max << max - 10 << QList<int>{1, -1, -2}
            << QList<int>{max, max - 42949672, max - 3 * 42949672};
    }

    void limitRows()
    {
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(int, start);
        QFETCH(QList<int>, strokes);
        QFETCH(QList<int>, values);

        makeSpinBox(minimum, maximum, start);
        MouseDrag drag(spinBox, spinBox->rect().center());
        for (int i = 0; i < strokes.size(); ++i) {
            drag.up(strokes.at(i));
            QCOMPARE(spinBox->value(), values.at(i));
        }
        drag.release();
    }

    // The cursor held against a screen edge cannot go further: every event there still counts as
    // one pixel, at the fine speed under Shift, and the limits still hold.
    void screenEdgesKeepTheDragGoing()
    {
        makeSpinBox(0, 127, 10);
        const QPoint start = spinBox->rect().center();
        const int startRow = spinBox->mapToGlobal(start).y();
        // The screen ends three rows above the press.
        spinBox->slider()->dragTracker().setScreenGeometry(
            [startRow] { return QRect(0, startRow - 3, 800, 600); });
        MouseDrag drag(spinBox, start);
        drag.up(3);
        QCOMPARE(spinBox->value(), 13);
        for (int i = 0; i < 5; ++i)
            drag.pushAgainstEdge();
        QCOMPARE(spinBox->value(), 18);
        for (int i = 0; i < 8; ++i)
            drag.pushAgainstEdge(Qt::ShiftModifier);
        QCOMPARE(spinBox->value(), 20);
        for (int i = 0; i < 200; ++i)
            drag.pushAgainstEdge();
        QCOMPARE(spinBox->value(), 127);
        drag.release();

        // The last row of the screen two rows below the press.
        makeSpinBox(0, 127, 50);
        spinBox->slider()->dragTracker().setScreenGeometry(
            [startRow] { return QRect(0, startRow - 300, 800, 303); });
        MouseDrag down(spinBox, start);
        down.down(2);
        QCOMPARE(spinBox->value(), 48);
        for (int i = 0; i < 6; ++i)
            down.pushAgainstEdge();
        QCOMPARE(spinBox->value(), 42);
        down.release();
    }

    // Bound: each step writes once, a fine pixel short of a step writes nothing; and since the
    // store does not clamp, a value outside the range moves into it at the first pixel.
    void dragWritesBoundParameter()
    {
        Model model;
        model.registerParameter(42, 0, 127, 64, QStringLiteral("Level"));
        ChangeRecorder recorder;
        model.addAssistant(&recorder);
        spinBox->setId(42);
        spinBox->connectModel(&model);
        recorder.ids.clear();
        QSignalSpy announced(spinBox, &SpinBox::widgetValueChanged);

        MouseDrag drag(spinBox, spinBox->rect().center(), Qt::NoModifier);
        drag.up(3, Qt::ShiftModifier); // still 64: no write, no signal
        drag.up(1, Qt::ShiftModifier); // 65
        drag.up(2);                    // 66, 67
        drag.release();
        QCOMPARE(model.getValue(42), 67);
        QCOMPARE(recorder.count(42), 3);
        QCOMPARE(announced.count(), 3);
        QCOMPARE(announced.last().at(0).toInt(), 67);

        model.setValue(42, 500);
        MouseDrag down(spinBox, spinBox->rect().center());
        down.down(1);
        down.release();
        QCOMPARE(model.getValue(42), 126);
        spinBox->disconnectModel();
        model.removeAssistant(&recorder);
    }

    void otherButtonsDoNotDrag()
    {
        makeSpinBox(0, 127, 5);
        const QPoint start = spinBox->rect().center();
        QTest::mousePress(spinBox, Qt::MiddleButton, Qt::NoModifier, start);
        QTest::mouseEvent(QTest::MouseMove, spinBox, Qt::NoButton, Qt::NoModifier, start - QPoint(0, 20));
        QTest::mouseRelease(spinBox, Qt::MiddleButton, Qt::NoModifier, start - QPoint(0, 20));
        QCOMPARE(spinBox->value(), 5);
        // A move after the release is no drag either.
        MouseDrag drag(spinBox, start);
        drag.release();
        QTest::mouseEvent(QTest::MouseMove, spinBox, Qt::NoButton, Qt::NoModifier, start - QPoint(0, 20));
        QCOMPARE(spinBox->value(), 5);
    }

private:
    SpinBox* makeSpinBox(qint32 minimum, qint32 maximum, qint32 value)
    {
        spinBox->setRange(minimum, maximum);
        spinBox->setValue(value);
        return spinBox;
    }

    std::unique_ptr<QWidget> window;
    SpinBox* spinBox = nullptr;
};

VANTEL_WIDGET_TEST_MAIN(DragTrackerTest)
#include "DragTrackerTest.moc"
