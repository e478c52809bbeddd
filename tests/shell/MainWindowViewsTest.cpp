#include "LoopbackMidiService.h"
#include "MainWindow.h"
#include "MidiEditTextView.h"
#include "MidiEditTransmittionThread.h"
#include "MidiEditView.h"
#include "MidiTimingClockGeneratorView.h"
#include "MidiTimingClockPlayStopButton.h"
#include "SettingsFile.h"
#include "ShellTestSupport.h"
#include "SubWindowManager.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

// Sub-window management, the event filter and the refresh timer of the main window, driven through
// its menus, shortcuts and events, with the real monitor and system-exclusive views.
class MainWindowViewsTest : public QObject, private MainWindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        Q_INIT_RESOURCE(images);
        useLoopbackHost();
    }

    void init() { startFresh(); }

    void cleanup()
    {
        model->setModified(0);
        window.reset();
        loop->setCompletion(LoopbackMidiService::Completion::Immediate);
        model.reset();
    }

    void singleViewsAreActivatedNotDuplicated()
    {
        const Qt::Key key = Qt::Key_U;
        const int slot = ViewKind::MidiOutMonitor;
        QMdiSubWindow* monitor = window->subWindows()->singleView(slot);
        QVERIFY(monitor);
        QMdiSubWindow* editor = window->subWindows()->multiViewList(ViewKind::SystemExclusive).first();
        window->mdiArea()->setActiveSubWindow(editor);
        QTest::keyClick(window.get(), key, Qt::ControlModifier);
        QCOMPARE(subWindows().size(), 3);
        QCOMPARE(window->mdiArea()->activeSubWindow(), monitor);

        // Once closed, the same entry opens a new one.
        monitor->close();
        QTRY_VERIFY(!window->subWindows()->singleView(slot));
        QTest::keyClick(window.get(), key, Qt::ControlModifier);
        QTRY_COMPARE(subWindows().size(), 3);
        QVERIFY(window->subWindows()->singleView(slot) && window->subWindows()->singleView(slot) != monitor);
    }

    void the33rdEditorIsRefusedWithAWarning()
    {
        for (int i = 1; i < 32; ++i)
            QTest::keyClick(window.get(), Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(window->subWindows()->multiViewList(ViewKind::SystemExclusive).size(), 32);
        const int before = subWindows().size();

        BoxAnswerer answerer(QMessageBox::Ok);
        QTest::keyClick(window.get(), Qt::Key_E, Qt::ControlModifier);
        QTRY_COMPARE(answerer.boxes, 1);
        // Back from the box, the shortcuts need the window active again.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QCOMPARE(answerer.title, QStringLiteral("Vantel MIDI"));
        QCOMPARE(answerer.icon, QMessageBox::Warning);
        QCOMPARE(answerer.text,
                 QStringLiteral("Unable to open a new System Exclusive View.\n"
                                "Please close any opened System Exclusive View before trying again."));
        QCOMPARE(subWindows().size(), before);

        // The monitors count against the same limit.
        window->subWindows()->singleView(ViewKind::MidiInMonitor)->close();
        QTRY_VERIFY(!window->subWindows()->singleView(ViewKind::MidiInMonitor));
        QTest::keyClick(window.get(), Qt::Key_I, Qt::ControlModifier);
        QTRY_COMPARE(answerer.boxes, 2);
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QCOMPARE(answerer.text,
                 QStringLiteral("Unable to open a new MIDI In Monitor View.\n"
                                "Please close any opened MIDI In Monitor View before trying again."));
        QVERIFY(!window->subWindows()->singleView(ViewKind::MidiInMonitor));

        // A closed editor makes room at once.
        QPointer<QMdiSubWindow> last = window->subWindows()->multiViewList(ViewKind::SystemExclusive).last();
        last->close();
        QTRY_VERIFY(!last);
        QTest::keyClick(window.get(), Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(answerer.boxes, 2);
        QCOMPARE(window->subWindows()->multiViewList(ViewKind::SystemExclusive).size(), 32);
    }

    void closeAllThenNewEndsInTheDefaultLayout()
    {
        const QStringList defaults{"MIDI In Monitor 0,0 338x274", "MIDI Out Monitor 338,0 338x274",
                                   "System Exclusive 0,274 338x274"};
        QCOMPARE(layout(), defaults);
        QCOMPARE(window->monitors()->inAndSystemExclusiveViews().size(), 2);
        QCOMPARE(window->monitors()->outMonitorViews().size(), 1);
        // Opening the start-up layout is not an edit.
        QVERIFY(!model->isModified());
        QCOMPARE(window->windowTitle(), QStringLiteral("Vantel MIDI"));
        model->setProjectFilePath(QStringLiteral("/tmp/work.vantelmidi"));
        model->setModified(1);
        {
            BoxAnswerer answerer(QMessageBox::Cancel);
            QVERIFY(chooseFromMenu(window.get(), "&Window", "Close &All"));
            QTRY_COMPARE(answerer.boxes, 1);
        }
        QCOMPARE(layout(), defaults);
        QVERIFY(model->isModified());
        {
            BoxAnswerer answerer(QMessageBox::No);
            QVERIFY(chooseFromMenu(window.get(), "&Window", "Close &All"));
            QTRY_COMPARE(answerer.boxes, 1);
        }
        QTRY_COMPARE(subWindows().size(), 0);
        QVERIFY(!window->subWindows()->singleView(ViewKind::MidiInMonitor));
        QVERIFY(window->subWindows()->multiViewList(ViewKind::SystemExclusive).isEmpty());
        QTRY_VERIFY(window->monitors()->inAndSystemExclusiveViews().isEmpty());
        QVERIFY(window->monitors()->outMonitorViews().isEmpty());
        QVERIFY(!model->isModified());
        QVERIFY(model->projectFilePath().isNull());
        QCOMPARE(window->windowTitle(), QStringLiteral("Vantel MIDI"));

        QTest::keyClick(window.get(), Qt::Key_N, Qt::ControlModifier);
        QTRY_COMPARE(layout(), defaults);
        QVERIFY(!model->isModified());
    }

    void cascadeAndTileArrangeTheViews()
    {
        // Tiled: the views share the area without overlapping.
        QVERIFY(chooseFromMenu(window.get(), "&Window", "&Tile"));
        const QList<QMdiSubWindow*> subs = subWindows();
        for (int i = 0; i < subs.size(); ++i)
            for (int j = i + 1; j < subs.size(); ++j)
                QVERIFY(!subs[i]->geometry().intersects(subs[j]->geometry()));
        // Cascaded: each one further right and down than the one before.
        QVERIFY(chooseFromMenu(window.get(), "&Window", "&Cascade"));
        QList<QPoint> corners;
        for (QMdiSubWindow* sub : subs)
            corners << sub->pos();
        std::sort(corners.begin(), corners.end(), [](QPoint a, QPoint b) { return a.x() < b.x(); });
        QVERIFY(corners[0].x() < corners[1].x() && corners[0].y() < corners[1].y());
        QVERIFY(corners[1].x() < corners[2].x() && corners[1].y() < corners[2].y());
    }

    void onlyResizableViewsStayMaximised()
    {
        // A fixed-size kind of view.
        QMdiSubWindow* fixed = window->subWindows()->openView(ViewKind::PCKeyboard);
        QVERIFY(fixed);
        fixed->showMaximized();
        QTRY_VERIFY(!fixed->isMaximized());

        QMdiSubWindow* monitor = window->subWindows()->singleView(ViewKind::MidiOutMonitor);
        monitor->showMaximized();
        QTRY_VERIFY(monitor->isMaximized());
        QTest::qWait(20);
        QVERIFY(monitor->isMaximized());
    }

    void wheelScrollsTheEmptyAreaButNotFromASubWindow()
    {
        // A view far outside makes the area scrollable.
        window->subWindows()->singleView(ViewKind::MidiInMonitor)->move(1500, 1500);
        QMdiArea* area = window->mdiArea();
        QScrollBar* bar = area->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0);
        auto turn = [](QWidget* target, const QPoint& at) {
            QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(target, &wheel);
        };
        bar->setValue(0);
        turn(window->subWindows()->singleView(ViewKind::MidiOutMonitor), QPoint(5, 5));
        QCOMPARE(bar->value(), 0);
        turn(area->viewport(), QPoint(area->viewport()->width() - 5, area->viewport()->height() - 5));
        QVERIFY(bar->value() > 0);
    }

    void drops_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<int>("transmissionState");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("text file") << QStringList{"dump.txt"} << 0 << true;
        QTest::newRow("two dots before the suffix") << QStringList{"dump.syx.txt"} << 0 << false;
        QTest::newRow("system-exclusive file") << QStringList{"dump.SYX"} << 0 << true;
        QTest::newRow("first of several counts") << QStringList{"dump.txt", "other.mid"} << 0 << true;
        QTest::newRow("first of several refused") << QStringList{"other.mid", "dump.txt"} << 0 << false;
        QTest::newRow("during a transmission") << QStringList{"dump.txt"} << 1 << false;
        QTest::newRow("project file during a transmission") << QStringList{"song.vantelmidi"} << 1 << false;
    }
    void drops()
    {
        QFETCH(QStringList, files);
        QFETCH(int, transmissionState);
        QFETCH(bool, accepted);
        QTemporaryDir folder;
        QList<QUrl> urls;
        for (const QString& name : files) {
            QFile file(folder.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            // A .syx file holds the bytes themselves.
            file.write(name.endsWith(QLatin1String(".SYX")) ? "\xF0\x7E\x7F\x09\x01\xF7"
                                                            : "F0 7E 7F 09 01 F7 // GM on \xC2\xB5\n");
            urls << QUrl::fromLocalFile(file.fileName());
        }
        QMimeData data;
        data.setUrls(urls);
        model->setValue(ParamTransmissionState, transmissionState);
        const int before = subWindows().size();

        QWidget* target = window->mdiArea()->viewport();
        QDragEnterEvent enter(QPoint(400, 500), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QCOMPARE(enter.isAccepted(), accepted);
        if (!accepted) {
            QCOMPARE(enter.dropAction(), Qt::IgnoreAction);
            model->setValue(ParamTransmissionState, 0);
            return;
        }
        QDropEvent drop(QPointF(400, 500), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                        Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        QVERIFY(drop.isAccepted());
        QCOMPARE(subWindows().size(), before + 1);
        MidiEditView* opened = view(window->subWindows()->multiViewList(ViewKind::SystemExclusive).last());
        QCOMPARE(opened->viewType(), qint32(MidiEditView::SystemExclusive));
        QCOMPARE(opened->text(), files.first().endsWith(QLatin1String(".SYX"))
                                     ? QStringLiteral("F0 7E 7F 09 01 F7")
                                     : QString::fromUtf8("F0 7E 7F 09 01 F7 // GM on \xC2\xB5\n"));
        QCOMPARE(model->getString(ParamDumpFileWorkingDirectory),
                 QFileInfo(folder.path()).absoluteFilePath());
    }

    void dragsWithoutLocalFilesAreRefused()
    {
        QMimeData link, text;
        link.setUrls({QUrl("https://example.org/dump.txt")});
        text.setText("/tmp/dump.txt");
        for (QMimeData* data : {&link, &text}) {
            QDragEnterEvent enter(QPoint(400, 500), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(window->mdiArea()->viewport(), &enter);
            QVERIFY(!enter.isAccepted());
            QCOMPARE(enter.dropAction(), Qt::IgnoreAction);
        }
    }

    void geometryFitsWindowsAndScreens()
    {
        QWidget fixed;
        fixed.setFixedSize(120, 80);
        SubWindowManager::applyGeometry(&fixed, QRect(30, 40, 500, 500));
        QCOMPARE(fixed.geometry(), QRect(30, 40, 120, 80));
        QWidget free;
        SubWindowManager::applyGeometry(&free, QRect(30, 40, 500, 400));
        QCOMPARE(free.geometry(), QRect(30, 40, 500, 400));

        // Rectangles off the screens are brought back.
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect visible(screen.topLeft() + QPoint(10, 10), QSize(300, 200));
        QCOMPARE(SubWindowManager::fitToScreens(visible), visible);
        // Overlapping by 100 x 100 is enough; by 99 in one direction is not.
        const QRect corner(screen.right() - 99, screen.bottom() - 99, 300, 200);
        QCOMPARE(SubWindowManager::fitToScreens(corner), corner);
        const QRect sliver(screen.right() - 98, screen.top() + 10, 300, 200);
        QCOMPARE(SubWindowManager::fitToScreens(sliver),
                 QRect(screen.topLeft() + QPoint(50, 50), QSize(300, 200)));
        QCOMPARE(SubWindowManager::fitToScreens(QRect(-5000, -5000, 300, 200)),
                 QRect(screen.topLeft() + QPoint(50, 50), QSize(300, 200)));
    }

    void transmitAndReceiveEndToEnd()
    {
        openLoopbackA();
        QMdiSubWindow* editorWindow = window->subWindows()->multiViewList(ViewKind::SystemExclusive).first();
        MidiEditView* editor = view(editorWindow);
        window->mdiArea()->setActiveSubWindow(editorWindow);
        MidiEditTextView* text = editor->textView();
        text->setFocus();
        QTRY_VERIFY(text->hasFocus());
        QTest::keyClicks(text, "F0 7E 7F 09 01 F7 // GM on");
        QCOMPARE(editor->text(), QStringLiteral("F0 7E 7F 09 01 F7 // GM on"));
        // The monitors' entries chosen again bring them to the front; they are still fed once.
        QTest::keyClick(window.get(), Qt::Key_I, Qt::ControlModifier);
        QTest::keyClick(window.get(), Qt::Key_U, Qt::ControlModifier);
        window->mdiArea()->setActiveSubWindow(editorWindow);
        text->setFocus();
        QTRY_VERIFY(text->hasFocus());

        QTest::keyClick(text, Qt::Key_F7);
        QTRY_COMPARE(window->subWindows()->multiViewList(ViewKind::SystemExclusive).size(), 2);
        MidiEditView* receiver = view(window->subWindows()->multiViewList(ViewKind::SystemExclusive).last());
        QCOMPARE(receiver->viewType(), qint32(MidiEditView::SystemExclusiveReceive));

        MidiEditView* in = view(window->subWindows()->singleView(ViewKind::MidiInMonitor));
        MidiEditView* out = view(window->subWindows()->singleView(ViewKind::MidiOutMonitor));
        QTRY_VERIFY(out->text().contains("F0 7E 7F 09 01 F7"));
        QTRY_VERIFY(in->text().contains("F0 7E 7F 09 01 F7"));
        QTRY_VERIFY(receiver->text().contains("F0 7E 7F 09 01 F7"));
        QTRY_COMPARE(model->getValue(ParamTransmissionState), 0);
        QCOMPARE(in->text().count("F0 7E 7F 09 01 F7"), 1);
        QCOMPARE(out->text().count("F0 7E 7F 09 01 F7"), 1);

        // Clear All MIDI Monitors empties both monitors; the message stays where it was typed.
        QTest::keyClick(window.get(), Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(in->text(), QString());
        QCOMPARE(out->text(), QString());
        QCOMPARE(editor->text(), QStringLiteral("F0 7E 7F 09 01 F7 // GM on"));
    }

    void openingAViewMarksTheProject()
    {
        QVERIFY(chooseFromMenu(window.get(), "&Views", "&Timing Clock"));
        QVERIFY(model->isModified());
        QCOMPARE(window->windowTitle(), QStringLiteral("*Vantel MIDI"));
        // The Control Change opener refuses a number no controller has, and no number at all.
        QVERIFY(!window->subWindows()->openView(ViewKind::ControlChange, {QVariant(128u)}));
        QVERIFY(!window->subWindows()->openView(ViewKind::ControlChange, {}));
        QVERIFY(window->subWindows()->multiViewList(ViewKind::ControlChange).isEmpty());
    }

    void timingClockViewShowsTheTempoOfTheClocksComingBack()
    {
        // Loopback A's output feeds its input: the clocks the view sends are measured on their way
        // back, and the refresh tick shows the tempo in the "Receive" row.
        openLoopbackA();
        QVERIFY(chooseFromMenu(window.get(), "&Views", "&Timing Clock"));
        QMdiSubWindow* clockWindow = window->subWindows()->singleView(ViewKind::TimingClock);
        QVERIFY(clockWindow);
        auto* clock = qobject_cast<MidiTimingClockGeneratorView*>(clockWindow->widget());
        QVERIFY(clock);
        QLabel* label = clock->receivedTempoLabel();
        QCOMPARE(label->text(), QStringLiteral("--- BPM"));
        QAbstractButton* play = clock->playButton();
        QTest::mouseClick(play, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(label->text(), QStringLiteral("90 BPM"), 10000);
        QTest::mouseClick(play, Qt::LeftButton);
    }

    void windowGoesAwayDuringALongTransmission()
    {
        openLoopbackA();
        // Every long piece takes a while to leave, so the transmission is still running when the
        // window is destroyed; its worker sends through the window and must be gone first.
        loop->setCompletion(LoopbackMidiService::Completion::Delayed, 50);
        QString dump = QStringLiteral("F0");
        for (int i = 0; i < 20000; ++i)
            dump += QStringLiteral(" 11");
        dump += QStringLiteral(" F7");
        QMdiSubWindow* editorWindow = window->subWindows()->multiViewList(ViewKind::SystemExclusive).first();
        view(editorWindow)->setText(dump);
        window->mdiArea()->setActiveSubWindow(editorWindow);
        view(editorWindow)->textView()->setFocus();
        QTest::keyClick(view(editorWindow)->textView(), Qt::Key_F5);
        QTRY_COMPARE(model->getValue(ParamTransmissionState), 1);
        QTRY_VERIFY(loop->sendCalls() > 0);

        model->setModified(0);
        window.reset();
        QCOMPARE(WorkerThread::releasedCount(), 0);
        loop->setCompletion(LoopbackMidiService::Completion::Immediate);
    }

    void closingEverythingDropsPendingOutText()
    {
        openLoopbackA();
        const quint8 noteOn[] = {0x90, 0x3C, 0x64};
        // Sent and closed within one tick: the new layout's Out monitor starts empty.
        QVERIFY(window->sendToOutputPorts(noteOn, 3, 1, 0));
        QTest::keyClick(window.get(), Qt::Key_N, Qt::ControlModifier);
        QTRY_COMPARE(subWindows().size(), 3);
        MidiEditView* out = view(window->subWindows()->singleView(ViewKind::MidiOutMonitor));
        QTest::qWait(250);
        QCOMPARE(out->text(), QString());
    }

private:
    QList<QMdiSubWindow*> subWindows() const
    {
        QList<QMdiSubWindow*> open;
        for (QMdiSubWindow* sub : window->mdiArea()->subWindowList(QMdiArea::CreationOrder))
            if (sub->isVisible())
                open << sub;
        return open;
    }

    static MidiEditView* view(QMdiSubWindow* sub)
    {
        return sub ? qobject_cast<MidiEditView*>(sub->widget()) : nullptr;
    }
};

QTEST_MAIN(MainWindowViewsTest)
#include "MainWindowViewsTest.moc"
