// The text area of the monitors and editors, its highlighting and its find bar, driven with mouse
// and key events through an MDI area as the main window would hold them.

// First: it sets up QtTest's window-system mouse handling before QtTest is included.
#include "EditorViewHost.h"

#include "MidiEditGeneralView.h"
#include "MidiEditProgressView.h"
#include "MidiEditTextView.h"
#include "MonitorTextView.h"
#include "PushButton.h"
#include "ReferenceWidget.h"
#include "TextHighlighter.h"
#include "VantelMidiParameterId.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
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
        QAbstractScrollArea* area =
            view->isMonitor() ? static_cast<QAbstractScrollArea*>(view->monitorView()) : view->textView();
        QTest::mouseClick(area->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(20, 10));
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

    // The same for a monitor, from the colours it draws the line with.
    static QColor colourAt(MonitorTextView* text, int line, int column)
    {
        QColor colour;
        for (const QTextLayout::FormatRange& range : text->lineFormats(line)) {
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
        const auto row = [](const char* name, const char* text, const char* tip) {
            QTest::newRow(name) << text << tip;
        };
        row("sysex with comment", "F0 7E 7F 09 01 F7 // GM on", "6 Bytes");
        row("digits of a byte apart", "F 0", "1 Byte");
        row("lines and commas", "F0,41\n// x\n10 F7", "4 Bytes");
        row("not hexadecimal", "F0 XX", "Unknown number of bytes.");
    }

    void selectionTooltipCountsBytes()
    {
        QFETCH(QString, text);
        QFETCH(QString, tip);
        MidiEditView* view = host->openShown(MidiEditView::SystemExclusive, text);
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
        MidiEditView* view =
            host->openShown(MidiEditView::SystemExclusive, QStringLiteral("F0 7E 7F 09 01 F7"));
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
        MidiEditView* view = host->openShown(MidiEditView::InMonitor);
        QScrollBar* bar = view->monitorView()->verticalScrollBar();
        for (int i = 0; i < 200; ++i)
            view->appendReceivedText(QStringLiteral("\nline %1").arg(i), 1);
        QVERIFY(bar->maximum() > 50);
        QCOMPARE(bar->value(), bar->maximum());

        // Within three steps of the bottom still counts as following.
        bar->setValue(bar->maximum() - 3);
        view->appendReceivedText(QStringLiteral("\nmore"), 1);
        QCOMPARE(bar->value(), bar->maximum());

        QTest::keyClick(view->monitorView(), Qt::Key_PageUp);
        QTest::keyClick(view->monitorView(), Qt::Key_PageUp);
        const int scrolledTo = bar->value();
        QVERIFY(scrolledTo < bar->maximum() - 3);
        for (int i = 0; i < 20; ++i)
            view->appendReceivedText(QStringLiteral("\nlater %1").arg(i), 1);
        QCOMPARE(bar->value(), scrolledTo);
    }

    void monitorKeepsTheLast4096Lines()
    {
        MidiEditView* view = host->openShown(MidiEditView::OutMonitor);
        // The first line of an empty monitor gets no leading line break.
        view->appendOutText(QStringLiteral("\nPort1 Ch 1 NoteOn   90 3C 64 [C3  ( 60), 100]"));
        view->appendOutText(QStringLiteral("\nPort1 Ch 1 NoteOff  80 3C 00 [C3  ( 60), 0]"));
        QCOMPARE(view->text(), QStringLiteral("Port1 Ch 1 NoteOn   90 3C 64 [C3  ( 60), 100]\n"
                                              "Port1 Ch 1 NoteOff  80 3C 00 [C3  ( 60), 0]"));
        for (int i = 0; i < 5000; ++i)
            view->appendOutText(QStringLiteral("\nline %1").arg(i));
        MonitorTextView* area = view->monitorView();
        QCOMPARE(area->lineCount(), 4096);
        QCOMPARE(area->lineText(0), QStringLiteral("line 904"));
        QCOMPARE(area->lineText(area->lineCount() - 1), QStringLiteral("line 4999"));
        // Shift+D clears it.
        QTest::keyClick(area, Qt::Key_D, Qt::ShiftModifier);
        QCOMPARE(view->text(), QString());
    }

    void linkOnlyOverMessageText()
    {
        const QString text = QStringLiteral("F0 7E 7F 09 01 F7 // GM on\n// only a comment\n   \n90 3C 64");
        MidiEditView* view = host->openShown(MidiEditView::SystemExclusive, text);
        MidiEditTextView* area = view->textView();

        ctrlMove(area, characterCentre(area, 4));
        QVERIFY(area->isLinkShown());
        QCOMPARE(area->hoveredMessage(), QStringLiteral("F0 7E 7F 09 01 F7"));
        QCOMPARE(area->viewport()->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(area->extraSelections().size(), 1);
        QCOMPARE(area->extraSelections().first().cursor.selectedText(), QStringLiteral("F0 7E 7F 09 01 F7"));

        // No link over the comment of the same line, a comment line, a blank line, right of the last
        // line; a link to the last line over its last character.
        const QPoint lastCharacter = characterCentre(area, text.size() - 1);
        const QPoint places[] = {characterCentre(area, 21), characterCentre(area, 30),
                                 characterCentre(area, 45), lastCharacter + QPoint(60, 0), lastCharacter};
        for (const QPoint& place : places) {
            ctrlMove(area, place);
            QCOMPARE(area->isLinkShown(), place == lastCharacter);
            QCOMPARE(area->viewport()->cursor().shape(),
                     place == lastCharacter ? Qt::PointingHandCursor : Qt::IBeamCursor);
        }
        QCOMPARE(area->hoveredMessage(), QStringLiteral("90 3C 64"));
        // Without Control the link goes.
        QTest::mouseMove(area->viewport(), lastCharacter + QPoint(1, 0));
        QVERIFY(!area->isLinkShown());
    }

    // Control pressed with the mouse at rest over a line shows the link at once (no move comes); a
    // press without that key event (the focus was elsewhere) finds its line itself; with Shift a
    // receiving view opens as well.
    void controlClickTransmitsTheLine()
    {
        QVERIFY(host->openOutputs());
        MidiEditView* view = host->openShown(MidiEditView::SystemExclusive,
                                             QStringLiteral("F0 7E 7F 09 01 F7 // GM on\n90 3C 64"));
        MidiEditTextView* area = view->textView();
        const QPoint first = characterCentre(area, 1);
        const QPoint second = characterCentre(area, 28);
        QTest::mouseMove(area->viewport(), second);
        QTest::keyPress(area, Qt::Key_Control);
        QVERIFY(area->isLinkShown());
        QCOMPARE(area->hoveredMessage(), QStringLiteral("90 3C 64"));
        QTest::mouseClick(area->viewport(), Qt::LeftButton, Qt::ControlModifier, second);
        QTest::keyRelease(area, Qt::Key_Control);
        QTRY_COMPARE(model->getValue(ParamTransmissionState), 0);
        QCOMPARE(host->sentToPort1(), QByteArrayList{QByteArray::fromHex("903C64")});

        QTest::mouseMove(area->viewport(), first);
        QVERIFY(!area->isLinkShown());
        QTest::mouseClick(area->viewport(), Qt::LeftButton, Qt::ControlModifier, first);
        QTRY_COMPARE(model->getValue(ParamTransmissionState), 0);
        QCOMPARE(host->sentToPort1(), QByteArrayList{QByteArray::fromHex("F07E7F0901F7")});
        QCOMPARE(host->openViews().size(), 1);

        const Qt::KeyboardModifiers both = Qt::ControlModifier | Qt::ShiftModifier;
        QTest::mouseEvent(QTest::MouseMove, area->viewport(), Qt::NoButton, both, second);
        QTest::mouseClick(area->viewport(), Qt::LeftButton, both, second);
        QTRY_COMPARE(model->getValue(ParamTransmissionState), 0);
        QCOMPARE(host->sentToPort1(), QByteArrayList{QByteArray::fromHex("903C64")});
        QCOMPARE(host->openViews().size(), 2);
        QCOMPARE(host->openViews().last()->viewType(), qint32(MidiEditView::SystemExclusiveReceive));
    }

    // A user's double click: the first click's line has gone out before the second press comes,
    // which the window system delivers and then reports again as a double click.
    void controlDoubleClickSendsTheLineOnce()
    {
        QVERIFY(host->openOutputs());
        MidiEditView* view = host->openShown(MidiEditView::SystemExclusive, QStringLiteral("90 3C 64"));
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

    void controlClickOnALineWithAnOddDigitIsRefused()
    {
        QVERIFY(host->openOutputs());
        MidiEditView* view =
            host->openShown(MidiEditView::SystemExclusive, QStringLiteral("B0 07 7 B0 0A 40"));
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
        MidiEditView* editor = host->openShown(MidiEditView::SystemExclusive);
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

    void editorColoursStatusBytesAndComments()
    {
        const QString line = QStringLiteral("f0 41 10 42 12 40 00 7f 00 41 f7 // reset");
        MidiEditView* view = host->openShown(MidiEditView::SystemExclusive, line);
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

    // A monitor colours its appended lines itself; an editor's highlighter follows the document.
    // Both must give every character the colour the same table gives it, which with the parser on
    // is one colour per kind of message (none for a data byte over 7F).
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
            QStringLiteral("Port1 Ch 1 NoteOff  80 3C 00"),
            QStringLiteral("Port1 Ch 1 CC       B0 07 64 [007 Volume, 100]"),
            QStringLiteral("Port1 Ch 1 PB       E0 00 40 [0]"),
        };
        MidiEditView* view = host->openShown(MidiEditView::InMonitor);
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
                QVERIFY2(colourAt(view->monitorView(), line, column) == expected,
                         qPrintable(QStringLiteral("line %1 column %2").arg(line).arg(column)));
            }
        }
        QVERIFY(coloured > 20);
        if (!on)
            return;
        const struct
        {
            int line, column, length;
            QColor colour;
        } messages[] = {{0, 33, 8, QColor(172, 172, 255)},
                        {1, 20, 8, QColor()},
                        {4, 20, 5, QColor(255, 28, 28)},
                        {10, 20, 8, QColor(170, 0, 130)},
                        {11, 20, 8, QColor(255, 255, 66)},
                        {12, 20, 8, QColor(16, 227, 16)},
                        {10, 0, 5, QColor()}};
        for (const auto& message : messages) {
            QCOMPARE(colourAt(view->monitorView(), message.line, message.column), message.colour);
            QCOMPARE(colourAt(view->monitorView(), message.line, message.column + message.length - 1),
                     message.colour);
        }
    }

    void monitorColoursALineContinuedAndKeepsColoursPastTheLimit()
    {
        MidiEditView* view = host->openShown(MidiEditView::OutMonitor);
        view->appendOutText(QStringLiteral("\nPort1 Ch 1 NoteOn   90 3C"));
        QCOMPARE(colourAt(view->monitorView(), 0, 20), QColor());
        // The rest of the message arrives without a line break: the line is coloured as a whole.
        view->appendOutText(QStringLiteral(" 64"));
        QCOMPARE(colourAt(view->monitorView(), 0, 20), QColor(172, 172, 255));
        QCOMPARE(colourAt(view->monitorView(), 0, 26), QColor(172, 172, 255));

        // More lines than the monitor keeps, in one append: the lines that stay are coloured.
        QString flood;
        for (int i = 0; i < 5000; ++i)
            flood += i % 2 ? QStringLiteral("\nPort1 Ch 1 CC       B0 07 64")
                           : QStringLiteral("\nPort1 Ch 1 PC       C0 05");
        view->appendOutText(flood);
        MonitorTextView* area = view->monitorView();
        QCOMPARE(area->lineCount(), MidiEditGeneralView::MonitorLineLimit);
        QCOMPARE(colourAt(view->monitorView(), 0, 20), QColor(255, 28, 28));
        QCOMPARE(colourAt(view->monitorView(), 1, 20), QColor(255, 255, 66));
        QCOMPARE(colourAt(view->monitorView(), area->lineCount() - 1, 22), QColor(255, 255, 66));
    }

    // The parser switch leaves the colours of the lines already there; the colour switch recolours
    // them with the table then in force; lines appended while colouring is off stay plain until it
    // is switched on. Neither switch is a change of the project.
    void switchesRecolourTheMonitor()
    {
        MidiEditView* view = host->openShown(MidiEditView::InMonitor);
        MonitorTextView* area = view->monitorView();
        const TextHighlighter* highlighter = view->generalView()->highlighter();
        const QColor noteOn(172, 172, 255);
        view->appendReceivedText(QStringLiteral("Port1 Ch 1 NoteOn   90 3C 64"), 3);
        model->setValue(ParamParser, 0);
        QCOMPARE(highlighter->pendingRules(), TextHighlighter::MonitorParserOffRules);
        QCOMPARE(colourAt(area, 0, 23), noteOn);
        // No new line has come: the next colour switch takes the parser-off table, where only the
        // status byte is coloured.
        model->setValue(ParamModified, 0);
        model->setValue(ParamMessageColor, 0);
        QCOMPARE(highlighter->activeRules(), TextHighlighter::MonitorParserOffRules);
        QCOMPARE(colourAt(area, 0, 20), QColor());
        QCOMPARE(area->palette().color(QPalette::Text), QColor(Qt::white));
        model->setValue(ParamMessageColor, 1);
        QCOMPARE(colourAt(area, 0, 20), noteOn);
        QCOMPARE(colourAt(area, 0, 23), QColor());

        // A new line takes the new table and leaves the old line as it was.
        model->setValue(ParamParser, 1);
        view->appendReceivedText(QStringLiteral("\nPort1 Ch 1 NoteOn   90 3C 64"), 3);
        QCOMPARE(highlighter->activeRules(), TextHighlighter::MonitorParserOnRules);
        QCOMPARE(colourAt(area, 0, 23), QColor());
        QCOMPARE(colourAt(area, 1, 23), noteOn);

        model->setValue(ParamMessageColor, 0);
        view->appendReceivedText(QStringLiteral("\nPort1 Ch 1 NoteOff  80 3C 00"), 3);
        QCOMPARE(colourAt(area, 2, 20), QColor());
        model->setValue(ParamMessageColor, 1);
        QCOMPARE(colourAt(area, 2, 20), QColor(170, 0, 130));
        QCOMPARE(model->getValue(ParamModified), 0);
    }

    void contextMenuHoldsTheCommandsButNotWhileBusy()
    {
        MidiEditView* view = host->openShown(MidiEditView::SystemExclusive, QStringLiteral("90 3C 64"));
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
        MidiEditView* monitor = host->openShown(MidiEditView::OutMonitor);
        monitor->appendOutText(QStringLiteral("line"));
        const QStringList monitorLabels = menuLabels(monitor);
        QCOMPARE(monitorLabels.value(monitorLabels.size() - 1), QStringLiteral("&Clear|Shift+D"));
        model->setValue(ParamTransmissionState, 0);
    }

    void fontFollowsTheSizePreference()
    {
        MidiEditView* view = host->openShown(MidiEditView::InMonitor);
        QCOMPARE(view->monitorView()->font().pixelSize(), 12);
        model->setValue(ParamMessageFontSize, 1);
        QCOMPARE(view->monitorView()->font().pixelSize(), 18);
    }

    // Control+F opens the bar with the focus in it; Return and Shift+F3 search on and back, wrapping
    // at both ends; Escape gives the editor the focus back; F3 and Shift+F3 in the editor and the
    // bar's buttons search as well; a text that is not there leaves the selection alone.
    void findWrapsBothWays()
    {
        MidiEditView* view =
            host->openShown(MidiEditView::SystemExclusive, QStringLiteral("F0 41 F7\n90 41 64\nF0 41 10 F7"));
        MidiEditTextView* area = view->textView();
        ReferenceWidget* find = view->generalView()->findBar();
        QLineEdit* field = find->searchField();
        QVERIFY(!find->isVisible());
        QTest::keyClick(area, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(find->isVisible());
        QVERIFY(field->hasFocus());
        QTest::keyClicks(field, QStringLiteral("41"));

        const auto selectedAt = [area] { return area->textCursor().selectionStart(); };
        const auto click = [find](const QString& tip) {
            for (PushButton* button : find->findChildren<PushButton*>()) {
                if (button->toolTip() == tip)
                    QTest::mouseClick(button, Qt::LeftButton);
            }
        };
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(selectedAt(), 3);
        QCOMPARE(area->textCursor().selectedText(), QStringLiteral("41"));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(selectedAt(), 12);
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(selectedAt(), 21);
        QTest::keyClick(field, Qt::Key_Return); // wraps to the first
        QCOMPARE(selectedAt(), 3);
        QTest::keyClick(field, Qt::Key_F3, Qt::ShiftModifier); // wraps to the last
        QCOMPARE(selectedAt(), 21);
        QTest::keyClick(field, Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(selectedAt(), 12);

        QTest::keyClick(field, Qt::Key_Escape);
        QVERIFY(!find->isVisible());
        QVERIFY(area->hasFocus());
        QTest::keyClick(area, Qt::Key_F3);
        QVERIFY(find->isVisible());
        QCOMPARE(selectedAt(), 21);
        QTest::keyClick(area, Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(selectedAt(), 12);
        click(QStringLiteral("Next"));
        QCOMPARE(selectedAt(), 21);
        click(QStringLiteral("Next")); // wraps to the first
        QCOMPARE(selectedAt(), 3);
        click(QStringLiteral("Previous")); // wraps to the last
        QCOMPARE(selectedAt(), 21);

        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, QStringLiteral("7E"));
        QVERIFY(!find->find(field->text(), false));
        QCOMPARE(selectedAt(), 21);
        QCOMPARE(area->textCursor().selectedText(), QStringLiteral("41"));
        click(QStringLiteral("Close"));
        QVERIFY(!find->isVisible());
    }
};

VANTEL_WIDGET_TEST_MAIN(EditTextViewTest)
#include "EditTextViewTest.moc"
