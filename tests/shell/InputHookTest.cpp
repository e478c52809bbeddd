#include "../widgets/WidgetTestSupport.h"

#include "CheckBox.h"
#include "EULAView.h"
#include "KeyboardNoteEventManager.h"
#include "LicenseInfoView.h"
#include "MidiEditTextView.h"
#include "MidiEditView.h"
#include "MidiPCKeyboardView.h"
#include "NativeEventFilter.h"
#include "ShellTestSupport.h"
#include "SpinBox.h"
#include "VantelMidiParameterId.h"

#include <QFileDialog>
#include <QMdiArea>
#include <QScrollBar>
#include <QToolButton>

// What the application-wide input hook does in the running window, on the loopback MIDI system:
// computer-keyboard notes (the key map, auto-repeat, keys that stay with the focused widget, the
// releases before dialogs and on focus loss), the About box closed by the first click, and the
// Help menu's licence texts.
class InputHookTest : public QObject, private MainWindowFixture
{
    Q_OBJECT

    // Counts the key presses that reach a widget.
    class KeyRecorder : public QObject
    {
    public:
        int presses = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            presses += event->type() == QEvent::KeyPress;
            return false;
        }
    };

    // Everything that reached Loopback A since the last clear, as hexadecimal messages.
    QString sent()
    {
        for (const LoopbackMidiService::SentMessage& message : loop->takeSent())
            if (message.device == QLatin1String("Loopback A"))
                played.append(QString::fromLatin1(message.bytes.toHex(' ').toUpper()));
        return played.join(QLatin1String(" | "));
    }

    // Press and release on the focus widget.
    static bool key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* target = QApplication::focusWidget();
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, key, modifiers);
        QApplication::sendEvent(target, &release);
        return press.isAccepted() && release.isAccepted();
    }

    // A key event as X11 gives it: with its scan code, time stamp and repeat mark.
    static void xKey(QEvent::Type type, Qt::Key key, quint32 scanCode, ulong time, bool repeat = false)
    {
        QKeyEvent event(type, key, Qt::NoModifier, scanCode, 0, 0, QString(), repeat);
        event.setTimestamp(time);
        QApplication::sendEvent(QApplication::focusWidget(), &event);
    }

    // The About box, opened from the Help menu.
    bool openAbout()
    {
        return chooseFromMenu(window.get(), "&Help", "&About") && window->subWindows()->aboutWindow();
    }

private Q_SLOTS:
    void initTestCase()
    {
        Q_INIT_RESOURCE(images);
        useLoopbackHost();
        qApp->installEventFilter(&hook);
    }

    void init()
    {
        startFresh();
        MainWindow::setEventLoopMainWindow(window.get());
        QVERIFY(window->openOutputPort(0, 0));
        window->mdiArea()->setFocus();
        model->setValue(ParamPCKeyboardEnable, 1);
        played.clear();
    }

    void cleanup()
    {
        MainWindow::setEventLoopMainWindow(nullptr);
        window.reset();
        model.reset();
        loop->takeSent();
    }

    void keyMapAtOctaveLimits_data()
    {
        QTest::addColumn<int>("octave");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("bytes");
        QTest::newRow("Z at octave 0 is C3") << 0 << int(Qt::Key_Z) << "90 3C 40 | 80 3C 00";
        QTest::newRow("I tops the upper row") << 0 << int(Qt::Key_I) << "90 54 40 | 80 54 00";
        QTest::newRow("lowest octave: Z is note 0") << -5 << int(Qt::Key_Z) << "90 00 40 | 80 00 00";
        QTest::newRow("highest octave: T would be 127") << 4 << int(Qt::Key_T) << "90 7F 40 | 80 7F 00";
        QTest::newRow("highest octave: 6 is past 127") << 4 << int(Qt::Key_6) << "";
        QTest::newRow("A is not a note") << 0 << int(Qt::Key_A) << "";
        QTest::newRow("the comma is forwarded but not a note") << 0 << int(Qt::Key_Comma) << "";
    }
    void keyMapAtOctaveLimits()
    {
        QFETCH(int, octave);
        QFETCH(int, key);
        QFETCH(QString, bytes);
        model->setValue(ParamPCKeyboardOctave, octave);
        model->setValue(ParamPCKeyboardNoteOnVelocity, 64);
        // Consumed exactly when it plays.
        QCOMPARE(InputHookTest::key(Qt::Key(key)), !bytes.isEmpty());
        QCOMPARE(sent(), bytes);
    }

    void viewEnablesAndAHeldKeyPlaysOnce()
    {
        model->setValue(ParamPCKeyboardEnable, 0);
        QVERIFY(chooseFromMenu(window.get(), "&Views", "PC Keyboar&d"));
        auto* view = qobject_cast<MidiPCKeyboardView*>(
            window->subWindows()->singleView(ViewKind::PCKeyboard)->widget());
        QVERIFY(view);
        QVERIFY(!key(Qt::Key_Z));
        QTest::mouseClick(view->enableCheckBox(), Qt::LeftButton);
        QCOMPARE(model->getValue(ParamPCKeyboardEnable), 1);
        view->setFocus();
        // Held Z: X11 repeats it as release/press pairs with one time stamp each, marked as
        // repeats or not; the German Y key sits where Z is.
        xKey(QEvent::KeyPress, Qt::Key_Y, 52, 1000);
        xKey(QEvent::KeyRelease, Qt::Key_Y, 52, 1500);
        xKey(QEvent::KeyPress, Qt::Key_Y, 52, 1500);
        xKey(QEvent::KeyRelease, Qt::Key_Y, 52, 1540, true);
        xKey(QEvent::KeyPress, Qt::Key_Y, 52, 1540, true);
        QTest::qWait(KeyboardNoteEventManager::ReleaseDelayMs * 2);
        xKey(QEvent::KeyRelease, Qt::Key_Y, 52, 1580);
        xKey(QEvent::KeyPress, Qt::Key_Y, 52, 1580);
        xKey(QEvent::KeyRelease, Qt::Key_Y, 52, 1700);
        // The German Z key sits where Y is; another key's event settles the waiting release.
        xKey(QEvent::KeyPress, Qt::Key_Z, 29, 1800);
        xKey(QEvent::KeyRelease, Qt::Key_Z, 29, 1900);
        QTRY_COMPARE(sent(), QStringLiteral("90 3C 40 | 80 3C 00 | 90 51 40 | 80 51 00"));
    }

    void keysStayWithEditableWidgetsAndModifiers()
    {
        // The system-exclusive editor's text takes letters.
        auto* editor =
            qobject_cast<MidiEditView*>(window->monitors()->inAndSystemExclusiveViews().constLast());
        QVERIFY(editor);
        editor->textView()->setFocus();
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("zx"));
        QCOMPARE(editor->textView()->toPlainText(), QStringLiteral("zx"));

        // A spin box being typed into takes digits.
        QVERIFY(chooseFromMenu(window.get(), "&Views", "PC Keyboar&d"));
        auto* octave =
            window->subWindows()->singleView(ViewKind::PCKeyboard)->widget()->findChild<SpinBox*>();
        QTest::mouseDClick(octave, Qt::LeftButton, Qt::NoModifier, octave->rect().center());
        QTest::keyClicks(octave, QStringLiteral("2"));
        QTest::keyClick(octave, Qt::Key_Return);
        QCOMPARE(model->getValue(ParamPCKeyboardOctave), 2);

        // Control and Shift pass the key on.
        window->mdiArea()->setFocus();
        KeyRecorder recorder;
        window->mdiArea()->installEventFilter(&recorder);
        QVERIFY(!key(Qt::Key_Z, Qt::ControlModifier));
        QVERIFY(!key(Qt::Key_A, Qt::ShiftModifier));
        QCOMPARE(recorder.presses, 2);
        QVERIFY(key(Qt::Key_Z));
        QCOMPARE(recorder.presses, 2);
        QCOMPARE(sent(), QStringLiteral("90 54 40 | 80 54 00"));
    }

    void theOldNoteEndsAfterAnOctaveChange()
    {
        QWidget* target = QApplication::focusWidget();
        QTest::keyPress(target, Qt::Key_Z);
        model->setValue(ParamPCKeyboardOctave, 1);
        model->setValue(ParamPCKeyboardChannel, 2);
        // Shift pressed meanwhile does not keep the note hanging.
        QTest::keyRelease(target, Qt::Key_Z, Qt::ShiftModifier);
        QTest::keyClick(target, Qt::Key_X);
        QTRY_COMPARE(sent(), QStringLiteral("90 3C 40 | 80 3C 00 | 91 4A 40 | 81 4A 00"));
    }

    void heldNotesEndBeforeAFileDialogAndOnFocusLoss()
    {
        QTest::keyPress(QApplication::focusWidget(), Qt::Key_Z);
        QTest::keyPress(QApplication::focusWidget(), Qt::Key_C);
        model->setValue(ParamPCKeyboardNoteOffVelocity, 50);
        QToolButton* open = nullptr;
        for (QToolButton* button :
             window->monitors()->inAndSystemExclusiveViews().constLast()->findChildren<QToolButton*>())
            if (button->property("menuLabel").toString() == QLatin1String("&Open..."))
                open = button;
        QVERIFY(open);
        QString beforeDialog;
        QTimer::singleShot(200, this, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (dialog) {
                beforeDialog = sent();
                dialog->reject();
            }
        });
        QTest::mouseClick(open, Qt::LeftButton);
        QTRY_COMPARE(beforeDialog, QStringLiteral("90 3C 40 | 90 40 40 | 80 3C 00 | 80 40 00"));

        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        window->mdiArea()->setFocus();
        played.clear();
        QTest::keyPress(QApplication::focusWidget(), Qt::Key_X);
        // What Qt tells the application when another program's window takes the focus.
        QEvent deactivate(QEvent::ApplicationDeactivate);
        QCoreApplication::sendEvent(qApp, &deactivate);
        QCOMPARE(sent(), QStringLiteral("90 3E 40 | 80 3E 00"));
    }

    void theFirstClickClosesTheAbout()
    {
        QVERIFY(chooseFromMenu(window.get(), "&Views", "PC Keyboar&d"));
        auto* view = qobject_cast<MidiPCKeyboardView*>(
            window->subWindows()->singleView(ViewKind::PCKeyboard)->widget());
        model->setValue(ParamPCKeyboardEnable, 0);
        QVERIFY(openAbout());
        QMdiSubWindow* about = window->subWindows()->aboutWindow();
        QCOMPARE(about->size(), QSize(501, 170));
        QTest::mouseClick(view->enableCheckBox(), Qt::LeftButton);
        QVERIFY(!window->subWindows()->aboutWindow());
        QCOMPARE(model->getValue(ParamPCKeyboardEnable), 0);
        QTest::mouseClick(view->enableCheckBox(), Qt::LeftButton);
        QCOMPARE(model->getValue(ParamPCKeyboardEnable), 1);
        // A right click on the box itself closes it too.
        QVERIFY(openAbout());
        QTest::mouseClick(window->subWindows()->aboutWindow()->widget(), Qt::RightButton);
        QVERIFY(!window->subWindows()->aboutWindow());
    }

    void licenceTexts()
    {
        const QString folder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
        QFile::remove(folder + QLatin1String(EULAView::FileName));
        QFile file(folder + QLatin1String(LicenseInfoView::FileName));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Text));
        file.write("Qt QT_VERSION, built on QT_VERSION\n");
        for (int line = 0; line < 200; ++line)
            file.write("line\n");
        file.close();

        QVERIFY(chooseFromMenu(window.get(), "&Help", "&Open Source License"));
        QMdiSubWindow* sub = window->subWindows()->singleView(ViewKind::OpenSourceLicense);
        auto* text = qobject_cast<LicenseInfoView*>(sub->widget());
        QVERIFY(text && text->isReadOnly());
        QCOMPARE(text->size(), QSize(675, 300));
        const QString version = QString::fromLatin1(qVersion());
        QVERIFY(text->toPlainText().startsWith(QStringLiteral("Qt %1, built on %1\n").arg(version)));
        wheelTurn(text->viewport(), QPoint(50, 50), -120);
        QVERIFY(text->verticalScrollBar()->value() > 0);
        file.remove();

        // A missing text is named in the window, with the reason it cannot be read.
        QVERIFY(chooseFromMenu(window.get(), "&Help", "&Software User License Agreement"));
        auto* eula =
            qobject_cast<EULAView*>(window->subWindows()->singleView(ViewKind::SoftwareLicense)->widget());
        QVERIFY(eula && eula->isReadOnly());
        const QString missing = QDir::toNativeSeparators(folder + QLatin1String(EULAView::FileName));
        QVERIFY2(eula->toPlainText().endsWith(QLatin1Char('\n') + missing +
                                              QStringLiteral(": No such file or directory")),
                 qPrintable(eula->toPlainText()));
    }

private:
    NativeEventFilter hook;
    QStringList played;
};

VANTEL_WIDGET_TEST_MAIN(InputHookTest)
#include "InputHookTest.moc"
