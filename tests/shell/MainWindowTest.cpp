#include "MainWindow.h"
#include "NativeEventFilter.h"
#include "SettingsFile.h"
#include "ShellTestSupport.h"
#include "SubWindowManager.h"
#include "VantelMidiModel.h"
#include "ViewKindTable.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

#include <memory>

namespace {

// One line per menu entry: text, then "|" shortcut, "|" data, and " [x]" for a checkable entry;
// "---" for a separator, "> title" for a submenu.
QStringList describe(const QMenu* menu)
{
    QStringList lines;
    for (const QAction* a : menu->actions()) {
        if (a->isSeparator()) {
            lines << QStringLiteral("---");
        } else if (a->menu()) {
            lines << QStringLiteral("> ") + a->text();
        } else {
            QString line = a->text() + QLatin1Char('|') + a->shortcut().toString(QKeySequence::PortableText) +
                           QLatin1Char('|') + QString::number(a->data().toUInt());
            if (a->isCheckable())
                line += QStringLiteral(" [x]");
            lines << line;
        }
    }
    return lines;
}

QString shortcut(const char* text)
{
    return QKeySequence(QString::fromLatin1(text)).toString(QKeySequence::PortableText);
}

QString item(const char* text, const char* keys, int data, bool checkable = false)
{
    return QString::fromLatin1(text) + QLatin1Char('|') + (keys ? shortcut(keys) : QString()) +
           QLatin1Char('|') + QString::number(data) + (checkable ? QStringLiteral(" [x]") : QString());
}

QMenu* topMenu(QMainWindow* window, const QString& title)
{
    QAction* entry = menuBarEntry(window, title);
    return entry ? entry->menu() : nullptr;
}

} // namespace

class MainWindowTest : public QObject, private MainWindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Q_INIT_RESOURCE(images); }

    void init()
    {
        model = std::make_unique<VantelMidiModel>();
        makeWindow();
    }

    void cleanup()
    {
        // Leave nothing to ask at teardown.
        model->setModified(0);
        window.reset();
        model.reset();
    }

    // The menus as they are when every view exists; entries of views that do not exist yet are
    // absent, not dead.
    static QStringList existing(const QStringList& entries)
    {
        QStringList kept;
        for (const QString& entry : entries) {
            const QString text =
                entry.startsWith(QLatin1String("> ")) ? entry.mid(2) : entry.section('|', 0, 0);
            bool available = true;
            for (const ViewKindRow& row : ViewKindTable::rows())
                if (text == QLatin1String(row.menuText))
                    available = row.isAvailable();
            // No separator twice in a row.
            if (available && !(entry == QLatin1String("---") && !kept.isEmpty() && kept.last() == entry))
                kept << entry;
        }
        while (!kept.isEmpty() && kept.last() == QLatin1String("---"))
            kept.removeLast();
        return kept;
    }

    void menus_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("File") << "&File"
                              << QStringList{item("&New", "Ctrl+N", 0),
                                             item("&Open...", "Ctrl+O", 1),
                                             item("&Save", "Ctrl+S", 2),
                                             item("Save &As...", "Shift+Ctrl+S", 3),
                                             "---",
                                             item("&Preferences...", "Ctrl+,", 4),
                                             "---",
                                             item("&Quit", "Ctrl+Q", 5)};
        QTest::newRow("Views") << "&Views"
                               << QStringList{item("MIDI &In Monitor", "Ctrl+I", 0),
                                              item("MIDI O&ut Monitor", "Ctrl+U", 1),
                                              item("&Keyboard", "Ctrl+K", 2),
                                              "> &Control Change",
                                              item("&Program Change", "Ctrl+P", 4),
                                              item("Pitch &Bend", "Ctrl+B", 5),
                                              item("&System Exclusive", "Ctrl+E", 6),
                                              item("&Timing Clock", "Ctrl+T", 7),
                                              item("Sta&rt/Stop", "Ctrl+1", 8),
                                              item("&Active Sensing", "Ctrl+J", 9),
                                              item("Cust&om MIDI Message", "Ctrl+2", 10),
                                              "---",
                                              item("&Filter", "Ctrl+L", 11),
                                              item("&MIDI Settings", "Ctrl+M", 12),
                                              item("PC Keyboar&d", "Ctrl+D", 13)};
        QTest::newRow("Commands") << "&Commands"
                                  << QStringList{
                                         item("&Clear All MIDI Monitors", "Ctrl+Shift+D", 0),
                                         item("Write MIDI &In Data to Log File...", nullptr, 1, true),
                                         item("Write MIDI &Out Data to Log File...", nullptr, 2, true)};
        QTest::newRow("Window") << "&Window"
                                << QStringList{item("Close &All", nullptr, 0), item("&Cascade", nullptr, 1),
                                               item("&Tile", nullptr, 2)};
        QTest::newRow("Help") << "&Help"
                              << QStringList{item("&About", nullptr, 0),
                                             item("&Open Source License", nullptr, 1),
                                             item("&Software User License Agreement", nullptr, 2)};
    }
    void menus()
    {
        QFETCH(QString, title);
        QFETCH(QStringList, entries);
        entries = existing(entries);
        const QMenu* menu = topMenu(window.get(), title);
        QCOMPARE(menu != nullptr, !entries.isEmpty());
        if (menu)
            QCOMPARE(describe(menu), entries);
        // The views have tool bars of their own; the window has none.
        QVERIFY(window->findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly).isEmpty());
    }

    void viewActionsOpenTheirViews()
    {
        // Every Views entry opens a view, or brings the open one to the front.
        for (QAction* action : window->viewActions()) {
            action->trigger();
            QMdiSubWindow* active = window->mdiArea()->activeSubWindow();
            QVERIFY2(active, qPrintable(action->text()));
            QCOMPARE(active->windowTitle(), ViewKindTable::title(action->text()));
        }
    }

    void titleRule_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("modified");
        QTest::addColumn<QString>("title");
        QTest::newRow("unnamed, clean") << QString() << 0 << "Vantel MIDI";
        QTest::newRow("unnamed, modified") << QString() << 1 << "*Vantel MIDI";
        QTest::newRow("named, modified")
            << "/home/u/song.vantelmidi" << 1 << "song.vantelmidi* - Vantel MIDI";
        QTest::newRow("named, clean") << "/home/u/song.vantelmidi" << 0 << "song.vantelmidi - Vantel MIDI";
    }
    void titleRule()
    {
        QFETCH(QString, path);
        QFETCH(int, modified);
        QFETCH(QString, title);
        model->setProjectFilePath(path);
        // Drive the flag through a change, so the title is computed by the window for this state.
        model->setModified(1 - modified);
        model->setModified(modified);
        QCOMPARE(window->windowTitle(), title);
    }

    void newAnswers_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("proceeds");
        QTest::newRow("Cancel keeps everything") << int(QMessageBox::Cancel) << false;
        // The project's folder does not exist: the save fails and New stops.
        QTest::newRow("Yes with a failing save keeps everything") << int(QMessageBox::Yes) << false;
        QTest::newRow("No discards") << int(QMessageBox::No) << true;
    }
    void newAnswers()
    {
        QFETCH(int, answer);
        QFETCH(bool, proceeds);
        model->setProjectFilePath(unwritable);
        model->setModified(1);
        window->resize(800, 700);
        QTRY_COMPARE(window->size(), QSize(800, 700));
        const QString titleBefore = window->windowTitle();
        QCOMPARE(titleBefore, QStringLiteral("work.vantelmidi* - Vantel MIDI"));

        BoxAnswerer answerer(static_cast<QMessageBox::StandardButton>(answer));
        QTest::keyClick(window.get(), Qt::Key_N, Qt::ControlModifier);
        if (answer == QMessageBox::Yes) {
            QTRY_COMPARE(answerer.boxes, 2);
            QCOMPARE(answerer.text, QStringLiteral("File save failed."));
        } else {
            QTRY_COMPARE(answerer.boxes, 1);
            QCOMPARE(answerer.title, QStringLiteral("Vantel MIDI"));
            QCOMPARE(answerer.text, QStringLiteral("Do you want to save changes?"));
            QCOMPARE(answerer.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            QCOMPARE(answerer.defaultButton, QMessageBox::Yes);
        }

        if (proceeds) {
            QVERIFY(model->projectFilePath().isNull());
            QVERIFY(!model->isModified());
            QCOMPARE(window->windowTitle(), QStringLiteral("Vantel MIDI"));
            QTRY_COMPARE(window->size(), QSize(679, 548 + window->menuBar()->height() + window->statusBar()->height()));
        } else {
            QCOMPARE(model->projectFilePath(), unwritable);
            QVERIFY(model->isModified());
            QCOMPARE(window->windowTitle(), titleBefore);
            QCOMPARE(window->size(), QSize(800, 700));
        }
    }

    void newWithoutChangesAsksNothing()
    {
        model->setProjectFilePath(QStringLiteral("/tmp/work.vantelmidi"));
        BoxAnswerer answerer(QMessageBox::Cancel);
        QTest::keyClick(window.get(), Qt::Key_N, Qt::ControlModifier);
        QTest::qWait(50);
        QCOMPARE(answerer.boxes, 0);
        QVERIFY(model->projectFilePath().isNull());
        QCOMPARE(window->windowTitle(), QStringLiteral("Vantel MIDI"));
    }

    void newKeepsProjectUnmodifiedThoughItChangesThings()
    {
        // Resizing and closing views during New must not mark the fresh project modified.
        auto* sub = window->mdiArea()->addSubWindow(new QLabel(QStringLiteral("view")));
        sub->show();
        QTest::keyClick(window.get(), Qt::Key_N, Qt::ControlModifier);
        QVERIFY(!model->isModified());
    }

    void closeAnswers_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closes");
        QTest::newRow("Cancel stays open") << int(QMessageBox::Cancel) << false;
        QTest::newRow("Yes with a failing save stays open") << int(QMessageBox::Yes) << false;
        QTest::newRow("No closes") << int(QMessageBox::No) << true;
    }
    void closeAnswers()
    {
        QFETCH(int, answer);
        QFETCH(bool, closes);
        model->setProjectFilePath(unwritable);
        model->setModified(1);
        BoxAnswerer answerer(static_cast<QMessageBox::StandardButton>(answer));
        QTimer::singleShot(0, window.get(), [this] { window->close(); });
        QTRY_COMPARE(answerer.boxes, answer == QMessageBox::Yes ? 2 : 1);
        QTRY_COMPARE(window->isVisible(), !closes);
        QCOMPARE(model->isModified(), !closes);
    }

    void closeWithoutChangesAsksNothing()
    {
        BoxAnswerer answerer(QMessageBox::Cancel);
        QVERIFY(window->close());
        QCOMPARE(answerer.boxes, 0);
        QVERIFY(!window->isVisible());
    }

    void closeAllAsksAndClosesViews()
    {
        auto* sub = window->mdiArea()->addSubWindow(new QLabel(QStringLiteral("view")));
        sub->show();
        QPointer<QMdiSubWindow> guard(sub);
        model->setProjectFilePath(QStringLiteral("/tmp/work.vantelmidi"));
        model->setModified(1);

        {
            BoxAnswerer answerer(QMessageBox::Cancel);
            openMenuAndClick(QStringLiteral("&Window"), menuAction(QStringLiteral("&Window"), 0));
            QTRY_COMPARE(answerer.boxes, 1);
            QVERIFY(guard);
            QVERIFY(model->isModified());
        }
        {
            BoxAnswerer answerer(QMessageBox::No);
            openMenuAndClick(QStringLiteral("&Window"), menuAction(QStringLiteral("&Window"), 0));
            QTRY_COMPARE(answerer.boxes, 1);
            QTRY_VERIFY(!guard);
            QVERIFY(model->projectFilePath().isNull());
            QVERIFY(!model->isModified());
            QCOMPARE(window->windowTitle(), QStringLiteral("Vantel MIDI"));
        }
    }

    void settingsFileBelowParentOfApplicationData()
    {
        // The suite sets XDG_DATA_HOME; the application-data folder is a child of it.
        const QString dataHome = QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME"));
        QVERIFY(!dataHome.isEmpty());
        const QString path = SettingsFile::path();
        QCOMPARE(path, QDir::cleanPath(dataHome) + QStringLiteral("/TESSIK/Vantel MIDI/VantelMIDI.ini"));
        // The window creates the folder when it is built.
        QVERIFY(QFileInfo(QFileInfo(path).absolutePath()).isDir());
    }

    void eventLoopPointerClearedWithTheWindow()
    {
        MainWindow::setEventLoopMainWindow(window.get());
        window.reset();
        QCOMPARE(MainWindow::eventLoopMainWindow(), nullptr);
        window = std::make_unique<MainWindow>(model.get());
    }

    void constructionLeavesProjectUnmodified()
    {
        auto second = std::make_unique<MainWindow>(model.get());
        QVERIFY(!model->isModified());
        QVERIFY(!model->isModifiedLocked());
        second.reset();
    }

    void inputHookLetsTypingThrough()
    {
        NativeEventFilter hook;
        qApp->installEventFilter(&hook);
        MainWindow::setEventLoopMainWindow(window.get());
        auto* edit = new QLineEdit;
        auto* sub = window->mdiArea()->addSubWindow(edit);
        sub->show();
        edit->setFocus();
        QTest::keyClicks(edit, QStringLiteral("az,.09"));
        QTest::mouseClick(edit, Qt::LeftButton);
        QCOMPARE(edit->text(), QStringLiteral("az,.09"));
        MainWindow::setEventLoopMainWindow(nullptr);
        qApp->removeEventFilter(&hook);
    }

private:
    const QString unwritable = QStringLiteral("/nonexistent-vantel-folder/work.vantelmidi");

    QAction* menuAction(const QString& title, int index)
    {
        return topMenu(window.get(), title)->actions().at(index);
    }

    // Opens a top-level menu by clicking its title in the menu bar, then clicks the entry.
    void openMenuAndClick(const QString& title, QAction* entry)
    {
        QMenu* menu = openMenu(window.get(), title);
        QVERIFY(menu);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(entry).center());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
