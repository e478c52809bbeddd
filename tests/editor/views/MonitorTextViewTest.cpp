// The monitors' text area: its line store, and selection, copy, scrolling and following the end
// driven with mouse and key events over lines the view never had to draw.

// First: it sets up QtTest's window-system mouse handling before QtTest is included.
#include "EditorViewHost.h"

#include "MonitorLineStore.h"
#include "MonitorTextView.h"

#include <QClipboard>
#include <QImage>
#include <QScrollBar>

class MonitorTextViewTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<VantelMidiModel> model;
    std::unique_ptr<EditorViewHost> host;

    static QString numbered(int from, int to)
    {
        QString text;
        for (int i = from; i < to; ++i)
            text += QStringLiteral("\nline %1").arg(i);
        return text;
    }

    static int rowHeight(MonitorTextView* area) { return QFontMetrics(area->font()).height(); }

    // The middle of row `row` of the viewport, `x` pixels in.
    static QPoint onRow(MonitorTextView* area, int row, int x)
    {
        const qreal height = std::ceil(QFontMetricsF(area->font()).height());
        return QPoint(x, 4 + int(row * height + height / 2));
    }

    static QString clipboard() { return QGuiApplication::clipboard()->text(); }

private Q_SLOTS:
    void init()
    {
        model = std::make_unique<VantelMidiModel>();
        host = std::make_unique<EditorViewHost>(model.get());
        QGuiApplication::clipboard()->clear();
    }

    void cleanup()
    {
        host.reset();
        model.reset();
    }

    void storeAppends_data()
    {
        QTest::addColumn<QStringList>("appends");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("firstNumber");
        const auto row = [](const char* name, QStringList appends, QStringList lines, int first) {
            QTest::newRow(name) << appends << lines << first;
        };
        row("into an empty store trimmed", {"\n  a b \n"}, {"a b"}, 0);
        row("only blanks into an empty store", {"\n \n", "\n"}, {""}, 0);
        row("continues the last line", {"\na", " b", "\nc"}, {"a b", "c"}, 0);
        row("keeps the last lines of one append", {"\n1\n2\n3\n4\n5"}, {"3", "4", "5"}, 2);
        row("drops the oldest over appends", {"\n1\n2", "\n3\n4"}, {"2", "3", "4"}, 1);
        row("drops a continued line", {"\n1\n2\n3", " x\n4\n5\n6"}, {"4", "5", "6"}, 3);
        row("empty lines count", {"\na", "\n\n\n"}, {"", "", ""}, 1);
        row("non-ASCII text", {"\n\u00c4\u00e9 x", "\ny"}, {"\u00c4\u00e9 x", "y"}, 0);
    }

    void storeAppends()
    {
        QFETCH(QStringList, appends);
        QFETCH(QStringList, lines);
        QFETCH(int, firstNumber);
        MonitorLineStore store(3);
        for (const QString& text : appends)
            store.append(text.toUtf8(), 1, 2);
        QStringList kept;
        for (int i = 0; i < store.lineCount(); ++i) {
            kept.append(store.line(i));
            QCOMPARE(store.lineLength(i), store.line(i).size());
        }
        QCOMPARE(kept, lines);
        QCOMPARE(store.firstLineNumber(), qint64(firstNumber));
        QCOMPARE(store.text(), lines.join(QLatin1Char('\n')));
        int longest = 0;
        for (const QString& line : lines)
            longest = qMax(longest, line.size());
        QCOMPARE(store.longestLength(), longest);
        // A piece across lines, columns clamped to the lines.
        if (store.lineCount() > 1)
            QCOMPARE(store.text(0, 1, 1, 99), lines[0].mid(1) + QLatin1Char('\n') + lines[1]);
        store.clear();
        QVERIFY(store.isEmpty());
        QCOMPARE(store.text(), QString());
    }

    // A dump's line keeps its bytes packed and gives back exactly its text; what only looks like a
    // run of pairs stays as it is.
    void storePacksLongHexRuns()
    {
        QString dump = QStringLiteral("00:00:01:250 Port1       SysEx    F0 * 41");
        for (int i = 0; i < 4000; ++i)
            dump += QStringLiteral(" %1").arg(i % 256, 2, 16, QLatin1Char('0')).toUpper();
        const QStringList lines = {dump, QStringLiteral("AB CD") + QString(200, QLatin1Char('x')),
                                   dump.left(200) + QStringLiteral("  0A 0b 0C"), dump.mid(40)};
        MonitorLineStore store(10);
        store.append((QLatin1Char('\n') + lines.join(QLatin1Char('\n')) + QStringLiteral("\nlast")).toUtf8(),
                     0, 0);
        for (int i = 0; i < lines.size(); ++i) {
            QCOMPARE(store.line(i), lines[i]);
            QCOMPARE(store.lineLength(i), lines[i].size());
        }
        QCOMPARE(store.text(0, 100, 0, 130), dump.mid(100, 30));
        QVERIFY(store.textBytes() < (dump.size() * 2) / 3 + 500);
    }

    // The view follows the end: the lines between the first and the one clicked were never on
    // screen, and Shift+Ctrl+Home, Ctrl+C and Ctrl+A take them all the same.
    void selectionAndCopyAcrossLinesNeverDrawn()
    {
        MidiEditView* view = host->openShown(MidiEditView::InMonitor);
        MonitorTextView* area = view->monitorView();
        view->appendMonitorText(numbered(0, 3000).toUtf8(), 3000);
        QCOMPARE(area->verticalScrollBar()->value(), area->verticalScrollBar()->maximum());
        const int first = area->firstVisibleLine();
        QVERIFY(first > 2900);

        QTest::mouseClick(area->viewport(), Qt::LeftButton, Qt::NoModifier, onRow(area, 0, 1));
        QVERIFY(!area->hasSelection());
        QTest::keyClick(area, Qt::Key_Home, Qt::ShiftModifier | Qt::ControlModifier);
        QCOMPARE(area->firstVisibleLine(), 0);
        QTest::keyClick(area, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard(), numbered(0, first).mid(1) + QLatin1Char('\n'));

        QTest::keyClick(area, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(area, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard(), view->text());
        QCOMPARE(clipboard().count(QLatin1Char('\n')), 2999);

        // Shift+click extends from the caret; keys with Shift move its end.
        QTest::keyClick(area, Qt::Key_Home, Qt::ControlModifier);
        QTest::mouseClick(area->viewport(), Qt::LeftButton, Qt::NoModifier, onRow(area, 1, 1));
        QTest::mouseClick(area->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          onRow(area, 2, area->viewport()->width() - 2));
        QCOMPARE(area->selectedText(), QStringLiteral("line 1\nline 2"));
        QTest::keyClick(area, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(area, Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(area->selectedText(), QStringLiteral("line 1\nline 2\nline "));
    }

    void dragBeyondTheEdgeScrollsAndSelects()
    {
        MidiEditView* view = host->openShown(MidiEditView::OutMonitor);
        MonitorTextView* area = view->monitorView();
        view->appendOutText(numbered(0, 300));
        QTest::keyClick(area, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(area->verticalScrollBar()->value(), 0);
        QWidget* viewport = area->viewport();
        QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, onRow(area, 0, 1));
        QMouseEvent below(QEvent::MouseMove, QPointF(20, viewport->height() + 30), Qt::NoButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &below);
        QTRY_VERIFY(area->firstVisibleLine() > 20);
        QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(20, viewport->height() + 30));
        const int scrolled = area->firstVisibleLine();
        const QString selected = area->selectedText();
        QVERIFY(selected.startsWith(QStringLiteral("line 0\nline 1\n")));
        QVERIFY(selected.count(QLatin1Char('\n')) > scrolled);
        // No more scrolling once the button is up.
        QTest::qWait(200);
        QCOMPARE(area->firstVisibleLine(), scrolled);
    }

    // Scrolled up at the line limit: the lines on screen and the selection stay while older lines
    // go; back at the end it follows again.
    void scrolledUpKeepsItsLinesAtTheLimit()
    {
        MidiEditView* view = host->openShown(MidiEditView::InMonitor);
        MonitorTextView* area = view->monitorView();
        view->appendMonitorText(numbered(0, 5000).toUtf8(), 1);
        QCOMPARE(area->lineCount(), 4096);
        QTest::keyClick(area, Qt::Key_PageUp);
        QTest::keyClick(area, Qt::Key_PageUp);
        QTest::keyClick(area, Qt::Key_PageUp);
        const QString top = area->lineText(area->firstVisibleLine());
        QTest::mouseDClick(area->viewport(), Qt::LeftButton, Qt::NoModifier, onRow(area, 1, 1));
        const QString word = area->selectedText();
        QCOMPARE(word, QStringLiteral("line"));
        // Apart from the double click, as a user's next clicks would be.
        QTest::lastMouseTimestamp += QTest::mouseDoubleClickInterval;
        QTest::mouseClick(area->viewport(), Qt::LeftButton, Qt::NoModifier, onRow(area, 1, 1));
        QTest::mouseClick(area->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          onRow(area, 3, area->viewport()->width() - 2));
        const QString selected = area->selectedText();
        QCOMPARE(selected.count(QLatin1Char('\n')), 2);

        view->appendMonitorText(numbered(5000, 5100).toUtf8(), 1);
        QCOMPARE(area->lineCount(), 4096);
        QCOMPARE(area->lineText(area->firstVisibleLine()), top);
        QCOMPARE(area->selectedText(), selected);

        QTest::keyClick(area, Qt::Key_End, Qt::ControlModifier);
        view->appendMonitorText(numbered(5100, 5110).toUtf8(), 1);
        QScrollBar* bar = area->verticalScrollBar();
        QCOMPARE(bar->value(), bar->maximum());
        QCOMPARE(area->lineText(area->lineCount() - 1), QStringLiteral("line 5109"));
        // Selected lines that are dropped take their part of the selection with them.
        view->appendMonitorText(numbered(5110, 9200).toUtf8(), 1);
        QVERIFY(!area->hasSelection() || !area->selectedText().contains(QStringLiteral("line 4")));
    }

    // A dump's line of 12 000 characters: no wrapping, a horizontal scroll bar, and a double click
    // at its far end takes the word drawn there.
    void longLinesScrollSideways()
    {
        MidiEditView* view = host->openShown(MidiEditView::InMonitor);
        MonitorTextView* area = view->monitorView();
        QString line;
        for (int i = 0; i < 2000; ++i)
            line += QStringLiteral(" w%1").arg(i, 4, 10, QLatin1Char('0'));
        view->appendMonitorText(QByteArray("\nF0 *") + line.toUtf8(), 1);
        QCOMPARE(area->lineCount(), 1);
        QScrollBar* sideways = area->horizontalScrollBar();
        QVERIFY(sideways->maximum() > 10000 * 5);
        QTest::keyClick(area, Qt::Key_End);
        QCOMPARE(sideways->value(), sideways->maximum());
        const QFontMetricsF metrics(area->font());
        const int x = area->viewport()->width() - 4 - int(metrics.horizontalAdvance(QLatin1Char('0')) * 2.5);
        QTest::mouseDClick(area->viewport(), Qt::LeftButton, Qt::NoModifier, onRow(area, 0, x));
        QCOMPARE(area->selectedText(), QStringLiteral("w1999"));

        // The part on screen is drawn.
        const QImage shown = area->viewport()->grab().toImage();
        const QColor background(40, 27, 67);
        int drawn = 0;
        for (int px = 0; px < shown.width(); ++px)
            for (int py = 0; py < rowHeight(area) + 4; ++py)
                drawn += shown.pixelColor(px, py) != background;
        QVERIFY(drawn > 100);
    }

    // The wheel scrolls the monitor by three lines a notch and goes no further, at the top too.
    void wheelScrollsOnlyTheMonitor()
    {
        MidiEditView* view = host->openShown(MidiEditView::OutMonitor);
        MonitorTextView* area = view->monitorView();
        view->appendOutText(numbered(0, 300));
        QScrollBar* bar = area->verticalScrollBar();
        const int bottom = bar->value();
        const QPoint at = area->viewport()->rect().center();
        QWheelEvent up(at, area->viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(area->viewport(), &up);
        QCOMPARE(bar->value(), bottom - QApplication::wheelScrollLines());
        bar->setValue(0);
        QWheelEvent atTop(at, area->viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(area->viewport(), &atTop);
        QVERIFY(atTop.isAccepted());
        QCOMPARE(bar->value(), 0);
    }
};

VANTEL_WIDGET_TEST_MAIN(MonitorTextViewTest)
#include "MonitorTextViewTest.moc"
