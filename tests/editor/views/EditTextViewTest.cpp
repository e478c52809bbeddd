// The text area of the monitors and editors, its highlighting and its find bar, driven with mouse
// and key events through an MDI area as the main window would hold them.

// First: it sets up QtTest's window-system mouse handling before QtTest is included.
#include "EditorViewHost.h"

#include "MidiEditGeneralView.h"
#include "MidiEditProgressView.h"
#include "MidiEditTextView.h"
#include "PushButton.h"
#include "ReferenceWidget.h"
#include "TextHighlighter.h"
#include "VantelMidiParameterId.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QToolTip>

class EditTextViewTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<VantelMidiModel> model;
    std::unique_ptr<EditorViewHost> host;

    MidiEditView* openShown(qint32 kind, const QString& text = QString())
    {
        return host->openShown(kind, text);
    }

    // The middle of character `position` of the document, in viewport coordinates.
    static QPoint characterCentre(MidiEditTextView* text, int position)
    {
        QTextCursor cursor(text->document());
        cursor.setPosition(position);
        const QRect left = text->cursorRect(cursor);
        cursor.setPosition(position + 1);
        const QRect right = text->cursorRect(cursor);
        const int x = right.top() == left.top() ? (left.left() + right.left()) / 2 : left.left() + 3;
        return QPoint(x, left.center().y());
    }

    // The entries ("text|shortcut") of the context menu a right click opens over the text.
    static QStringList menuLabels(MidiEditView* view)
    {
        QStringList labels;
        QTimer::singleShot(300, [&labels] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                for (QAction* action : popup->actions()) {
                    if (!action->isSeparator())
                        labels.append(action->text() + QLatin1Char('|') + action->shortcut().toString());
                }
                popup->close();
            }
        });
        QTest::mouseClick(view->textView()->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(20, 10));
        QTest::qWait(400);
        return labels;
    }

    static void ctrlMove(MidiEditTextView* text, QPoint position)
    {
        QTest::mouseEvent(QTest::MouseMove, text->viewport(), Qt::NoButton, Qt::ControlModifier, position);
    }

    // The colour the highlighter gave to character `column` of line `line`, or an invalid colour.
    static QColor colourAt(QPlainTextEdit* text, int line, int column)
    {
        const QTextBlock block = text->document()->findBlockByNumber(line);
        QColor colour;
        for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
            if (column >= range.start && column < range.start + range.length &&
                range.format.hasProperty(QTextFormat::ForegroundBrush))
                colour = range.format.foreground().color();
        }
        return colour;
    }

private Q_SLOTS:
    void init()
    {
        model = std::make_unique<VantelMidiModel>();
        host = std::make_unique<EditorViewHost>(model.get());
    }

    void cleanup()
    {
        QToolTip::hideText();
        host.reset();
        model.reset();
    }

    // (The transmit buttons' tooltip table has the odd-digit and comment-only texts.)
    void selectionTooltipCountsBytes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tip");
        QTest::newRow("sysex with comment") << "F0 7E 7F 09 01 F7 // GM on"
                                            << "6 Bytes";
        QTest::newRow("digits of a byte apart") << "F 0"
                                                << "1 Byte";
        QTest::newRow("lines and commas") << "F0,41\n// x\n10 F7"
                                          << "4 Bytes";
        QTest::newRow("not hexadecimal") << "F0 XX"
                                         << "Unknown number of bytes.";
    }

    void selectionTooltipCountsBytes()
    {
        QFETCH(QString, text);
        QFETCH(QString, tip);
        MidiEditView* view = openShown(MidiEditView::SystemExclusive, text);
        MidiEditTextView* area = view->textView();
        QTest::keyClick(area, Qt::Key_A, Qt::ControlModifier);
        QVERIFY(area->textCursor().hasSelection());
        // The window system reports no motion to where the cursor already is.
        QTest::mouseMove(area->viewport(), QPoint(1, 1));
        QTest::mouseMove(area->viewport(), characterCentre(area, 1));
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), tip);
        // A key hides it again.
        QTest::keyClick(area, Qt::Key_Right);
        QTRY_VERIFY(!QToolTip::isVisible());
    }

    void noTooltipOutsideTheSelection()
    {
        MidiEditView* view = openShown(MidiEditView::SystemExclusive, QStringLiteral("F0 7E 7F 09 01 F7"));
        MidiEditTextView* area = view->textView();
        QTextCursor cursor = area->textCursor();
        cursor.setPosition(0);
        cursor.setPosition(5, QTextCursor::KeepAnchor);
        area->setTextCursor(cursor);
        QTest::mouseMove(area->viewport(), characterCentre(area, 12));
        QTest::qWait(700);
        QVERIFY(!QToolTip::isVisible());
    }

    void monitorFollowsOnlyWhenAtTheBottom()
    {
        MidiEditView* view = openShown(MidiEditView::InMonitor);
        QScrollBar* bar = view->textView()->verticalScrollBar();
        for (int i = 0; i < 200; ++i)
            view->appendReceivedText(QStringLiteral("\nline %1").arg(i), 1);
        QVERIFY(bar->maximum() > 50);
        QCOMPARE(bar->value(), bar->maximum());

        // Within three steps of the bottom still counts as following.
        bar->setValue(bar->maximum() - 3);
        view->appendReceivedText(QStringLiteral("\nmore"), 1);
        QCOMPARE(bar->value(), bar->maximum());

        QTest::keyClick(view->textView(), Qt::Key_PageUp);
        QTest::keyClick(view->textView(), Qt::Key_PageUp);
        const int scrolledTo = bar->value();
        QVERIFY(scrolledTo < bar->maximum() - 3);
        for (int i = 0; i < 20; ++i)
            view->appendReceivedText(QStringLiteral("\nlater %1").arg(i), 1);
        QCOMPARE(bar->value(), scrolledTo);
    }

    void monitorKeepsTheLast4096Lines()
    {
        MidiEditView* view = openShown(MidiEditView::OutMonitor);
        // The first line of an empty monitor gets no leading line break.
        view->appendOutText(QStringLiteral("\nPort1 Ch 1 NoteOn   90 3C 64 [C3  ( 60), 100]"));
        view->appendOutText(QStringLiteral("\nPort1 Ch 1 NoteOff  80 3C 00 [C3  ( 60), 0]"));
        QCOMPARE(view->text(), QStringLiteral("Port1 Ch 1 NoteOn   90 3C 64 [C3  ( 60), 100]\n"
                                              "Port1 Ch 1 NoteOff  80 3C 00 [C3  ( 60), 0]"));
        for (int i = 0; i < 5000; ++i)
            view->appendOutText(QStringLiteral("\nline %1").arg(i));
        QCOMPARE(view->textView()->document()->blockCount(), 4096);
        QCOMPARE(view->textView()->document()->firstBlock().text(), QStringLiteral("line 904"));
        QCOMPARE(view->textView()->document()->lastBlock().text(), QStringLiteral("line 4999"));
    }

    void shiftDClearsAMonitor()
    {
        MidiEditView* view = openShown(MidiEditView::OutMonitor);
        view->appendOutText(QStringLiteral("\nPort1 Ch 1 NoteOn   90 3C 64"));
        QTest::keyClick(view->textView(), Qt::Key_D, Qt::ShiftModifier);
        QCOMPARE(view->text(), QString());
    }

    void linkOnlyOverMessageText()
    {
        const QString text = QStringLiteral("F0 7E 7F 09 01 F7 // GM on\n// only a comment\n   \n90 3C 64");
        MidiEditView* view = openShown(MidiEditView::SystemExclusive, text);
        MidiEditTextView* area = view->textView();

        ctrlMove(area, characterCentre(area, 4));
        QVERIFY(area->isLinkShown());
        QCOMPARE(area->hoveredMessage(), QStringLiteral("F0 7E 7F 09 01 F7"));
        QCOMPARE(area->viewport()->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(area->extraSelections().size(), 1);
        QCOMPARE(area->extraSelections().first().cursor.selectedText(), QStringLiteral("F0 7E 7F 09 01 F7"));

        // Over the comment of the same line.
        ctrlMove(area, characterCentre(area, 21));
        QVERIFY(!area->isLinkShown());
        QCOMPARE(area->viewport()->cursor().shape(), Qt::IBeamCursor);
        // A comment line and a blank line.
        ctrlMove(area, characterCentre(area, 30));
        QVERIFY(!area->isLinkShown());
        ctrlMove(area, characterCentre(area, 45));
        QVERIFY(!area->isLinkShown());
        // Right of the last character of the last line.
        const QPoint lastCharacter = characterCentre(area, text.size() - 1);
        ctrlMove(area, lastCharacter);
        QVERIFY(area->isLinkShown());
        QCOMPARE(area->hoveredMessage(), QStringLiteral("90 3C 64"));
        ctrlMove(area, lastCharacter + QPoint(60, 0));
        QVERIFY(!area->isLinkShown());
        // Without Control the link goes.
        ctrlMove(area, lastCharacter);
        QVERIFY(area->isLinkShown());
        QTest::mouseMove(area->viewport(), lastCharacter + QPoint(1, 0));
        QVERIFY(!area->isLinkShown());
    }

    void controlClickTransmitsTheLine()
    {
        QVERIFY(host->openOutputs());
        MidiEditView* view =
            openShown(MidiEditView::SystemExclusive, QStringLiteral("F0 7E 7F 09 01 F7 // GM on\n90 3C 64"));
        MidiEditTextView* area = view->textView();
        QSignalSpy rows(area, &MidiEditTextView::transmitRowMessage);
        const QPoint second = characterCentre(area, 28);
        ctrlMove(area, second);
        QVERIFY(area->isLinkShown());
        QTest::mouseClick(area->viewport(), Qt::LeftButton, Qt::ControlModifier, second);
        QCOMPARE(rows.count(), 1);
        QTRY_COMPARE(model->getValue(ParamTransmissionState), 0);
        QCOMPARE(host->sentToPort1(), QByteArrayList{QByteArray::fromHex("903C64")});

        // With Shift too: a receiving view opens and the line goes out.
        QSignalSpy withReceive(area, &MidiEditTextView::transmitRwoMessageAndChangeReceiveMode);
        const QPoint first = characterCentre(area, 1);
        QTest::mouseEvent(QTest::MouseMove, area->viewport(), Qt::NoButton,
                          Qt::ControlModifier | Qt::ShiftModifier, first);
        QTest::mouseClick(area->viewport(), Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier, first);
        QCOMPARE(withReceive.count(), 1);
        QTRY_COMPARE(model->getValue(ParamTransmissionState), 0);
        QCOMPARE(host->sentToPort1(), QByteArrayList{QByteArray::fromHex("F07E7F0901F7")});
        QCOMPARE(host->openViews().size(), 2);
        QCOMPARE(host->openViews().last()->viewType(), qint32(MidiEditView::SystemExclusiveReceive));
    }

    // A user's double click: the first click's line has gone out before the second press comes,
    // which the window system delivers and then reports again as a double click.
    void controlDoubleClickSendsTheLineOnce()
    {
        QVERIFY(host->openOutputs());
        MidiEditView* view = openShown(MidiEditView::SystemExclusive, QStringLiteral("90 3C 64"));
        MidiEditTextView* area = view->textView();
        const QPoint at = characterCentre(area, 1);
        ctrlMove(area, at);
        QTest::mousePress(area->viewport(), Qt::LeftButton, Qt::ControlModifier, at);
        QTest::mouseRelease(area->viewport(), Qt::LeftButton, Qt::ControlModifier, at);
        QTRY_COMPARE(model->getValue(ParamTransmissionState), 0);
        QCOMPARE(host->sentToPort1().size(), 1);
        // QtTest moves its clock half a second on after a release so that clicks stay apart; the
        // second press of a double click follows within the double-click interval.
        QTest::lastMouseTimestamp -= QTest::mouseDoubleClickInterval;
        QTest::mousePress(area->viewport(), Qt::LeftButton, Qt::ControlModifier, at);
        QTest::mouseRelease(area->viewport(), Qt::LeftButton, Qt::ControlModifier, at);
        QTest::qWait(100);
        QTRY_COMPARE(model->getValue(ParamTransmissionState), 0);
        QVERIFY(host->sentToPort1().isEmpty());
        QVERIFY(!area->textCursor().hasSelection()); // no word selection either
    }

    // Control pressed with the mouse at rest over a line: no move comes to show the link.
    void controlPressedOverALineWorksAtOnce()
    {
        QVERIFY(host->openOutputs());
        MidiEditView* view =
            openShown(MidiEditView::SystemExclusive, QStringLiteral("F0 7E 7F 09 01 F7 // GM on\n90 3C 64"));
        MidiEditTextView* area = view->textView();
        const QPoint second = characterCentre(area, 28);
        QTest::mouseMove(area->viewport(), second);
        QTest::keyPress(area, Qt::Key_Control);
        QVERIFY(area->isLinkShown());
        QCOMPARE(area->hoveredMessage(), QStringLiteral("90 3C 64"));
        QTest::mouseClick(area->viewport(), Qt::LeftButton, Qt::ControlModifier, second);
        QTest::keyRelease(area, Qt::Key_Control);
        QTRY_COMPARE(model->getValue(ParamTransmissionState), 0);
        QCOMPARE(host->sentToPort1(), QByteArrayList{QByteArray::fromHex("903C64")});

        // Without the key event (the focus was elsewhere): the press itself finds the line.
        const QPoint first = characterCentre(area, 1);
        QTest::mouseMove(area->viewport(), first);
        QVERIFY(!area->isLinkShown());
        QTest::mouseClick(area->viewport(), Qt::LeftButton, Qt::ControlModifier, first);
        QTRY_COMPARE(model->getValue(ParamTransmissionState), 0);
        QCOMPARE(host->sentToPort1(), QByteArrayList{QByteArray::fromHex("F07E7F0901F7")});
    }

    void controlClickOnALineWithAnOddDigitIsRefused()
    {
        QVERIFY(host->openOutputs());
        MidiEditView* view = openShown(MidiEditView::SystemExclusive, QStringLiteral("B0 07 7 B0 0A 40"));
        MidiEditTextView* area = view->textView();
        const QPoint at = characterCentre(area, 1);
        ctrlMove(area, at);
        QTest::mouseClick(area->viewport(), Qt::LeftButton, Qt::ControlModifier, at);
        QTRY_COMPARE(view->currentPage(), int(MidiEditView::ProgressPage));
        QCOMPARE(view->progressView()->labelText(), QStringLiteral("Failed to transmit message."));
        QCOMPARE(model->getValue(ParamTransmissionState), 0);
        QVERIFY(host->sentToPort1().isEmpty());
    }

    void editingMarksTheProjectButReceivingDoesNot()
    {
        MidiEditView* editor = openShown(MidiEditView::SystemExclusive);
        model->setValue(ParamModified, 0);
        editor->setReceiveMode(true);
        editor->appendReceivedText(QStringLiteral("\nF0 01 F7"), 3);
        QCOMPARE(model->getValue(ParamModified), 0);
        QCOMPARE(editor->progressView() != nullptr, true);
        QTest::mouseClick(editor->progressView()->button(), Qt::LeftButton);
        QVERIFY(!editor->isReceiveMode());
        // Leaving receive mode with text in the view is a change of the project.
        QCOMPARE(model->getValue(ParamModified), 1);
        model->setValue(ParamModified, 0);
        QTest::keyClicks(editor->textView(), QStringLiteral(" 90"));
        QCOMPARE(model->getValue(ParamModified), 1);
    }

    void monitorColoursWithTheParserOn_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("bytes");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("note on") << "Port1 Ch 1 NoteOn   90 3C 64 [C3  ( 60), 100]"
                                 << "90 3C 64" << QColor(172, 172, 255);
        QTest::newRow("data over 7F") << "Port1 Ch 1 --------  90 3C 80"
                                      << "90 3C 80" << QColor();
        QTest::newRow("note off") << "Port1 Ch 1 NoteOff  80 3C 00"
                                  << "80 3C 00" << QColor(170, 0, 130);
        QTest::newRow("control change") << "Port1 Ch 1 CC       B0 07 64 [007 Volume, 100]"
                                        << "B0 07 64" << QColor(255, 255, 66);
        QTest::newRow("program change") << "Port1 Ch 1 PC       C0 05 [5]"
                                        << "C0 05" << QColor(255, 28, 28);
        QTest::newRow("pitch bend") << "Port1 Ch 1 PB       E0 00 40 [0]"
                                    << "E0 00 40" << QColor(16, 227, 16);
    }

    void monitorColoursWithTheParserOn()
    {
        QFETCH(QString, line);
        QFETCH(QString, bytes);
        QFETCH(QColor, colour);
        MidiEditView* view = openShown(MidiEditView::OutMonitor);
        view->appendOutText(QLatin1Char('\n') + line);
        const int column = line.indexOf(bytes);
        for (int i = 0; i < bytes.size(); ++i)
            QCOMPARE(colourAt(view->textView(), 0, column + i), colour);
        QCOMPARE(colourAt(view->textView(), 0, 0), QColor());
    }

    void colourSwitchOffLeavesPlainText()
    {
        MidiEditView* view = openShown(MidiEditView::OutMonitor);
        const QString line = QStringLiteral("Port1 Ch 1 NoteOn   90 3C 64");
        view->appendOutText(line);
        QCOMPARE(colourAt(view->textView(), 0, 20), QColor(172, 172, 255));
        model->setValue(ParamModified, 0);
        model->setValue(ParamMessageColor, 0);
        QCOMPARE(colourAt(view->textView(), 0, 20), QColor());
        QCOMPARE(view->textView()->palette().color(QPalette::Text), QColor(Qt::white));
        QCOMPARE(model->getValue(ParamModified), 0);
        model->setValue(ParamMessageColor, 1);
        QCOMPARE(colourAt(view->textView(), 0, 20), QColor(172, 172, 255));
    }

    void editorColoursStatusBytesAndComments()
    {
        const QString line = QStringLiteral("f0 41 10 42 12 40 00 7f 00 41 f7 // reset");
        MidiEditView* view = openShown(MidiEditView::SystemExclusive, line);
        MidiEditTextView* area = view->textView();
        const QColor blue(96, 96, 255);
        QTRY_COMPARE(colourAt(area, 0, 0), blue);
        QCOMPARE(colourAt(area, 0, 1), blue);
        QCOMPARE(colourAt(area, 0, 3), QColor());  // 41
        QCOMPARE(colourAt(area, 0, 21), QColor()); // 7f
        QCOMPARE(colourAt(area, 0, 29), blue);     // the blank before f7
        QCOMPARE(colourAt(area, 0, 30), blue);
        QCOMPARE(colourAt(area, 0, 31), blue);
        QCOMPARE(colourAt(area, 0, 33), QColor(Qt::darkGreen));
        QCOMPARE(colourAt(area, 0, line.size() - 1), QColor(Qt::darkGreen));
    }

    void parserSwitchKeepsTheColoursOfOldLines()
    {
        MidiEditView* view = openShown(MidiEditView::InMonitor);
        view->appendReceivedText(QStringLiteral("Port1 Ch 1 NoteOn   90 3C 64"), 3);
        model->setValue(ParamParser, 0);
        QCOMPARE(view->generalView()->highlighter()->pendingRules(), TextHighlighter::MonitorParserOffRules);
        view->appendReceivedText(QStringLiteral("\nPort1 --------  90 3C 64"), 3);
        QCOMPARE(colourAt(view->textView(), 0, 20), QColor(172, 172, 255));
        QCOMPARE(colourAt(view->textView(), 0, 23), QColor(172, 172, 255));
        // With the parser off only the status byte is coloured.
        QCOMPARE(colourAt(view->textView(), 1, 16), QColor(172, 172, 255));
        QCOMPARE(colourAt(view->textView(), 1, 19), QColor());
        QCOMPARE(view->generalView()->highlighter()->activeRules(), TextHighlighter::MonitorParserOffRules);
    }

    // A monitor colours its appended lines itself; an editor's highlighter follows the document.
    // Both must give every character the colour the same table gives it.
    void monitorColoursMatchTheHighlighterOfADocument_data()
    {
        QTest::addColumn<int>("parser");
        QTest::newRow("parser on") << 1;
        QTest::newRow("parser off") << 0;
    }

    void monitorColoursMatchTheHighlighterOfADocument()
    {
        QFETCH(int, parser);
        model->setValue(ParamParser, parser);
        const QStringList lines = {
            QStringLiteral("00:00:01:250 Port1 Ch 1 NoteOn   90 3C 64 [C3  ( 60), 100]"),
            QStringLiteral("Port1 Ch 1 --------  90 3C 80"),
            QStringLiteral("x90 3C 64 _80 3C 00 \u00e990 3C 64 9A 3C 64"),
            QStringLiteral("90 3C 64 80 3C 00 90 3C 64 A0 10 20 B0 07 64"),
            QStringLiteral("Port1 Ch 1 PC       C0 05 [5] C0] C0 D0 7F E0 00 40"),
            QStringLiteral("Port1       SysEx    F0 * 41 10 42 F7 F0 7E"),
            QStringLiteral("F0 * 90 3C 64"),
            QStringLiteral("E0 00 40E1 00 40 B0 07 64 [007 Volume, 100] 8F 7F 7F"),
            QString(),
            QStringLiteral("  C5 01      C5 7F [127]"),
        };
        MidiEditView* view = openShown(MidiEditView::InMonitor);
        for (const QString& line : lines)
            view->appendReceivedText(QLatin1Char('\n') + line, 3);

        QPlainTextEdit reference;
        const bool on = parser != 0;
        TextHighlighter highlighter(
            reference.document(), model.get(),
            on ? TextHighlighter::MonitorParserOnRules : TextHighlighter::MonitorParserOffRules,
            on ? TextHighlighter::MonitorParserOnCount : TextHighlighter::MonitorParserOffCount);
        reference.setPlainText(lines.join(QLatin1Char('\n')));
        highlighter.rehighlight();
        // The empty first line of the monitor was trimmed away.
        QCOMPARE(view->text(), lines.join(QLatin1Char('\n')));
        int coloured = 0;
        for (int line = 0; line < lines.size(); ++line) {
            for (int column = 0; column < lines[line].size(); ++column) {
                const QColor expected = colourAt(&reference, line, column);
                if (expected.isValid())
                    ++coloured;
                QVERIFY2(colourAt(view->textView(), line, column) == expected,
                         qPrintable(QStringLiteral("line %1 column %2").arg(line).arg(column)));
            }
        }
        QVERIFY(coloured > 20);
    }

    void monitorColoursALineContinuedAndKeepsColoursPastTheLimit()
    {
        MidiEditView* view = openShown(MidiEditView::OutMonitor);
        view->appendOutText(QStringLiteral("\nPort1 Ch 1 NoteOn   90 3C"));
        QCOMPARE(colourAt(view->textView(), 0, 20), QColor());
        // The rest of the message arrives without a line break: the line is coloured as a whole.
        view->appendOutText(QStringLiteral(" 64"));
        QCOMPARE(colourAt(view->textView(), 0, 20), QColor(172, 172, 255));
        QCOMPARE(colourAt(view->textView(), 0, 26), QColor(172, 172, 255));

        // More lines than the monitor keeps, in one append: the lines that stay are coloured.
        QString flood;
        for (int i = 0; i < 5000; ++i)
            flood += i % 2 ? QStringLiteral("\nPort1 Ch 1 CC       B0 07 64")
                           : QStringLiteral("\nPort1 Ch 1 PC       C0 05");
        view->appendOutText(flood);
        QTextDocument* document = view->textView()->document();
        QCOMPARE(document->blockCount(), MidiEditGeneralView::MonitorLineLimit);
        QCOMPARE(colourAt(view->textView(), 0, 20), QColor(255, 28, 28));
        QCOMPARE(colourAt(view->textView(), 1, 20), QColor(255, 255, 66));
        QCOMPARE(colourAt(view->textView(), document->blockCount() - 1, 22), QColor(255, 255, 66));
    }

    void parserSwitchTakesOverAtTheNextColourSwitch()
    {
        MidiEditView* view = openShown(MidiEditView::InMonitor);
        view->appendReceivedText(QStringLiteral("Port1 Ch 1 NoteOn   90 3C 64"), 3);
        model->setValue(ParamParser, 0);
        QCOMPARE(colourAt(view->textView(), 0, 23), QColor(172, 172, 255));
        // No new line has come; switching the colours off and on again recolours with the new table.
        model->setValue(ParamMessageColor, 0);
        QCOMPARE(view->generalView()->highlighter()->activeRules(), TextHighlighter::MonitorParserOffRules);
        QCOMPARE(colourAt(view->textView(), 0, 20), QColor());
        model->setValue(ParamMessageColor, 1);
        QCOMPARE(colourAt(view->textView(), 0, 20), QColor(172, 172, 255));
        QCOMPARE(colourAt(view->textView(), 0, 23), QColor());
        // Lines appended while colouring is off stay plain until it is switched on.
        model->setValue(ParamMessageColor, 0);
        view->appendReceivedText(QStringLiteral("\nPort1 --------  80 3C 00"), 3);
        QCOMPARE(colourAt(view->textView(), 1, 16), QColor());
        model->setValue(ParamMessageColor, 1);
        QCOMPARE(colourAt(view->textView(), 1, 16), QColor(170, 0, 130));
    }

    void contextMenuHoldsTheCommandsButNotWhileBusy()
    {
        MidiEditView* view = openShown(MidiEditView::SystemExclusive, QStringLiteral("90 3C 64"));
        const QStringList labels = menuLabels(view);
        const QStringList commands = {"&New|",           "&Open...|",
                                      "&Save...|",       "&Transmit|F5",
                                      "&Receive|F6",     "&Transmit and Receive|F7",
                                      "&Find...|Ctrl+F", "R&epeat Transmission Settings...|Ctrl+R"};
        QVERIFY(labels.size() > commands.size());
        QCOMPARE(labels.mid(labels.size() - commands.size()), commands);

        model->setValue(ParamTransmissionState, 1);
        QVERIFY(menuLabels(view).isEmpty());
        // A monitor keeps its own command.
        MidiEditView* monitor = openShown(MidiEditView::OutMonitor);
        monitor->appendOutText(QStringLiteral("line"));
        const QStringList monitorLabels = menuLabels(monitor);
        QCOMPARE(monitorLabels.value(monitorLabels.size() - 1), QStringLiteral("&Clear|Shift+D"));
        model->setValue(ParamTransmissionState, 0);
    }

    void fontFollowsTheSizePreference()
    {
        MidiEditView* view = openShown(MidiEditView::InMonitor);
        QCOMPARE(view->textView()->font().pixelSize(), 12);
        model->setValue(ParamMessageFontSize, 1);
        QCOMPARE(view->textView()->font().pixelSize(), 18);
    }

    void findWrapsBothWays()
    {
        MidiEditView* view =
            openShown(MidiEditView::SystemExclusive, QStringLiteral("F0 41 F7\n90 41 64\nF0 41 10 F7"));
        MidiEditTextView* area = view->textView();
        ReferenceWidget* find = view->generalView()->findBar();
        QVERIFY(!find->isVisible());
        QTest::keyClick(area, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(find->isVisible());
        QVERIFY(find->searchField()->hasFocus());
        QTest::keyClicks(find->searchField(), QStringLiteral("41"));

        const auto selectedAt = [area] { return area->textCursor().selectionStart(); };
        QTest::keyClick(find->searchField(), Qt::Key_Return);
        QCOMPARE(selectedAt(), 3);
        QCOMPARE(area->textCursor().selectedText(), QStringLiteral("41"));
        QTest::keyClick(find->searchField(), Qt::Key_Return);
        QCOMPARE(selectedAt(), 12);
        QTest::keyClick(find->searchField(), Qt::Key_Return);
        QCOMPARE(selectedAt(), 21);
        QTest::keyClick(find->searchField(), Qt::Key_Return); // wraps to the first
        QCOMPARE(selectedAt(), 3);
        QTest::keyClick(find->searchField(), Qt::Key_F3, Qt::ShiftModifier); // wraps to the last
        QCOMPARE(selectedAt(), 21);
        QTest::keyClick(find->searchField(), Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(selectedAt(), 12);

        // A text that is not there leaves the selection alone.
        QTest::keyClick(find->searchField(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(find->searchField(), QStringLiteral("7E"));
        QVERIFY(!find->find(find->searchField()->text(), false));
        QCOMPARE(selectedAt(), 12);
        QCOMPARE(area->textCursor().selectedText(), QStringLiteral("41"));

        // Escape hides the bar and gives the editor the focus back.
        QTest::keyClick(find->searchField(), Qt::Key_Escape);
        QVERIFY(!find->isVisible());
        QVERIFY(area->hasFocus());
    }

    void f3InTheEditorOpensTheBarAndSearches()
    {
        MidiEditView* view =
            openShown(MidiEditView::SystemExclusive, QStringLiteral("90 3C 64\n80 3C 00\n90 3E 64"));
        MidiEditTextView* area = view->textView();
        ReferenceWidget* find = view->generalView()->findBar();
        QTest::keyClick(area, Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(find->searchField(), QStringLiteral("3C"));
        QTest::keyClick(find->searchField(), Qt::Key_Escape);
        QVERIFY(!find->isVisible());
        area->moveCursor(QTextCursor::Start);

        QTest::keyClick(area, Qt::Key_F3);
        QVERIFY(find->isVisible());
        QCOMPARE(area->textCursor().selectionStart(), 3);
        QTest::keyClick(area, Qt::Key_F3);
        QCOMPARE(area->textCursor().selectionStart(), 12);
        QTest::keyClick(area, Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(area->textCursor().selectionStart(), 3);
        QTest::keyClick(area, Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(area->textCursor().selectionStart(), 12);

        // The buttons do the same.
        const auto click = [find](const QString& tip) {
            for (PushButton* button : find->findChildren<PushButton*>()) {
                if (button->toolTip() == tip)
                    QTest::mouseClick(button, Qt::LeftButton);
            }
        };
        click(QStringLiteral("Next")); // wraps to the first
        QCOMPARE(area->textCursor().selectionStart(), 3);
        click(QStringLiteral("Previous"));
        QCOMPARE(area->textCursor().selectionStart(), 12);
        click(QStringLiteral("Close"));
        QVERIFY(!find->isVisible());
    }
};

VANTEL_WIDGET_TEST_MAIN(EditTextViewTest)
#include "EditTextViewTest.moc"
