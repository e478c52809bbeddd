#include "../../editor/views/EditorViewHost.h"
#include "GeneratorViewHost.h"

#include "LineEdit.h"
#include "MidiPitchbendSlider.h"
#include "MidiPitchbendView.h"
#include "MidiProgramChangeView.h"
#include "PushButton.h"
#include "SevenSegment.h"
#include "VantelMidiParameterId.h"

#include <QCheckBox>
#include <QDataStream>
#include <QPushButton>

#include <memory>

namespace {

void typeInto(SevenSegment* display, const QString& text)
{
    QTest::mouseDClick(display, Qt::LeftButton, Qt::NoModifier, QPoint(57, 24));
    QTest::keyClicks(display->textEditor(), text);
    QTest::keyClick(display->textEditor(), Qt::Key_Return);
}

} // namespace

// Program change and pitch bend views: the bytes they send through the loopback outputs for what
// the user does, and their project records.
class ProgramPitchbendTest : public QObject
{
    Q_OBJECT

    template <typename View> View* open()
    {
        return openInArea(host->area, new View(nullptr, model.get(), host.get()));
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

    void programNumbersByBase()
    {
        auto* view = open<MidiProgramChangeView>();
        QVERIFY(view);
        // Counted from 1: 1 and 128 are the ends of the MIDI range.
        QCOMPARE(view->programDisplay()->value(), 1);
        QTest::mouseClick(view->transmitButton(), Qt::LeftButton);
        typeInto(view->programDisplay(), QStringLiteral("128"));
        QTest::mouseClick(view->transmitButton(), Qt::LeftButton);
        QCOMPARE(hex(host->sentToPort1()), QStringLiteral("C0 00 | C0 7F"));

        // The base switch keeps the MIDI program (128 is not clamped to 127 first) and sends
        // nothing; the display then counts from 0.
        model->setValue(ParamProgramNumberBase, 0);
        QCOMPARE(view->programDisplay()->value(), 127);
        QCOMPARE(view->programDisplay()->minimum(), 0);
        QVERIFY(host->sentToPort1().isEmpty());
        QTest::mouseClick(view->transmitButton(), Qt::LeftButton);
        typeInto(view->programDisplay(), QStringLiteral("0"));
        QTest::mouseClick(view->transmitButton(), Qt::LeftButton);
        QCOMPARE(hex(host->sentToPort1()), QStringLiteral("C0 7F | C0 00"));
        model->setValue(ParamProgramNumberBase, 1);
        QCOMPARE(view->programDisplay()->value(), 1);
    }

    void autoTransmitSendsBankThenProgram()
    {
        auto* view = open<MidiProgramChangeView>();
        QTest::mouseClick(view->msbCheckBox(), Qt::LeftButton);
        QTest::mouseClick(view->lsbCheckBox(), Qt::LeftButton);
        QTest::mouseClick(view->autoTransmitCheckBox(), Qt::LeftButton);
        // Ticking boxes sends nothing.
        QVERIFY(host->sentToPort1().isEmpty());
        typeInto(view->msbSpinBox(), QStringLiteral("5"));
        QCOMPARE(hex(host->sentToPort1()), QStringLiteral("B0 00 05 | B0 20 00 | C0 00"));
        typeInto(view->channelSpinBox(), QStringLiteral("16"));
        typeInto(view->lsbSpinBox(), QStringLiteral("9"));
        QTest::mouseClick(view->programDisplay()->upButton(), Qt::LeftButton);
        QCOMPARE(hex(host->sentToPort1()),
                 QStringLiteral("BF 00 05 | BF 20 00 | CF 00 | BF 00 05 | BF 20 09 | CF 00 | "
                                "BF 00 05 | BF 20 09 | CF 01"));
    }

    void programRecords_data()
    {
        QTest::addColumn<int>("base");
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("msb");
        QTest::newRow("saved with base 1, opened with base 0")
            << 0 << fields({{0, 3}, {1, 1}, {2, 4}, {3, 0}, {4, 0}, {5, 10}, {6, 0}, {7, 1}}) << 3 << 9 << 4;
        QTest::newRow("saved with base 0, opened with base 1")
            << 1 << fields({{0, 3}, {5, 0}, {7, 0}}) << 3 << 1 << 0;
        QTest::newRow("no base: counted from 1") << 0 << fields({{5, 128}}) << 1 << 127 << 0;
        QTest::newRow("values out of range keep the defaults")
            << 1 << fields({{0, 0}, {2, 200}, {4, -1}, {5, 129}, {7, 1}}) << 1 << 1 << 0;
    }
    void programRecords()
    {
        QFETCH(int, base);
        QFETCH(QByteArray, saved);
        QFETCH(int, channel);
        QFETCH(int, shown);
        QFETCH(int, msb);
        model->setValue(ParamProgramNumberBase, base);
        auto* view = open<MidiProgramChangeView>();
        QDataStream in(saved);
        QVERIFY(view->readFromStream(in));
        QCOMPARE(view->channelSpinBox()->currentValue(), channel);
        QCOMPARE(view->programDisplay()->value(), shown);
        QCOMPARE(view->msbSpinBox()->currentValue(), msb);
        QCOMPARE(view->lsbSpinBox()->currentValue(), 0);
        QVERIFY(host->sentToPort1().isEmpty());

        QByteArray written;
        QDataStream out(&written, QIODevice::WriteOnly);
        QVERIFY(view->writeToStream(out));
        QCOMPARE(written.size(), 8 * 12);
    }

    // Wheel mode: a press at a row and the release.
    void pitchbendSliderPositions_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("bytes");
        QTest::addColumn<int>("shown");
        QTest::newRow("bottom") << 0 << "E0 00 00" << -8192;
        QTest::newRow("one below the centre") << 63 << "E0 00 3F" << -128;
        QTest::newRow("first above the centre: fine byte 2") << 65 << "E0 02 41" << 130;
        QTest::newRow("top") << 127 << "E0 7F 7F" << 8191;
    }
    void pitchbendSliderPositions()
    {
        QFETCH(int, position);
        QFETCH(QString, bytes);
        QFETCH(int, shown);
        auto* view = open<MidiPitchbendView>();
        MidiPitchbendSlider* slider = view->slider();
        // The row whose value is the position: the mapping rounds half up.
        int row = 0;
        while (row < slider->height() && slider->valueAt(row) != position)
            ++row;
        QVERIFY(row < slider->height());
        QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, QPoint(slider->width() / 2, row));
        QCOMPARE(view->valueSpinBox()->currentValue(), shown);
        QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, QPoint(slider->width() / 2, row));
        // The wheel springs back and sends the centre once.
        QCOMPARE(hex(host->sentToPort1()), bytes + QStringLiteral(" | E0 00 40"));
        QCOMPARE(view->valueSpinBox()->currentValue(), 0);
        QCOMPARE(slider->value(), 64);
    }

    void pitchbendFaderTypedValuesAndKeys()
    {
        auto* view = open<MidiPitchbendView>();
        MidiPitchbendSlider* slider = view->slider();
        QVERIFY(!view->valueSpinBox()->isEnabled());
        // Keys and wheel do nothing to a wheel.
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_Home);
        QVERIFY(host->sentToPort1().isEmpty());

        QTest::mouseClick(view->wheelModeCheckBox(), Qt::LeftButton);
        QVERIFY(view->valueSpinBox()->isEnabled());
        const struct
        {
            const char* typed;
            const char* bytes;
            int position;
        } typed[] = {{"-8192", "E0 00 00", 0},
                     {"0", "E0 00 40", 64},
                     {"8191", "E0 7F 7F", 127},
                     {"-1", "E0 7F 3F", 63}};
        for (const auto& entry : typed) {
            typeInto(view->valueSpinBox(), QString::fromLatin1(entry.typed));
            QCOMPARE(hex(host->sentToPort1()), QString::fromLatin1(entry.bytes));
            QCOMPARE(slider->value(), entry.position);
        }
        // A fader stays where keys and the wheel put it.
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_PageUp);
        QTest::keyClick(slider, Qt::Key_Minus);
        wheelTurn(slider, slider->rect().center(), -240);
        QCOMPARE(slider->value(), 70);
        QCOMPARE(hex(host->sentToPort1()), QStringLiteral("E0 12 49 | E0 10 48 | E0 0C 46"));
        QTest::mouseClick(view->transmitButton(), Qt::LeftButton);
        QCOMPARE(hex(host->sentToPort1()), QStringLiteral("E0 0C 46"));

        // +50 leaves the slider on its centre position; turning the wheel back on still sends the
        // centre.
        typeInto(view->valueSpinBox(), QStringLiteral("50"));
        QCOMPARE(slider->value(), 64);
        host->sentToPort1();
        QTest::mouseClick(view->wheelModeCheckBox(), Qt::LeftButton);
        QCOMPARE(hex(host->sentToPort1()), QStringLiteral("E0 00 40"));
        QCOMPARE(view->valueSpinBox()->currentValue(), 0);
    }

    void pitchbendRecordKeepsFaderModeAndSendsNothing()
    {
        auto* view = open<MidiPitchbendView>();
        QTest::mouseClick(view->wheelModeCheckBox(), Qt::LeftButton);
        typeInto(view->channelSpinBox(), QStringLiteral("2"));
        typeInto(view->valueSpinBox(), QStringLiteral("-1"));
        QByteArray saved;
        QDataStream out(&saved, QIODevice::WriteOnly);
        QVERIFY(view->writeToStream(out));
        host->sentToPort1();

        auto* restored = open<MidiPitchbendView>();
        QDataStream in(saved);
        QVERIFY(restored->readFromStream(in));
        QVERIFY(!restored->wheelModeCheckBox()->isChecked());
        QCOMPARE(restored->valueSpinBox()->currentValue(), -1);
        QCOMPARE(restored->slider()->value(), 63);
        QCOMPARE(restored->channelSpinBox()->currentValue(), 2);
        QVERIFY(host->sentToPort1().isEmpty());
        QTest::mouseClick(restored->transmitButton(), Qt::LeftButton);
        QCOMPARE(hex(host->sentToPort1()), QStringLiteral("E1 7F 3F"));

        // Out of range: the defaults stay.
        auto* damaged = open<MidiPitchbendView>();
        QDataStream bad(fields({{0, 17}, {1, 1}, {2, 9000}}));
        QVERIFY(damaged->readFromStream(bad));
        QCOMPARE(damaged->channelSpinBox()->currentValue(), 1);
        QCOMPARE(damaged->valueSpinBox()->currentValue(), 0);
    }

private:
    std::unique_ptr<VantelMidiModel> model;
    std::unique_ptr<EditorViewHost> host;
};

VANTEL_WIDGET_TEST_MAIN(ProgramPitchbendTest)
#include "ProgramPitchbendTest.moc"
