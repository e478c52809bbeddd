#include "WidgetTestSupport.h"

#include "PushButton.h"
#include "SevenSegment.h"

#include <QPainter>

#include <memory>

namespace {

// Digit d of the strip is filled with grey level 20 d, so a pixel tells which digit is drawn.
QPixmap digitStrip()
{
    QPixmap strip(380, 48);
    QPainter painter(&strip);
    for (int d = 0; d < 10; ++d)
        painter.fillRect(d * 38, 0, 38, 48, QColor(20 * d, 20 * d, 20 * d));
    return strip;
}

} // namespace

class SevenSegmentTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        window = std::make_unique<QWidget>();
        window->move(100, 100);
        window->resize(200, 100);
        display = new SevenSegment(window.get());
        // The program change view's geometry: three digit columns of 38 pixels.
        display->setGeometry(10, 10, 132, 48);
        display->setDigitImage(digitStrip());
        display->setUpButton(QPixmap(), QRect(114, 0, 18, 24));
        display->setDownButton(QPixmap(), QRect(114, 24, 18, 24));
        QVERIFY(showActive(window.get()));
    }

    void cleanup() { window.reset(); }

    void threeDigitsWithLeadingZeros()
    {
        display->setRange(0, 10000);
        const struct
        {
            int value;
            const char* digits;
        } rows[] = {{7, "007"}, {127, "127"}, {5000, "999"}};
        for (const auto& row : rows) {
            display->setValue(row.value);
            const QImage image = display->grab().toImage();
            QString shown;
            for (int i = 0; i < 3; ++i)
                shown += QString::number(image.pixelColor(i * 38 + 19, 24).red() / 20);
            QCOMPARE(shown, QLatin1String(row.digits));
        }
    }

    // Every way of changing the value stays within the range and announces only real changes.
    void gesturesClamp_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("expected");
        QTest::newRow("up button at the maximum") << "up" << 0 << 127 << 127;
        QTest::newRow("Down key at the minimum") << "key down" << 0 << 0 << 0;
        QTest::newRow("two notches down from 1") << "wheel -240" << 0 << 1 << 0;
        // Less than a notch either way is none: the count goes toward zero.
        QTest::newRow("less than a notch down") << "wheel -119" << 0 << 50 << 50;
        QTest::newRow("drag past the maximum") << "drag 20" << 0 << 120 << 127;
        QTest::newRow("Control-click resets") << "reset" << 0 << 50 << 10;
        QTest::newRow("typed over the maximum") << "type 500" << 0 << 5 << 127;
        QTest::newRow("typed under the minimum") << "type -3" << 10 << 50 << 10;
    }

    void gesturesClamp()
    {
        QFETCH(QString, gesture);
        QFETCH(int, minimum);
        QFETCH(int, start);
        QFETCH(int, expected);
        display->setRange(minimum, 127);
        display->setResetValue(10);
        display->setValue(start);
        display->setFocus();
        QSignalSpy changed(display, &SevenSegment::valueChanged);
        const QString argument = gesture.section(' ', 1);
        const QPoint digits(57, 24);
        if (gesture == "up") {
            QTest::mouseClick(display->upButton(), Qt::LeftButton);
        } else if (gesture == "key down") {
            QTest::keyClick(display, Qt::Key_Down);
        } else if (gesture.startsWith("wheel")) {
            wheelTurn(display, digits, argument.toInt());
        } else if (gesture.startsWith("drag")) {
            MouseDrag drag(display, digits);
            drag.up(argument.toInt());
            drag.release();
        } else if (gesture == "reset") {
            QTest::mouseClick(display, Qt::LeftButton, Qt::ControlModifier, digits);
        } else {
            QTest::mouseDClick(display, Qt::LeftButton, Qt::NoModifier, digits);
            QTest::keyClicks(display->textEditor(), argument);
            QTest::keyClick(display->textEditor(), Qt::Key_Return);
        }
        QCOMPARE(display->value(), expected);
        QCOMPARE(changed.isEmpty(), expected == start);
        if (!changed.isEmpty())
            QCOMPARE(changed.last().at(0).toInt(), expected);
    }

    void openEditorHoldsTheValue()
    {
        display->setValue(42);
        QSignalSpy changed(display, &SevenSegment::valueChanged);
        QTest::mouseDClick(display, Qt::LeftButton, Qt::NoModifier, QPoint(57, 24));
        LineEdit* editor = display->textEditor();
        QVERIFY(editor != nullptr && editor->hasFocus());
        QCOMPARE(editor->selectedText(), QStringLiteral("42"));
        QTest::mouseClick(display->upButton(), Qt::LeftButton);
        QTest::keyClick(editor, Qt::Key_Up);
        wheelTurn(display, QPoint(57, 24), 120);
        QCOMPARE(display->value(), 42);
        // Committing the unchanged text closes the editor and hands the digits back to dragging.
        QTest::keyClick(editor, Qt::Key_Return);
        QVERIFY(!editor->isVisible());
        QVERIFY(display->hasFocus());
        MouseDrag drag(display, QPoint(57, 24));
        drag.up(2);
        drag.release();
        QCOMPARE(display->value(), 44);
        QCOMPARE(changed.count(), 2);
    }

private:
    std::unique_ptr<QWidget> window;
    SevenSegment* display = nullptr;
};

VANTEL_WIDGET_TEST_MAIN(SevenSegmentTest)
#include "SevenSegmentTest.moc"
