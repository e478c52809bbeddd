#include "MidiAnalyzer.h"
#include "MidiEditView.h"
#include "MidiKeyboardView.h"
#include "MidiKeyboardViewScrollArea.h"
#include "PressureKeyboard.h"
#include "ProjectFileBytes.h"
#include "ShellTestSupport.h"
#include "VantelMidiParameterId.h"
#include "ViewKindTable.h"
#include "WindowRestorationInfo.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QRegularExpression>
#include <QStatusBar>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What each kind of view writes into its block, built from the view as the user left it. A view
// kind that stores content adds its row here; a kind without a row writes an empty block.
QByteArray expectedContent(QWidget* widget)
{
    auto* info = dynamic_cast<WindowRestorationInfo*>(widget);
    switch (info->viewKind) {
    case 3: // system-exclusive editor: its text
        return ProjectFileBytes::textField(0, static_cast<MidiEditView*>(widget)->text());
    default: // monitors, filter, MIDI settings: the content lives in the parameters
        return QByteArray();
    }
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A folder in which no file can be made while this lives: without write permission, or, for root,
// whom permissions do not stop, marked immutable. Files already in it stay writable.
class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(const QString& folder) : path(QFile::encodeName(folder))
    {
        if (geteuid() != 0) {
            locked = chmod(path.constData(), 0555) == 0;
            return;
        }
        fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        if (fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            locked = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
    }
    ~ReadOnlyFolder()
    {
        if (fd >= 0) {
            int flags = 0;
            if (locked && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ioctl(fd, FS_IOC_SETFLAGS, &flags);
            }
            ::close(fd);
        } else if (locked) {
            chmod(path.constData(), 0755);
        }
    }
    bool locked = false;

private:
    QByteArray path;
    int fd = -1;
};

// The reading end of a pipe that never reads: a log file on it fills the pipe and its writer waits
// as on a slow disk, until this closes and the writing fails.
struct SilentReader
{
    explicit SilentReader(const QString& fifo)
        : fd(::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK))
    {
    }
    ~SilentReader() { stop(); }
    void stop()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    int fd;
};

const QStringList defaultLayout{"MIDI In Monitor 0,0 338x274", "MIDI Out Monitor 338,0 338x274",
                                "System Exclusive 0,274 338x274"};

} // namespace

// File > Open, Save and Save As with real file dialogs, project files dropped on the window, and
// the Commands entries that write the monitors to log files.
class FileCommandsTest : public QObject, private MainWindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        Q_INIT_RESOURCE(images);
        useLoopbackHost();
        QVERIFY(folder.isValid());
    }

    void init() { startFresh(); }

    void cleanup()
    {
        model->setModified(0);
        window.reset();
        model.reset();
    }

    void projectsRoundTripByteForByte_data()
    {
        QTest::addColumn<QList<int>>("kinds");
        QTest::addColumn<QString>("editorText");
        // The default layout (In, Out monitor, an editor) plus the views of each row.
        QTest::newRow("default layout")
            << QList<int>{} << QStringLiteral("F0 7E 7F 09 01 F7 // GM on \xC2\xB5");
        QTest::newRow("settings views, empty editor") << QList<int>{8, 7} << QString();
        QTest::newRow("second editor") << QList<int>{3} << QStringLiteral("F0 01 F7");
    }
    void projectsRoundTripByteForByte()
    {
        QFETCH(QList<int>, kinds);
        QFETCH(QString, editorText);
        // Within the test screen (800 x 600), which a window opened from a file is fitted to.
        window->resize(660, 500);
        QTRY_COMPARE(window->size(), QSize(660, 500));
        for (int kind : kinds)
            QVERIFY(window->subWindows()->openView(kind));
        view(window->subWindows()->multiViewList(ViewKind::SystemExclusive).first())->setText(editorText);
        window->mdiArea()->subWindowList().first()->move(20, 30);
        const QString path = folder.filePath(QStringLiteral("round.vantelmidi"));
        QFile::remove(path);

        saveAs(path);
        const QByteArray saved = readFile(path);
        QCOMPARE(saved, reference());
        QCOMPARE(window->windowTitle(), QStringLiteral("round.vantelmidi - Vantel MIDI"));
        QCOMPARE(model->getString(ParamProjectFileWorkingDirectory), QFileInfo(path).absolutePath());
        const QStringList before = layout();

        // A new project, then the file opened again: the same views, places and contents.
        QTest::keyClick(window.get(), Qt::Key_N, Qt::ControlModifier);
        QVERIFY(model->projectFilePath().isEmpty());
        {
            FileDialogAnswerer dialog(path);
            QVERIFY(chooseFromMenu(window.get(), "&File", "&Open..."));
            QTRY_COMPARE(dialog.dialogs, 1);
            QCOMPARE(dialog.caption, QStringLiteral("Open"));
            QCOMPARE(dialog.filter, QStringLiteral("Project Files (*.vantelmidi)"));
            QTRY_COMPARE(model->projectFilePath(), path);
        }
        QCOMPARE(layout(), before);
        QVERIFY(!model->isModified());
        QCOMPARE(window->windowTitle(), QStringLiteral("round.vantelmidi - Vantel MIDI"));

        // Save writes the same file again, without asking for a name.
        QFile::remove(path);
        QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(readFile(path), saved);
    }

    void versionsAndDamagedFiles_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<int>("bodyLength");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("addsMenuBar");
        QTest::newRow("1.0.0 as saved") << "1.0.0" << -1 << QString() << QString() << false;
        QTest::newRow("1.1.0 without the menu bar") << "1.1.0" << -1 << QString() << QString() << true;
        QTest::newRow("0.8.0 read") << "0.8.0" << -1 << QString() << QString() << false;
        QTest::newRow("1.7.1 refused") << "1.7.1" << -1 << QStringLiteral("File format version error.")
                                       << QStringLiteral("written by a newer Vantel MIDI") << false;
        QTest::newRow("2.0.0 refused") << "2.0.0" << -1 << QStringLiteral("File format version error.")
                                       << QStringLiteral("written by a newer Vantel MIDI") << false;
        QTest::newRow("body length 0") << "1.7.0" << 0 << QStringLiteral("File open failed.")
                                       << QStringLiteral("not a Vantel MIDI project") << false;
    }
    void versionsAndDamagedFiles()
    {
        QFETCH(QString, version);
        QFETCH(int, bodyLength);
        QFETCH(QString, message);
        QFETCH(QString, reason);
        QFETCH(bool, addsMenuBar);
        const QByteArray v = version.toLatin1();
        ProjectFileBytes bytes(v.constData());
        const QRect main(window->geometry().topLeft() + QPoint(10, 10), QSize(640, 400));
        bytes.record(0, main).record(2, QRect(5, 6, 300, 200)).block();
        const QString path = folder.filePath(QStringLiteral("version.vantelmidi"));
        QVERIFY(writeFile(path, bytes.file(bodyLength)));
        model->setProjectFilePath(QStringLiteral("/elsewhere/previous.vantelmidi"));
        const QStringList before = layout();

        BoxAnswerer box(QMessageBox::Ok);
        QCOMPARE(window->openProject(path), message.isEmpty());
        QCOMPARE(box.text, message);
        if (!message.isEmpty()) {
            QCOMPARE(box.detail, QDir::toNativeSeparators(path) + QStringLiteral(": ") + reason);
            // Refused before anything was closed: the layout and the project's file stay.
            QCOMPARE(layout(), before);
            QCOMPARE(model->projectFilePath(), QStringLiteral("/elsewhere/previous.vantelmidi"));
            return;
        }
        QCOMPARE(layout(), QStringList{QStringLiteral("MIDI Out Monitor 5,6 300x200")});
        // The saved height is the area below the menu bar; before 1.1.0 it held the menu bar too.
        const int expected = 400 - (addsMenuBar ? 0 : window->menuBar()->height());
        QTRY_COMPARE(window->mdiArea()->height(), expected);
    }

    void aCommandLineProjectThatCannotBeOpenedLeavesTheDefaultLayout_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << QByteArray() << QStringLiteral("No such file or directory");
        QTest::newRow("not a project") << QByteArray("hello") << QStringLiteral("not a Vantel MIDI project");
    }
    void aCommandLineProjectThatCannotBeOpenedLeavesTheDefaultLayout()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, reason);
        const QString path = folder.filePath(QStringLiteral("named.vantelmidi"));
        QFile::remove(path);
        if (!contents.isEmpty())
            QVERIFY(writeFile(path, contents));
        // As the program starts with a file named on the command line: no saved layout restored.
        window.reset();
        window = std::make_unique<MainWindow>(model.get());
        window->setStartedWithFile(true);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        BoxAnswerer box(QMessageBox::Ok);
        QVERIFY(!window->projects()->openStartupProject(path));
        QCOMPARE(box.text, QStringLiteral("File open failed."));
        QCOMPARE(box.detail, QDir::toNativeSeparators(path) + QStringLiteral(": ") + reason);
        QCOMPARE(layout(), defaultLayout);
        QCOMPARE(window->mdiArea()->height(), 548);
        QCOMPARE(window->windowTitle(), QStringLiteral("Vantel MIDI"));
        QVERIFY(!model->isModified());
    }

    void aLoadFailingHalfwayLeavesTheProjectUntitled()
    {
        // The second view is of a kind no program has: the first is open when reading stops.
        ProjectFileBytes bytes;
        bytes.record(0, QRect(0, 0, 640, 400)).record(2, QRect(5, 6, 300, 200)).block();
        bytes.record(77, QRect(0, 0, 100, 100)).block();
        const QString path = folder.filePath(QStringLiteral("half.vantelmidi"));
        QVERIFY(writeFile(path, bytes.file()));
        const QString previous = folder.filePath(QStringLiteral("previous.vantelmidi"));
        saveAs(previous);
        const QByteArray previousBytes = readFile(previous);

        {
            BoxAnswerer box(QMessageBox::Ok);
            QVERIFY(!window->openProject(path));
            QCOMPARE(box.text, QStringLiteral("File open failed."));
        }
        QCOMPARE(layout(), QStringList{QStringLiteral("MIDI Out Monitor 5,6 300x200")});
        QVERIFY(model->projectFilePath().isEmpty());
        QVERIFY(model->isModified());
        QCOMPARE(window->windowTitle(), QStringLiteral("*Vantel MIDI"));
        // Save asks for a name instead of writing over the previous project.
        FileDialogAnswerer dialog{QString()};
        QVERIFY(chooseFromMenu(window.get(), "&File", "&Save"));
        QTRY_COMPARE(dialog.dialogs, 1);
        QCOMPARE(dialog.caption, QStringLiteral("Save"));
        QCOMPARE(QFileInfo(dialog.proposed).fileName(), QStringLiteral("Untitled.vantelmidi"));
        QCOMPARE(readFile(previous), previousBytes);
    }

    void aFailingWriteKeepsTheOldFile()
    {
        const QString path = folder.filePath(QStringLiteral("full.vantelmidi"));
        saveAs(path);
        const QByteArray old = readFile(path);
        QVERIFY(window->subWindows()->openView(8));
        QVERIFY(model->isModified());

        // The disk fills up after a few bytes: every write beyond them fails.
        struct rlimit previous;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &previous), 0);
        struct rlimit small = previous;
        small.rlim_cur = 64;
        auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        BoxAnswerer box(QMessageBox::Ok);
        const bool saved = window->projects()->saveProject();

        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(!saved);
        QCOMPARE(box.text, QStringLiteral("File save failed."));
        QCOMPARE(box.detail, QDir::toNativeSeparators(path) + QStringLiteral(": File too large"));
        QCOMPARE(readFile(path), old);
        QVERIFY(model->isModified());
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).filter("full").size(), 1);
    }

    // The new file beside the old one cannot be made in a folder that takes no new files; a file
    // that may be written is then written in place, and only then.
    void aReadOnlyFolderWithAWritableFileIsSavedInPlace()
    {
        const QString locked = folder.filePath(QStringLiteral("locked"));
        QVERIFY(QDir().mkpath(locked));
        const QString path = locked + QStringLiteral("/inplace.vantelmidi");
        saveAs(path);
        QVERIFY(window->subWindows()->openView(ViewKind::Filter));
        ReadOnlyFolder readOnly(locked);
        if (!readOnly.locked)
            QSKIP("this file system cannot make a folder read-only");
        BoxAnswerer box(QMessageBox::Ok);
        QVERIFY(window->projects()->saveProject());
        QCOMPARE(box.boxes, 0);
        QCOMPARE(readFile(path), reference());

        const QString other = locked + QStringLiteral("/new.vantelmidi");
        QVERIFY(!window->projects()->saveProjectTo(other));
        QCOMPARE(box.text, QStringLiteral("File save failed."));
        QVERIFY2(box.detail.startsWith(QDir::toNativeSeparators(other) + QStringLiteral(": ")),
                 qPrintable(box.detail));
        QVERIFY(box.detail.size() > other.size() + 2);
        QVERIFY(!QFileInfo::exists(other));
    }

    void yesToTheSaveQuestionSaves()
    {
        const QString path = folder.filePath(QStringLiteral("yes.vantelmidi"));
        QFile::remove(path);
        model->setProjectFilePath(path);
        model->setModified(1);
        BoxAnswerer box(QMessageBox::Yes);
        QTest::keyClick(window.get(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(box.boxes, 1);
        QVERIFY(QFileInfo(path).size() > ProjectFileFormatHeader);
        // New went on after the save.
        QVERIFY(model->projectFilePath().isEmpty());
    }

    void aDroppedProjectIsOpened()
    {
        ProjectFileBytes bytes;
        bytes.record(0, window->geometry()).record(1, QRect(7, 8, 300, 200), 0, true).block();
        const QString path = folder.filePath(QStringLiteral("dropped.vantelmidi"));
        QVERIFY(writeFile(path, bytes.file()));
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QWidget* target = window->mdiArea()->viewport();
        QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        QVERIFY(drop.isAccepted());
        QTRY_COMPARE(model->projectFilePath(), path);
        QCOMPARE(layout(), QStringList{QStringLiteral("MIDI In Monitor 7,8 300x200")});
        QVERIFY(window->mdiArea()->subWindowList().first()->windowFlags() & Qt::WindowStaysOnTopHint);
    }

    // A log file closed while its writer still waits for a slow disk can fail after a new one was
    // opened: the new one stays ticked and written.
    void aLateFailureOfAClosedLogLeavesTheOpenOneTicked()
    {
        const auto oldHandler = std::signal(SIGPIPE, SIG_IGN);
        openLoopbackA();
        const QString slow = folder.filePath(QStringLiteral("slow.log"));
        QVERIFY(mkfifo(QFile::encodeName(slow).constData(), 0600) == 0);
        SilentReader reader(slow);
        QVERIFY(reader.fd >= 0);
        const QString entry = QStringLiteral("Write MIDI &Out Data to Log File...");
        BoxAnswerer boxes(QMessageBox::Yes);
        {
            FileDialogAnswerer dialog(slow);
            QVERIFY(chooseFromMenu(window.get(), "&Commands", entry));
            QTRY_VERIFY(logEntry(entry)->isChecked());
        }
        // Far more text than the pipe holds.
        QByteArray dump(250, char(0x11));
        dump[0] = char(0xF0);
        dump[dump.size() - 1] = char(0xF7);
        for (int i = 0; i < 1000; ++i)
            QVERIFY(window->sendToOutputPorts(reinterpret_cast<const quint8*>(dump.constData()),
                                              quint32(dump.size()), 7, 0, true));
        QTest::qWait(100);
        const int boxesBefore = boxes.boxes;
        QVERIFY(chooseFromMenu(window.get(), "&Commands", entry));
        QVERIFY(!logEntry(entry)->isChecked());
        const QString fresh = folder.filePath(QStringLiteral("fresh.log"));
        {
            FileDialogAnswerer dialog(fresh);
            QVERIFY(chooseFromMenu(window.get(), "&Commands", entry));
            QTRY_VERIFY(logEntry(entry)->isChecked());
        }
        reader.stop();
        QTRY_COMPARE(boxes.boxes, boxesBefore + 1);
        QCOMPARE(boxes.text, QStringLiteral("MIDI Out log file write failed."));
        QVERIFY(!boxes.detail.isEmpty());
        QVERIFY(logEntry(entry)->isChecked());
        const quint8 last[] = {0x92, 0x33, 1};
        QVERIFY(window->sendToOutputPorts(last, 3, 1, 0));
        window->midiSession()->analyzer()->waitForLogFiles();
        QVERIFY(readFile(fresh).contains("92 33 01"));
        std::signal(SIGPIPE, oldHandler);
    }

    void logFileDialogCancelled_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("In") << "Write MIDI &In Data to Log File..."
                            << "_MIDI_In";
        QTest::newRow("Out") << "Write MIDI &Out Data to Log File..."
                             << "_MIDI_Out";
    }
    void logFileDialogCancelled()
    {
        QFETCH(QString, entry);
        QFETCH(QString, suffix);
        model->setString(ParamOutputLogFileWorkingDirectory, folder.path());
        FileDialogAnswerer dialog{QString()};
        QList<bool> enabledWhileOpen;
        dialog.whileOpen = [&] {
            for (const char* text :
                 {"Write MIDI &In Data to Log File...", "Write MIDI &Out Data to Log File..."})
                enabledWhileOpen << logEntry(QString::fromLatin1(text))->isEnabled();
        };
        QVERIFY(chooseFromMenu(window.get(), "&Commands", entry));
        QTRY_COMPARE(dialog.dialogs, 1);
        QCOMPARE(dialog.caption, QStringLiteral("Select log output file"));
        QCOMPARE(dialog.filter, QStringLiteral("Log Files (*.log)"));
        QCOMPARE(QFileInfo(dialog.proposed).absolutePath(), folder.path());
        QVERIFY(QRegularExpression(QStringLiteral("^\\d{8}_\\d{6}") + suffix + QStringLiteral("\\.log$"))
                    .match(QFileInfo(dialog.proposed).fileName())
                    .hasMatch());
        QCOMPARE(enabledWhileOpen, (QList<bool>{false, false}));
        QTRY_VERIFY(!logEntry(entry)->isChecked());
        QVERIFY(logEntry(entry)->isEnabled());
    }

    void logFileReplacesAnExistingFileAndClosesWhenUnchecked()
    {
        openLoopbackA();
        const QString path = folder.filePath(QStringLiteral("in.log"));
        QVERIFY(writeFile(path, "old contents that must go\n"));
        const QString entry = QStringLiteral("Write MIDI &In Data to Log File...");
        {
            FileDialogAnswerer dialog(path);
            BoxAnswerer replace(QMessageBox::Yes); // the dialog asks before replacing
            QVERIFY(chooseFromMenu(window.get(), "&Commands", entry));
            QTRY_COMPARE(dialog.dialogs, 1);
            QTRY_VERIFY(logEntry(entry)->isChecked());
        }
        QCOMPARE(model->getString(ParamOutputLogFileWorkingDirectory), folder.path());
        loop->injectBytes(QStringLiteral("Loopback A"), QByteArray::fromHex("903C64"));
        MidiEditView* in = view(window->subWindows()->singleView(ViewKind::MidiInMonitor));
        QTRY_VERIFY(in->text().contains("90 3C 64"));
        // Unchecking closes the file at once.
        BoxAnswerer none(QMessageBox::Ok);
        QVERIFY(chooseFromMenu(window.get(), "&Commands", entry));
        QVERIFY(!logEntry(entry)->isChecked());
        QCOMPARE(none.boxes, 0);
        const QByteArray log = readFile(path);
        QVERIFY(!log.contains("old contents"));
        QVERIFY(log.contains("90 3C 64"));
        QCOMPARE(log.count('\n'), 1);
    }

    void aFullDiskIsReportedOnceAndNoMonitorLineIsLost_data()
    {
        QTest::addColumn<bool>("input");
        QTest::newRow("In") << true;
        QTest::newRow("Out") << false;
    }
    void aFullDiskIsReportedOnceAndNoMonitorLineIsLost()
    {
        QFETCH(bool, input);
        openLoopbackA();
        // A key latched with Control and one held with the mouse on a Keyboard view: the message box
        // takes the mouse release, so both must end before it opens.
        QMdiSubWindow* sub = window->subWindows()->openView(ViewKind::Keyboard);
        QVERIFY(sub);
        auto* keyboardView = qobject_cast<MidiKeyboardView*>(sub->widget());
        PressureKeyboard* keys = keyboardView->keyboard();
        QWidget* viewport = keyboardView->scrollArea()->viewport();
        QTRY_VERIFY(viewport->isVisible());
        const QPoint middle = keys->mapFrom(viewport, viewport->rect().center());
        const qint32 latched = keys->keyAt(middle);
        const qint32 held = keys->keyAt(middle + QPoint(keys->whiteKeySize().toSize().width() * 2, 0));
        QVERIFY(latched != Keyboard::NoKey && held != Keyboard::NoKey && latched != held);
        QTest::mouseClick(keys, Qt::LeftButton, Qt::ControlModifier, keys->keyRect(latched).center());
        QTest::mousePress(keys, Qt::LeftButton, Qt::ControlModifier, keys->keyRect(held).center());
        QVERIFY(keys->isHeld(latched) && keys->isHeld(held));

        const QString entry = input ? QStringLiteral("Write MIDI &In Data to Log File...")
                                    : QStringLiteral("Write MIDI &Out Data to Log File...");
        BoxAnswerer boxes(QMessageBox::Yes);
        {
            FileDialogAnswerer dialog(QStringLiteral("/dev/full"));
            QVERIFY(chooseFromMenu(window.get(), "&Commands", entry));
            QTRY_COMPARE(dialog.dialogs, 1);
        }
        const int replaceQuestions = boxes.boxes;
        // Sent on Loopback A, the notes come back: lines for both monitors.
        for (int note = 0; note < 20; ++note) {
            const quint8 noteOn[] = {0x90, quint8(note), 100};
            QVERIFY(window->sendToOutputPorts(noteOn, 3, 1, 0));
        }
        MidiEditView* monitor = view(
            window->subWindows()->singleView(input ? ViewKind::MidiInMonitor : ViewKind::MidiOutMonitor));
        QTRY_COMPARE(monitor->text().count(QStringLiteral("90 ")), 20 + 2);
        QTRY_COMPARE(boxes.boxes, replaceQuestions + 1);
        QCOMPARE(boxes.title, QStringLiteral("Vantel MIDI"));
        QCOMPARE(boxes.icon, QMessageBox::Critical);
        QCOMPARE(boxes.text, input ? QStringLiteral("MIDI In log file write failed.")
                                   : QStringLiteral("MIDI Out log file write failed."));
        QVERIFY(!logEntry(entry)->isChecked());
        QVERIFY(!keys->isHeld(latched) && !keys->isHeld(held));
        for (qint32 note : {latched, held})
            QTRY_VERIFY(monitor->text().contains(
                QStringLiteral("80 %1 ").arg(note, 2, 16, QLatin1Char('0')).toUpper()));
        QTest::qWait(200);
        QCOMPARE(boxes.boxes, replaceQuestions + 1);
        QTest::mouseRelease(keys, Qt::LeftButton, Qt::ControlModifier, keys->keyRect(held).center());
    }

private:
    static constexpr int ProjectFileFormatHeader = 56;

    static MidiEditView* view(QMdiSubWindow* sub) { return qobject_cast<MidiEditView*>(sub->widget()); }

    QAction* logEntry(const QString& text)
    {
        return findEntry(menuBarEntry(window.get(), QStringLiteral("&Commands"))->menu(), text);
    }

    void saveAs(const QString& path)
    {
        FileDialogAnswerer dialog(path);
        BoxAnswerer replace(QMessageBox::Yes);
        QVERIFY(chooseFromMenu(window.get(), "&File", "Save &As..."));
        QTRY_COMPARE(dialog.dialogs, 1);
        QCOMPARE(dialog.caption, QStringLiteral("Save"));
        QTRY_COMPARE(model->projectFilePath(), path);
    }

    // The file the window should have written for what it shows now.
    QByteArray reference()
    {
        ProjectFileBytes bytes;
        // The saved height is that of the area the views have.
        QRect main = window->geometry();
        main.setHeight(window->mdiArea()->height());
        bytes.record(0, main, qint32(window->windowState()));
        for (QMdiSubWindow* sub : window->mdiArea()->subWindowList(QMdiArea::ActivationHistoryOrder)) {
            auto* info = dynamic_cast<WindowRestorationInfo*>(sub->widget());
            bytes
                .record(info->viewKind, sub->geometry(), qint32(sub->windowState()), false, info->extraValues)
                .block(expectedContent(sub->widget()));
        }
        return bytes.file();
    }

    QTemporaryDir folder;
};

QTEST_MAIN(FileCommandsTest)
#include "FileCommandsTest.moc"
