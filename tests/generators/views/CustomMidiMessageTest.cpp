#include "../../editor/views/EditorViewHost.h"
#include "GeneratorViewHost.h"

#include "ComboBox.h"
#include "Dial.h"
#include "LineEdit.h"
#include "MidiCustomMidiMessageView.h"
#include "VantelMidiParameterId.h"

#include <QAbstractItemView>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <memory>

namespace {

void typeInto(Dial* knob, const QString& text)
{
    QTest::mouseDClick(knob, Qt::LeftButton, Qt::NoModifier, knob->rect().center());
    QTest::keyClicks(knob->textEditor(), text);
    QTest::keyClick(knob->textEditor(), Qt::Key_Return);
}

void typeMessage(LineEdit* field, const QString& text)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
}

} // namespace

// The custom message view: the target bytes it rewrites, what the knob and Transmit send through
// the loopback outputs, the range boxes, the context-menu entry and its project record.
class CustomMidiMessageTest : public QObject
{
    Q_OBJECT

    MidiCustomMidiMessageView* open()
    {
        return openInArea(host->area, new MidiCustomMidiMessageView(nullptr, model.get(), host.get()),
                          QSize(338, 274));
    }

    // What the transmission thread sent, once the expected number of messages is there.
    QString sent(int messages)
    {
        QByteArrayList all;
        const bool arrived = QTest::qWaitFor(
            [&] {
                all += host->sentToPort1();
                return all.size() >= messages;
            },
            5000);
        if (!arrived)
            return QStringLiteral("nothing sent");
        QTest::qWait(20);
        all += host->sentToPort1();
        return hex(all);
    }

private Q_SLOTS:
    void init()
    {
        model = std::make_unique<VantelMidiModel>();
        host = std::make_unique<EditorViewHost>(model.get());
        QVERIFY(host->openOutputs());
    }

    void cleanup()
    {
        host.reset();
        model.reset();
    }

    void valueWrittenIntoTargetBytes()
    {
        using V = MidiCustomMidiMessageView;
        const struct
        {
            const char* message;
            int byteCount, target, offset, value;
            const char* expected;
        } rows[] = {
            {"F0 7E 7F 09 01 F7", V::OneByte, 4, 1, 5, "F07E7F0501F7"},
            {"F07E,7F 0 901F7", V::OneByte, 4, 9, 5, "F07E7F0501F7"}, // separators ignored
            {"F0 00 00 F7", V::TwoBytes, 2, 1, 16383, "F07F7FF7"},
            {"F0 00 00 F7", V::TwoBytes, 2, 1, 128, "F00100F7"},
            {"F0 00 00 00 F7", V::TwoNibbles, 2, 2, 0xA5, "F00A0005F7"},
            {"F0 00 00 00 00 F7", V::FourNibbles, 2, 1, 0x1234, "F001020304F7"},
            // As typed: the second byte missing, target 0, half a byte.
            {"B0 07 00", V::TwoBytes, 3, 1, 9, "B00700"},
            {"B0 07 00", V::OneByte, 0, 1, 9, "B00700"},
            {"B0 07 0", V::OneByte, 3, 1, 9, "B0070"},
        };
        for (const auto& r : rows)
            QCOMPARE(
                V::messageWithValue(QString::fromLatin1(r.message), r.byteCount, r.target, r.offset, r.value),
                QString::fromLatin1(r.expected));
    }

    void knobTransmitAndRangeBoxes()
    {
        MidiCustomMidiMessageView* view = open();
        QVERIFY(view);
        typeMessage(view->messageEdit(), QStringLiteral("F0 7E 7F 09 01 F7"));
        typeInto(view->targetByteSpinBox(), QStringLiteral("4"));
        QVERIFY(view->isTargetValid());
        typeInto(view->valueKnob(), QStringLiteral("5"));
        QCOMPARE(sent(1), QStringLiteral("F0 7E 7F 05 01 F7"));

        // One byte at target 3; the range boxes limit each other and clamp the knob without
        // sending.
        typeMessage(view->messageEdit(), QStringLiteral("B0 07 00"));
        typeInto(view->targetByteSpinBox(), QStringLiteral("3"));
        typeInto(view->valueKnob(), QStringLiteral("3"));
        QCOMPARE(sent(1), QStringLiteral("B0 07 03"));
        typeInto(view->minimumSpinBox(), QStringLiteral("10"));
        QCOMPARE(view->maximumSpinBox()->minimum(), 11);
        QCOMPARE(view->valueKnob()->value(), 10);
        typeInto(view->maximumSpinBox(), QStringLiteral("20"));
        QCOMPARE(view->minimumSpinBox()->maximum(), 19);
        QCOMPARE(view->valueKnob()->maximum(), 20);
        QVERIFY(host->sentToPort1().isEmpty());

        // Target bytes 3 and 4 of a three-byte message: the knob is gray and sends nothing, the
        // button sends the message as typed.
        view->byteCountComboBox()->setFocus();
        QTest::keyClick(view->byteCountComboBox(), Qt::Key_Down);
        QCOMPARE(view->byteCountComboBox()->currentIndex(), 1);
        QVERIFY(!view->isTargetValid());
        QVERIFY(view->offsetSpinBox()->isEnabled());
        typeInto(view->valueKnob(), QStringLiteral("15"));
        QTest::mouseClick(view->transmitButton(), Qt::LeftButton);
        QCOMPARE(sent(1), QStringLiteral("B0 07 00"));
    }

    void targetDigitsInRed()
    {
        model->setValue(ParamMessageColor, 1);
        MidiCustomMidiMessageView* view = open();
        typeMessage(view->messageEdit(), QStringLiteral("F0 7E,7F 09"));
        typeInto(view->targetByteSpinBox(), QStringLiteral("3"));
        QCOMPARE(view->targetCharacterPositions(), QVector<int>({6, 7}));
        // The leftmost red column: the digits of byte 3, not of the byte the box held before.
        const auto firstRedColumn = [view] {
            const QImage image = view->messageEdit()->grab().toImage();
            for (int x = 0; x < image.width(); ++x)
                for (int y = 0; y < image.height(); ++y) {
                    const QColor c = image.pixelColor(x, y);
                    if (c.red() > 180 && c.green() < 90 && c.blue() < 90)
                        return x;
                }
            return -1;
        };
        LineEdit* field = view->messageEdit();
        field->setCursorPosition(6);
        const int byteThree = field->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
        field->setCursorPosition(8);
        QVERIFY(firstRedColumn() >= byteThree - 1);
        QVERIFY(firstRedColumn() <= byteThree + 4);
        model->setValue(ParamMessageColor, 0);
        QCOMPARE(firstRedColumn(), -1);
    }

    // Cursor positions at the start, after and before a byte, before a lone last digit, at the end,
    // and among separators only.
    void byteAtCursor()
    {
        const struct
        {
            const char* text;
            int cursor, byte;
        } rows[] = {{"F0 7E 7F", 0, 1}, {"F0 7E 7F", 2, 1}, {"F0 7E 7F", 3, 2},
                    {"F0 7", 3, 2},     {"F0 7E 7F", 8, 3}, {" , ", 2, 0}};
        for (const auto& r : rows)
            QCOMPARE(MidiCustomMidiMessageView::byteAtCursor(QString::fromLatin1(r.text), r.cursor), r.byte);
    }

    void contextMenuTakesTheByteUnderTheCursor()
    {
        MidiCustomMidiMessageView* view = open();
        LineEdit* field = view->messageEdit();
        typeMessage(field, QStringLiteral("F0 7E 7F 09 01 F7"));
        field->setCursorPosition(9);
        QString entryText;
        bool entryEnabled = false;
        QTimer::singleShot(100, this, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            QAction* entry = menu->actions().constLast();
            entryText = entry->text();
            entryEnabled = entry->isEnabled();
            QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(entry).center());
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), field->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(field, &event);
        QCOMPARE(entryText, QStringLiteral("Set byte position of '09' to Knob Target Byte"));
        QVERIFY(entryEnabled);
        QTRY_COMPARE(view->targetByteSpinBox()->currentValue(), 4);

        // A lone digit at the end offers nothing to take.
        typeMessage(field, QStringLiteral("F0 7"));
        field->setCursorPosition(3);
        QCOMPARE(view->contextMenuEntryText(),
                 QStringLiteral("Set byte position of '7' to Knob Target Byte"));
    }

    void recordRestoresWithoutSending()
    {
        MidiCustomMidiMessageView* view = open();
        typeMessage(view->nameEdit(), QStringLiteral("Cutoff"));
        typeMessage(view->messageEdit(), QStringLiteral("F0 00 00 F7"));
        view->byteCountComboBox()->setFocus();
        QTest::keyClick(view->byteCountComboBox(), Qt::Key_Down);
        typeInto(view->maximumSpinBox(), QStringLiteral("1000"));
        typeInto(view->valueKnob(), QStringLiteral("300"));
        QCOMPARE(sent(1), QStringLiteral("F0 02 2C F7"));
        QByteArray saved;
        QDataStream out(&saved, QIODevice::WriteOnly);
        QVERIFY(view->writeToStream(out));

        MidiCustomMidiMessageView* restored = open();
        QDataStream in(saved);
        QVERIFY(restored->readFromStream(in));
        QCOMPARE(restored->nameEdit()->text(), QStringLiteral("Cutoff"));
        QCOMPARE(restored->byteCountComboBox()->currentIndex(), 1);
        QCOMPARE(restored->maximumSpinBox()->currentValue(), 1000);
        QCOMPARE(restored->minimumSpinBox()->maximum(), 999);
        QCOMPARE(restored->valueKnob()->value(), 300);
        QTest::qWait(50);
        QVERIFY(host->sentToPort1().isEmpty());

        // Out of range: byte count 9, crossed limits and offset 500 keep the defaults.
        MidiCustomMidiMessageView* fresh = open();
        QDataStream badIn(fields({{6, 9}, {4, 100}, {5, 50}, {7, 500}}));
        QVERIFY(fresh->readFromStream(badIn));
        QCOMPARE(fresh->byteCountComboBox()->currentIndex(), 0);
        QCOMPARE(fresh->minimumSpinBox()->currentValue(), 0);
        QCOMPARE(fresh->maximumSpinBox()->currentValue(), 127);
        QCOMPARE(fresh->offsetSpinBox()->currentValue(), 1);
        QCOMPARE(fresh->valueKnob()->maximum(), 127);
    }

private:
    std::unique_ptr<VantelMidiModel> model;
    std::unique_ptr<EditorViewHost> host;
};

VANTEL_WIDGET_TEST_MAIN(CustomMidiMessageTest)
#include "CustomMidiMessageTest.moc"
