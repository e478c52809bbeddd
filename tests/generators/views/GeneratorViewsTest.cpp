#include "GeneratorViewHost.h"

#include "Dial.h"
#include "MidiActivesenseTransmittionThread.h"
#include "MidiActivesensingView.h"
#include "MidiControlChangeView.h"
#include "MidiKeyboardUpperView.h"
#include "MidiKeyboardView.h"
#include "MidiKeyboardViewScrollArea.h"
#include "MidiLedCombinedDial.h"
#include "MidiTimingClockGeneratorView.h"
#include "MidiTimingClockPlayStopButton.h"
#include "MidiTimingClockTransmittionThread.h"
#include "MidiTransportPanelPlayStopButton.h"
#include "MidiTransportPanelView.h"
#include "PressureKeyboard.h"
#include "VantelMidiModel.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

#include <memory>

// The generator views driven with the mouse and keys: what each sends reaches both loopback
// outputs with the label kind the Out monitor shows. The keyboard gestures themselves are the
// widget's tests; here only what the view makes of them.
class GeneratorViewsTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<VantelMidiModel> model;
    std::unique_ptr<GeneratorViewHost> host;
    std::unique_ptr<QMdiArea> area;

    static void clickKey(Keyboard* keys, qint32 note, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QRect rect = keys->keyRect(note);
        QTest::mouseClick(keys, Qt::LeftButton, modifiers, QPoint(rect.center().x(), rect.bottom() - 5));
    }

private Q_SLOTS:
    void init()
    {
        model = std::make_unique<VantelMidiModel>();
        host = std::make_unique<GeneratorViewHost>(model.get());
        QVERIFY(host->opened);
        area = std::make_unique<QMdiArea>();
        area->resize(1000, 400);
    }

    void cleanup()
    {
        area.reset();
        host.reset();
        model.reset();
    }

    void keyboardViewSendsNotesAndPressureAndEndsHeldNotes()
    {
        auto* view =
            openInArea(*area, new MidiKeyboardView(nullptr, model.get(), host.get()), QSize(900, 200));
        QVERIFY(view);
        PressureKeyboard* keys = view->keyboard();
        // Opened centred on the middle of the range.
        QScrollBar* bar = view->scrollArea()->horizontalScrollBar();
        QCOMPARE(bar->value(), (bar->maximum() - bar->minimum()) / 2);
        bar->setValue(keys->keyRect(60).x() - 100);

        clickKey(keys, 60);
        QCOMPARE(host->takeLines(), bothPorts("903c40", 1) + bothPorts("803c00", 0));

        // Velocities are read when the message is built; pressure from a drag down the held key.
        view->upperView()->noteOnVelocitySpinBox()->setValue(100);
        view->upperView()->noteOffVelocitySpinBox()->setValue(7);
        const QRect key = keys->keyRect(62);
        const QPoint top(key.center().x(), 0);
        const QPoint bottom(key.center().x(), keys->keyHeight());
        for (const auto mode : {PressureKeyboard::PolyKeyPressure, PressureKeyboard::ChannelPressure}) {
            view->upperView()->pressureComboBox()->setCurrentIndex(mode);
            QTest::mousePress(keys, Qt::LeftButton, {}, top);
            QTest::mouseMove(keys, bottom);
            QTest::mouseRelease(keys, Qt::LeftButton, {}, bottom);
            QCOMPARE(host->takeLines(),
                     bothPorts("903e64", 1) +
                         (mode == PressureKeyboard::PolyKeyPressure ? bothPorts("a03e7f", 2)
                                                                    : bothPorts("d07f", 5)) +
                         bothPorts("803e07", 0));
        }

        // A latched note ends on its own channel when the channel changes, and at the close.
        clickKey(keys, 64, Qt::ControlModifier);
        view->upperView()->channelSpinBox()->setFocus();
        QTest::keyClick(view->upperView()->channelSpinBox(), Qt::Key_Up);
        clickKey(keys, 65, Qt::ControlModifier);
        area->closeAllSubWindows();
        QCOMPARE(host->takeLines(), bothPorts("904064", 1) + bothPorts("804007", 0) + bothPorts("914164", 1) +
                                        bothPorts("814107", 0));
    }

    void keyboardViewKeepsEveryFieldAndIgnoresImpossibleOnes()
    {
        MidiKeyboardView saved(nullptr, model.get(), host.get());
        saved.upperView()->channelSpinBox()->setValue(5);
        saved.upperView()->noteOnVelocitySpinBox()->setValue(99);
        saved.upperView()->pressureComboBox()->setCurrentIndex(2);
        saved.upperView()->noteOffVelocitySpinBox()->setValue(12);
        QByteArray block;
        QDataStream out(&block, QIODevice::WriteOnly);
        QVERIFY(saved.writeToStream(out));
        // Key 0 is there even though the unshown view has no scroll bar.
        QCOMPARE(block.left(12), fields({{0, 0}}));

        MidiKeyboardView restored(nullptr, model.get(), host.get());
        QDataStream in(block);
        QVERIFY(restored.readFromStream(in));
        QCOMPARE(restored.upperView()->channelSpinBox()->value(), 5);
        QCOMPARE(restored.upperView()->noteOnVelocitySpinBox()->value(), 99);
        QCOMPARE(restored.keyboard()->pressureMode(), 2);
        QCOMPARE(restored.upperView()->noteOffVelocitySpinBox()->value(), 12);

        // A record without key 0 loses nothing after it; values out of range keep the defaults.
        MidiKeyboardView damaged(nullptr, model.get(), host.get());
        QDataStream bad(fields({{1, 17}, {2, 300}, {3, 3}, {4, 5}}));
        QVERIFY(damaged.readFromStream(bad));
        QCOMPARE(damaged.upperView()->channelSpinBox()->value(), 1);
        QCOMPARE(damaged.upperView()->noteOnVelocitySpinBox()->value(), 64);
        QCOMPARE(damaged.keyboard()->pressureMode(), 0);
        QCOMPARE(damaged.upperView()->noteOffVelocitySpinBox()->value(), 5);
        QVERIFY(host->takeLines().isEmpty());
    }

    void controlChangeViewSendsTheKnobAndRepeatsIt()
    {
        auto* view = openInArea(*area, new MidiControlChangeView(nullptr, model.get(), host.get(), 7),
                                QSize(225, 250));
        QVERIFY(view);
        QCOMPARE(view->extraValues, QList<QVariant>({QVariant(7u), QVariant(0u)}));
        QCOMPARE(view->controllerComboBox()->currentText(), QStringLiteral("007 Volume"));
        Dial* knob = view->valueDial();
        QCOMPARE(knob->value(), 100);

        wheelTurn(knob, knob->rect().center(), 120);
        QTest::mouseClick(view->transmitButton(), Qt::LeftButton);
        QCOMPARE(host->takeLines(), bothPorts("b00765", 3) + bothPorts("b00765", 3));

        // Another controller and channel: the knob stays, the next turn sends for the new ones.
        view->controllerComboBox()->setCurrentIndex(10);
        QCOMPARE(view->extraValues.first().toUInt(), 10u);
        QCOMPARE(knob->resetValue(), 64);
        view->channelSpinBox()->setValue(16);
        QVERIFY(host->takeLines().isEmpty());
        wheelTurn(knob, knob->rect().center(), -120);
        QCOMPARE(host->takeLines(), bothPorts("bf0a64", 3));

        // Restoring during a project load moves the knob without sending; impossible values are
        // left out.
        host->loading = true;
        QDataStream in(fields({{0, 3}, {1, 300}, {2, 20}, {3, 9}}));
        QVERIFY(view->readFromStream(in));
        host->loading = false;
        QCOMPARE(view->channelSpinBox()->value(), 3);
        QCOMPARE(view->controllerComboBox()->currentIndex(), 10);
        QCOMPARE(knob->value(), 20);
        QVERIFY(host->takeLines().isEmpty());
    }

    void transportPanelSendsWhatEachButtonIsNamedAfter()
    {
        auto* view =
            openInArea(*area, new MidiTransportPanelView(nullptr, model.get(), host.get()), QSize(338, 200));
        QVERIFY(view);
        const struct
        {
            QAbstractButton* button;
            const char* name;
            const char* bytes;
            quint8 kind;
        } buttons[] = {
            {view->stopButton(), "Stop", "fc", 15},
            {view->continueButton(), "Continue", "fb", 14},
            {view->startButton(), "Start", "fa", 13},
        };
        for (const auto& b : buttons) {
            QCOMPARE(b.button->accessibleName(), QString::fromLatin1(b.name));
            QCOMPARE(b.button->toolTip(), QString::fromLatin1(b.name));
            // Sent on press, before the release.
            QTest::mousePress(b.button, Qt::LeftButton);
            QCOMPARE(host->takeLines(), bothPorts(b.bytes, b.kind));
            QTest::mouseRelease(b.button, Qt::LeftButton);
        }

        // Song numbers go out from 0; a committed position goes out at once, Transmit repeats it.
        SpinBox* number = view->songNumberSpinBox();
        number->setFocus();
        QTest::keyClick(number, Qt::Key_Up);
        QTest::mouseClick(view->songNumberTransmitButton(), Qt::LeftButton);
        QCOMPARE(host->takeLines(), bothPorts("f301", 10) + bothPorts("f301", 10));
        SpinBox* position = view->songPositionSpinBox();
        QTest::mouseDClick(position, Qt::LeftButton);
        QVERIFY(position->isTextInputActive());
        QTest::keyClicks(position, QStringLiteral("128"));
        QTest::keyClick(position, Qt::Key_Return);
        QTest::mouseClick(view->songPositionTransmitButton(), Qt::LeftButton);
        QCOMPARE(host->takeLines(), bothPorts("f20001", 9) + bothPorts("f20001", 9));

        // Restored silently.
        QDataStream in(fields({{0, 128}, {1, 16383}}));
        QVERIFY(view->readFromStream(in));
        QCOMPARE(number->value(), 128);
        QCOMPARE(position->value(), 16383);
        QVERIFY(host->takeLines().isEmpty());
    }

    void timingClockViewPlaysAndShowsTheReceivedTempo()
    {
        auto* view = openInArea(*area, new MidiTimingClockGeneratorView(nullptr, model.get(), host.get()),
                                QSize(220, 250));
        QVERIFY(view);
        QCOMPARE(view->playButton()->accessibleName(), QStringLiteral("Play/Stop"));
        QCOMPARE(view->clockThread()->period(), 27777u);
        wheelTurn(view->tempoDial(), view->tempoDial()->rect().center(), 120);
        QCOMPARE(view->clockThread()->period(), 25000000u / 910u);

        QTest::mouseClick(view->playButton(), Qt::LeftButton);
        QVERIFY(view->tempoDial()->isLit());
        QTRY_VERIFY(host->lineCount() >= 6);
        QTest::mouseClick(view->playButton(), Qt::LeftButton);
        QVERIFY(!view->clockThread()->isPlaying());
        QTest::qWait(100); // a clock being sent as the button went up
        const QVector<OutLine> lines = host->takeLines();
        QVERIFY(!lines.isEmpty());
        for (int i = 0; i < lines.size(); ++i)
            QCOMPARE(lines[i], (OutLine{QByteArray(1, char(0xF8)), 12, quint32(i % 2)}));
        QTest::qWait(100);
        QCOMPARE(host->lineCount(), 0);

        const struct
        {
            quint64 tenths;
            const char* text;
        } tempos[] = {{44, "--- BPM"},   {45, "5 BPM"},     {1204, "120 BPM"},
                      {1205, "121 BPM"}, {3004, "300 BPM"}, {3005, "300 BPM"}};
        for (const auto& t : tempos) {
            view->setReceivedTempo(t.tenths);
            QCOMPARE(view->receivedTempoLabel()->text(), QString::fromLatin1(t.text));
        }

        // Saved while playing, the clock starts when the project is opened; a tempo out of range
        // keeps the knob.
        QDataStream in(fields({{0, 301}, {1, 1}}));
        QVERIFY(view->readFromStream(in));
        QCOMPARE(view->tempoDial()->value(), 91);
        QVERIFY(view->clockThread()->isPlaying());
        // Closing stops the clock: nothing more arrives once the worker has gone.
        area->closeAllSubWindows();
        QVERIFY(WorkerThread::finishReleased(5000));
        host->takeLines();
        QTest::qWait(50);
        QCOMPARE(host->lineCount(), 0);
    }

    void activeSensingViewTransmitsUntilStopped()
    {
        auto* view =
            openInArea(*area, new MidiActivesensingView(nullptr, model.get(), host.get()), QSize(220, 250));
        QVERIFY(view);
        QDataStream in(fields({{0, 100}, {1, 0}}));
        QVERIFY(view->readFromStream(in));
        QCOMPARE(view->senseThread()->interval(), 100);
        QPushButton* button = view->transmitButton();
        QCOMPARE(button->text(), QStringLiteral("Transmit"));

        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->text(), QStringLiteral("Stop"));
        QVERIFY(view->intervalDial()->isLit());
        QTRY_VERIFY(host->lineCount() >= 4);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->text(), QStringLiteral("Transmit"));
        QVERIFY(!view->intervalDial()->isLit());
        // The interval in progress still ends with its message; then nothing.
        QTest::qWait(250);
        const QVector<OutLine> lines = host->takeLines();
        for (int i = 0; i < lines.size(); ++i)
            QCOMPARE(lines[i], (OutLine{QByteArray(1, char(0xFE)), 16, quint32(i % 2)}));
        QTest::qWait(250);
        QCOMPARE(host->lineCount(), 0);
    }
};

VANTEL_WIDGET_TEST_MAIN(GeneratorViewsTest)
#include "GeneratorViewsTest.moc"
