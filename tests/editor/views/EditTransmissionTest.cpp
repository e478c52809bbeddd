// The transmission of typed hexadecimal text through the editor view, checked at the loopback output
// device: F5 and failures, progress and the progress page, cancel within one large message,
// repetition, and a view closed in the middle of a transmission.

// First: it sets up QtTest's window-system mouse handling before QtTest is included.
#include "EditorViewHost.h"

#include "CheckBox.h"
#include "HexBytes.h"
#include "MidiEditGeneralView.h"
#include "MidiEditProgressView.h"
#include "MidiEditRepeatMessageView.h"
#include "MidiEditRepeatTransmittionThread.h"
#include "MidiEditTextView.h"
#include "PushButton.h"
#include "RepeatSettingsView.h"
#include "SpinBox.h"
#include "ToolButton.h"
#include "VantelMidiParameterId.h"

#include <QHelpEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolBar>

namespace {

QString digits(int bytes, const QString& first = QString(), const QString& last = QString())
{
    QString text = first;
    while (text.size() < 2 * bytes - last.size())
        text += QStringLiteral("01");
    return text + last;
}

} // namespace

class EditTransmissionTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<VantelMidiModel> model;
    std::unique_ptr<EditorViewHost> host;

    MidiEditView* openEditor(const QString& text)
    {
        return host->openShown(MidiEditView::SystemExclusive, text);
    }

    // Opens the repeat bar with Control+R and ticks its check box.
    static RepeatSettingsView* turnOnRepeat(MidiEditView* view)
    {
        QTest::keyClick(view->textView(), Qt::Key_R, Qt::ControlModifier);
        RepeatSettingsView* settings = view->generalView()->repeatSettings();
        QTest::mouseClick(settings->repeatCheckBox(), Qt::LeftButton);
        return settings;
    }

    static void typeInterval(RepeatSettingsView* settings, const QString& milliseconds)
    {
        SpinBox* interval = settings->intervalSpinBox();
        QTest::mouseDClick(interval, Qt::LeftButton, Qt::NoModifier, interval->rect().center());
        QTest::keyClicks(interval, milliseconds);
        QTest::keyClick(interval, Qt::Key_Return);
    }

    void closeOutputs()
    {
        QVERIFY(host->hub.closeOutputPort(0));
        QVERIFY(host->hub.closeOutputPort(1));
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
        QCOMPARE(WorkerThread::releasedCount(), 0);
        model.reset();
    }

    // Through the view: F5 in the editor, the lock, the pages and the error text.
    void viewTransmitsWithF5AndShowsFailure()
    {
        MidiEditView* view = openEditor(QStringLiteral("F0 7E 7F 09 01 F7 // GM on"));
        QTest::keyClick(view->textView(), Qt::Key_F5);
        QCOMPARE(model->getValue(ParamTransmissionState), 1);
        QVERIFY(!view->generalView()->toolBar()->isEnabled());
        QTRY_COMPARE(model->getValue(ParamTransmissionState), 0);
        QVERIFY(view->generalView()->toolBar()->isEnabled());
        QCOMPARE(host->sentToPort1(), QByteArrayList{hexBytes("F0 7E 7F 09 01 F7")});
        QCOMPARE(view->currentPage(), int(MidiEditView::GeneralPage));

        closeOutputs();
        QTest::keyClick(view->textView(), Qt::Key_F5);
        QTRY_COMPARE(model->getValue(ParamTransmissionState), 0);
        QCOMPARE(view->currentPage(), int(MidiEditView::ProgressPage));
        QCOMPARE(view->progressView()->labelText(),
                 QStringLiteral("Failed to transmit message.\nNo output port is chosen: OutputPort menu"));
        QTest::mouseClick(view->progressView()->button(), Qt::LeftButton);
        QCOMPARE(view->currentPage(), int(MidiEditView::GeneralPage));
    }

    // What the user sees of a text that is refused or only partly sent.
    void viewTellsWhatWasNotSent_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("message");
        QTest::newRow("odd digits") << "B0 07 7 B0 0A 40" << QStringList{} << "Failed to transmit message.";
        QTest::newRow("nothing parsed")
            << "F0 41 10 42 12 40 00 7F 00 C1 F7" << QStringList{} << "Failed to transmit message.";
        QTest::newRow("one byte left out")
            << "90 3C 64 F4" << QStringList{"90 3C 64"}
            << "Transmitted, but 1 byte was left out:\nit is not part of a complete message.";
        QTest::newRow("bytes left out")
            << "F0 01 F7 3C 64" << QStringList{"F0 01 F7"}
            << "Transmitted, but 2 bytes were left out:\nthey are not part of complete messages.";
    }

    void viewTellsWhatWasNotSent()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        QFETCH(QString, message);
        MidiEditView* view = openEditor(text);
        QTest::keyClick(view->textView(), Qt::Key_F5);
        QTRY_COMPARE(model->getValue(ParamTransmissionState), 0);
        QStringList sent;
        for (const QByteArray& bytes : host->sentToPort1())
            sent.append(hexText(bytes));
        QCOMPARE(sent, expected);
        QCOMPARE(view->currentPage(), int(MidiEditView::ProgressPage));
        QCOMPARE(view->progressView()->labelText(), message);
        QTest::keyClick(view->progressView()->button(), Qt::Key_Return);
        QCOMPARE(view->currentPage(), int(MidiEditView::GeneralPage));
    }

    void selectionIsSentAlone()
    {
        MidiEditView* view = openEditor(QStringLiteral("90 3C 64\nC0 05"));
        QTextCursor cursor = view->textView()->textCursor();
        cursor.setPosition(9);
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        view->textView()->setTextCursor(cursor);
        QTest::mouseClick(view->generalView()->transmitButton(), Qt::LeftButton);
        QTRY_COMPARE(model->getValue(ParamTransmissionState), 0);
        QCOMPARE(host->sentToPort1(), QByteArrayList{hexBytes("C0 05")});
    }

    void progressPageFrom257Bytes_data()
    {
        QTest::addColumn<int>("bytes");
        QTest::addColumn<bool>("shown");
        QTest::newRow("256") << 256 << false;
        QTest::newRow("257") << 257 << true;
    }

    void progressPageFrom257Bytes()
    {
        QFETCH(int, bytes);
        QFETCH(bool, shown);
        // Delivery held back so that the page is still up when looked at.
        host->service.setCompletion(LoopbackMidiService::Completion::Delayed, 300);
        MidiEditView* view = openEditor(digits(bytes, QStringLiteral("F0"), QStringLiteral("F7")));
        bool sawProgressPage = false;
        QTest::keyClick(view->textView(), Qt::Key_F5);
        QElapsedTimer clock;
        clock.start();
        while (model->getValue(ParamTransmissionState) != 0 && clock.elapsed() < 10000) {
            sawProgressPage |= view->currentPage() == MidiEditView::ProgressPage;
            QTest::qWait(5);
        }
        QCOMPARE(model->getValue(ParamTransmissionState), 0);
        QCOMPARE(sawProgressPage, shown);
        QCOMPARE(view->currentPage(), int(MidiEditView::GeneralPage));
    }

    // A dump of 1 MiB, one message under the parser or raw blocks without it, each piece held back
    // by the device: the page shows it moving, and Cancel stops it within the piece on its way and
    // closes the dump with F7.
    void cancelStopsWithinAPieceAndClosesTheDump_data()
    {
        QTest::addColumn<bool>("parser");
        QTest::newRow("one message") << true;
        QTest::newRow("parser off") << false;
    }

    void cancelStopsWithinAPieceAndClosesTheDump()
    {
        QFETCH(bool, parser);
        model->setValue(ParamParser, parser ? 1 : 0);
        host->service.setCompletion(LoopbackMidiService::Completion::Delayed, 100);
        const int total = 1 << 20;
        MidiEditView* view = openEditor(digits(total, QStringLiteral("F0"), QStringLiteral("F7")));
        QSignalSpy finish(view->transmissionThread(), &MidiEditTransmittionThread::finishTransmittion);
        QTest::keyClick(view->textView(), Qt::Key_F5);
        QTRY_VERIFY_WITH_TIMEOUT(view->progressView()->progressValue() >= 8192, 10000);
        const quint32 shown = view->progressView()->progressValue();
        QCOMPARE(view->currentPage(), int(MidiEditView::ProgressPage));
        QCOMPARE(view->progressView()->progressBar()->value(), int(shown));
        QCOMPARE(view->progressView()->progressBar()->maximum(), total);
        QCOMPARE(view->progressView()->labelText(), QStringLiteral("%1Bytes").arg(shown));

        const QByteArrayList before = host->sentToPort1();
        QTest::mouseClick(view->progressView()->button(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(finish.count(), 1, 5000);
        QCOMPARE(finish.first().at(0).toInt(), 1);
        // The piece on its way when Cancel came (and at most one that had just left), then F7.
        const QByteArrayList after = host->sentToPort1();
        QVERIFY2(!after.isEmpty() && after.size() <= 2, qPrintable(QString::number(after.size())));
        QCOMPARE(after.last(), QByteArray(1, char(0xF7)));
        QByteArray sent = before.join() + after.join();
        QVERIFY(sent.size() < total);
        QCOMPARE(quint8(sent.at(0)), quint8(0xF0));
        QCOMPARE(sent.count(char(0xF7)), 1);

        QTRY_COMPARE(model->getValue(ParamTransmissionState), 0);
        QCOMPARE(view->currentPage(), int(MidiEditView::ProgressPage));
        // The count is what left the port (the closing F7 is no byte of the message), and every
        // line of the text fits the view.
        const QString text = view->progressView()->labelText();
        QCOMPARE(text,
                 QStringLiteral("Transmission cancelled after\n%1 of 1048576 bytes.").arg(sent.size() - 1));
        for (const QString& line : text.split(QLatin1Char('\n')))
            QVERIFY2(view->progressView()->fontMetrics().horizontalAdvance(line) <=
                         view->progressView()->width(),
                     qPrintable(line));
        QTest::mouseClick(view->progressView()->button(), Qt::LeftButton);
        QCOMPARE(view->currentPage(), int(MidiEditView::GeneralPage));
    }

    void closingDuringTransmissionFreesTheLockAtOnce()
    {
        host->service.setCompletion(LoopbackMidiService::Completion::Delayed, 300);
        MidiEditView* view = openEditor(digits(40000, QStringLiteral("F0"), QStringLiteral("F7")));
        QTest::keyClick(view->textView(), Qt::Key_F5);
        QTRY_VERIFY(view->isTransmitting() && view->currentPage() == MidiEditView::ProgressPage);
        QPointer<QWidget> window = view->parentWidget();
        QPointer<MidiEditTransmittionThread> worker = view->transmissionThread();
        window->close();
        // Still sending when close returned: the GUI thread did not wait for it.
        QVERIFY(worker != nullptr && worker->isRunning());
        QCOMPARE(model->getValue(ParamTransmissionState), 0);
        QTRY_VERIFY(window == nullptr);
        QCOMPARE(WorkerThread::releasedCount(), 1);
        // The stray stops at its next piece of the one message, closes it and goes by itself.
        QTRY_COMPARE_WITH_TIMEOUT(WorkerThread::releasedCount(), 0, 5000);
        const QByteArrayList sent = host->sentToPort1();
        QVERIFY(sent.size() < 10);
        QCOMPARE(sent.last(), QByteArray(1, char(0xF7)));
    }

    // Views closed at every stage of a transmission or repetition: nothing may be used after it
    // is freed (the sanitizer watches), the lock must always come back, no worker may be left.
    void closingAtAnyMomentIsSafe()
    {
        model->setValue(ParamParser, 0);
        host->service.setCompletion(LoopbackMidiService::Completion::Delayed, 5);
        for (int round = 0; round < 24; ++round) {
            MidiEditView* view = openEditor(digits(round % 2 == 0 ? 9000 : 3, QStringLiteral("F0")));
            if (round % 3 == 0)
                turnOnRepeat(view);
            QTest::keyClick(view->textView(), Qt::Key_F5);
            QTest::qWait(round % 8 * 3);
            if (round == 3) // in a repetition's pause for certain
                QTRY_VERIFY(view->repeatThread() != nullptr && view->repeatThread()->cycleCount() >= 1);
            view->parentWidget()->close();
            QCOMPARE(model->getValue(ParamTransmissionState), 0);
            QCOMPARE(model->getValue(ParamRepeatTransmission), 0);
        }
        QTRY_COMPARE_WITH_TIMEOUT(WorkerThread::releasedCount(), 0, 10000);
        host->sentToPort1();
    }

    void repeatSendsCyclesUntilCancel()
    {
        MidiEditView* view = openEditor(QStringLiteral("F0 7E 7F 09 01 F7"));
        RepeatSettingsView* settings = turnOnRepeat(view);
        QVERIFY(settings->isVisible());
        QVERIFY(settings->isRepeatChecked());
        QCOMPARE(settings->intervalValue(), 1000);
        typeInterval(settings, QStringLiteral("500"));
        QCOMPARE(settings->intervalValue(), 500);

        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(view->generalView()->transmitButton(), Qt::LeftButton);
        QCOMPARE(model->getValue(ParamRepeatTransmission), 1);
        QCOMPARE(view->currentPage(), int(MidiEditView::RepeatPage));
        QCOMPARE(view->repeatMessageView()->labelText(), QStringLiteral("Retransmitting message."));
        QTRY_COMPARE_WITH_TIMEOUT(view->repeatThread()->cycleCount(), 3u, 5000);
        const qint64 elapsed = clock.elapsed();
        QVERIFY2(elapsed >= 999, "two pauses of 500 ms lie between three cycles");

        // Receiving is refused while repeating.
        view->setReceiveMode(true);
        view->appendReceivedText(QStringLiteral("F0 01 F7"), 3);
        QCOMPARE(view->text(), QStringLiteral("F0 7E 7F 09 01 F7"));
        QCOMPARE(
            view->progressView()->labelText(),
            QStringLiteral("Unable to receive messages when repeating\nmessage transmission is in-process."));
        view->setReceiveMode(false);
        view->showPage(MidiEditView::RepeatPage);

        QSignalSpy finish(view->repeatThread(), &MidiEditTransmittionThread::finishTransmittion);
        QTest::mouseClick(view->repeatMessageView()->button(), Qt::LeftButton);
        QTRY_COMPARE(model->getValue(ParamTransmissionState), 0);
        QCOMPARE(finish.count(), 1);
        QCOMPARE(finish.first().at(0).toInt(), 1);
        QCOMPARE(model->getValue(ParamRepeatTransmission), 0);
        QVERIFY(view->repeatThread() == nullptr);
        const int cycles = host->sentToPort1().size();
        QTest::qWait(700);
        QVERIFY(host->sentToPort1().isEmpty());
        QVERIFY(cycles >= 3);
    }

    void cancelEndsALongPauseAtOnce()
    {
        MidiEditView* view = openEditor(QStringLiteral("F8"));
        RepeatSettingsView* settings = turnOnRepeat(view);
        typeInterval(settings, QStringLiteral("5000"));
        QCOMPARE(settings->intervalValue(), 5000);
        // Closing the bar keeps the setting.
        QTest::mouseClick(settings->findChild<PushButton*>(), Qt::LeftButton);
        QVERIFY(!settings->isVisible());

        QTest::keyClick(view->textView(), Qt::Key_F5);
        QCOMPARE(view->currentPage(), int(MidiEditView::RepeatPage));
        QTRY_COMPARE(view->repeatThread()->cycleCount(), 1u);
        QTest::keyClick(view->repeatMessageView()->button(), Qt::Key_Return);
        QCOMPARE(view->currentPage(), int(MidiEditView::GeneralPage));
        // Well inside the five-second pause.
        QTRY_COMPARE_WITH_TIMEOUT(model->getValue(ParamTransmissionState), 0, 2500);
        QCOMPARE(host->sentToPort1().size(), 1);
    }

    void repeatOfAnEmptyTextLeavesNoFlag()
    {
        MidiEditView* view = openEditor(QString());
        turnOnRepeat(view);
        QTest::keyClick(view->textView(), Qt::Key_F5);
        QCOMPARE(model->getValue(ParamRepeatTransmission), 0);
        QCOMPARE(model->getValue(ParamTransmissionState), 0);
        QCOMPARE(view->currentPage(), int(MidiEditView::GeneralPage));
    }

    void busyGuardRefusesASecondTransmission()
    {
        MidiEditView* first = openEditor(QStringLiteral("90 3C 64"));
        MidiEditView* second = openEditor(QStringLiteral("C0 05"));
        model->setValue(ParamTransmissionState, 1);
        QTest::keyClick(first->textView(), Qt::Key_F5);
        QTest::mouseClick(second->generalView()->transmitButton(), Qt::LeftButton);
        QTest::qWait(50);
        QVERIFY(host->sentToPort1().isEmpty());
        QVERIFY(!first->isTransmitting() && !second->isTransmitting());
        model->setValue(ParamTransmissionState, 0);
    }

    void transmitTooltipsCountTheBytes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("transmit");
        QTest::addColumn<QString>("both");
        const auto row = [](const char* name, const char* text, const char* count) {
            QTest::newRow(name) << text << QStringLiteral("Transmit%1").arg(QLatin1String(count))
                                << QStringLiteral("Transmit%1 and Receive").arg(QLatin1String(count));
        };
        row("twelve", "F0 7E 7F 09 01 F7 F0 7E 7F 09 01 F7", " (12 Bytes)");
        row("one", "F8 // clock", " (1 Byte)");
        row("unknown", "F0 7", "");
        row("empty", "", " (0 Bytes)");
    }

    void transmitTooltipsCountTheBytes()
    {
        QFETCH(QString, text);
        QFETCH(QString, transmit);
        QFETCH(QString, both);
        MidiEditView* view = openEditor(text);
        const auto tipOf = [](QWidget* button) {
            QHelpEvent event(QEvent::ToolTip, QPoint(5, 5), button->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(button, &event);
            return button->toolTip();
        };
        QCOMPARE(tipOf(view->generalView()->transmitButton()), transmit);
        QCOMPARE(tipOf(view->generalView()->transmitAndReceiveButton()), both);
    }

    // Receive puts an empty view into receive mode, else opens a receiving view; Transmit and Receive
    // sends the text and opens a receiving view.
    void receiveSwitchesAnEmptyViewElseOpensOne()
    {
        MidiEditView* empty = openEditor(QString());
        QTest::keyClick(empty->textView(), Qt::Key_F6);
        QVERIFY(empty->isReceiveMode());
        QCOMPARE(empty->currentPage(), int(MidiEditView::ProgressPage));
        QCOMPARE(empty->progressView()->labelText(), QStringLiteral("0Bytes"));
        empty->appendReceivedText(QStringLiteral("\nF0 01 F7"), 3);
        QCOMPARE(empty->progressView()->labelText(), QStringLiteral("3Bytes"));
        model->setValue(ParamParser, 0);
        QCOMPARE(
            empty->progressView()->labelText(),
            QStringLiteral(
                "Message receive function is currently disabled.\nTurn On File > Preferences > Parser."));
        model->setValue(ParamParser, 1);
        QTest::keyClick(empty->progressView()->button(), Qt::Key_Return);
        QVERIFY(!empty->isReceiveMode());
        QCOMPARE(empty->text(), QStringLiteral("F0 01 F7"));

        MidiEditView* full = openEditor(QStringLiteral("F0 7E 7F 06 01 F7"));
        QTest::keyClick(full->textView(), Qt::Key_F6);
        QVERIFY(!full->isReceiveMode());
        QCOMPARE(host->openViews().size(), 3);
        MidiEditView* receiver = host->openViews().last();
        QVERIFY(receiver->isReceiveMode());
        QTest::keyClick(receiver->progressView()->button(), Qt::Key_Return);

        QTest::mouseClick(full->generalView()->transmitAndReceiveButton(), Qt::LeftButton);
        QTRY_COMPARE(model->getValue(ParamTransmissionState), 0);
        QCOMPARE(host->sentToPort1(), QByteArrayList{hexBytes("F0 7E 7F 06 01 F7")});
        QCOMPARE(host->openViews().size(), 4);
        receiver = host->openViews().last();
        QCOMPARE(receiver->viewType(), qint32(MidiEditView::SystemExclusiveReceive));
        QVERIFY(receiver->isReceiveMode());
    }
};

VANTEL_WIDGET_TEST_MAIN(EditTransmissionTest)
#include "EditTransmissionTest.moc"
