#include "MainWindow.h"
#include "SettingsFile.h"
#include "ShellTestSupport.h"
#include "SubWindowManager.h"
#include "VantelMidiModel.h"
#include "ViewKindTable.h"
#include "WindowRestorationInfo.h"

#include <QAction>
#include <QApplication>
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

const char* menuTitle(ViewMenu menu)
{
    switch (menu) {
    case ViewMenu::File:
        return "&File";
    case ViewMenu::Views:
        return "&Views";
    case ViewMenu::Help:
        return "&Help";
    case ViewMenu::None:
        break;
    }
    return nullptr;
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

    void menuEntriesAndShortcutsOpenTheirViews()
    {
        // Every view entry of the menus, clicked as the user would, opens its view (the About
        // window included); so does its shortcut.
        int entries = 0;
        for (const ViewKindRow& row : ViewKindTable::rows()) {
            if (row.menu == ViewMenu::None || row.submenu)
                continue;
            ++entries;
            window->subWindows()->closeAll();
            QVERIFY2(chooseFromMenu(window.get(), menuTitle(row.menu), row.menuText), row.menuText);
            QMdiSubWindow* open = window->subWindows()->singleView(row.kind);
            QVERIFY2(open && open->isVisible(), row.menuText);
            QCOMPARE(open->windowTitle(), row.title());
            if (!row.shortcut)
                continue;
            window->subWindows()->closeAll();
            QTest::keySequence(window.get(), QKeySequence(QString::fromLatin1(row.shortcut)));
            QVERIFY2(window->subWindows()->singleView(row.kind), row.shortcut);
        }
        QCOMPARE(entries, 17);
        // The views have tool bars of their own; the window has none.
        QVERIFY(window->findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly).isEmpty());
    }

    void controlChangeSubmenuOpensTheChosenController()
    {
        QMenu* views = openMenu(window.get(), "&Views");
        QVERIFY(views);
        QAction* entry = findEntry(views, "&Control Change");
        QVERIFY(entry && entry->menu());
        QTest::mouseClick(views, Qt::LeftButton, {}, views->actionGeometry(entry).center());
        QMenu* controllers = entry->menu();
        QTRY_VERIFY(controllers->isVisible());
        QCOMPARE(controllers->actions().size(), 128);
        QAction* volume = findEntry(controllers, "007 Volume");
        QVERIFY(volume);
        QTest::mouseClick(controllers, Qt::LeftButton, {}, controllers->actionGeometry(volume).center());
        QTRY_VERIFY(window->subWindows()->singleView(ViewKind::ControlChange));
        auto* view = dynamic_cast<WindowRestorationInfo*>(
            window->subWindows()->singleView(ViewKind::ControlChange)->widget());
        QVERIFY(view);
        QCOMPARE(view->extraValues.value(0).toInt(), 7);
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

    void saveQuestion_data()
    {
        QTest::addColumn<bool>("close");
        QTest::addColumn<int>("answer"); // 0: nothing changed, nothing asked
        QTest::addColumn<bool>("proceeds");
        for (bool close : {false, true}) {
            const char* command = close ? "Close" : "New";
            QTest::addRow("%s: Cancel keeps everything", command)
                << close << int(QMessageBox::Cancel) << false;
            // The project's folder does not exist: the save fails and the command stops.
            QTest::addRow("%s: Yes with a failing save keeps everything", command)
                << close << int(QMessageBox::Yes) << false;
            QTest::addRow("%s: No discards", command) << close << int(QMessageBox::No) << true;
            QTest::addRow("%s: nothing changed, nothing asked", command) << close << 0 << true;
        }
    }
    void saveQuestion()
    {
        QFETCH(bool, close);
        QFETCH(int, answer);
        QFETCH(bool, proceeds);
        model->setProjectFilePath(unwritable);
        model->setModified(answer != 0);
        window->resize(800, 700);
        QTRY_COMPARE(window->size(), QSize(800, 700));
        const QString titleBefore = window->windowTitle();

        BoxAnswerer answerer(answer ? static_cast<QMessageBox::StandardButton>(answer) : QMessageBox::Cancel);
        if (close)
            QTimer::singleShot(0, window.get(), [this] { window->close(); });
        else
            QTest::keyClick(window.get(), Qt::Key_N, Qt::ControlModifier);
        QTRY_COMPARE(window->isVisible(), !(close && proceeds));
        QTRY_COMPARE(answerer.boxes, answer == QMessageBox::Yes ? 2 : answer ? 1 : 0);
        if (answer == QMessageBox::Yes) {
            QCOMPARE(answerer.text, QStringLiteral("File save failed."));
        } else if (answer) {
            QCOMPARE(answerer.title, QStringLiteral("Vantel MIDI"));
            QCOMPARE(answerer.text, QStringLiteral("Do you want to save changes?"));
            QCOMPARE(answerer.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            QCOMPARE(answerer.defaultButton, QMessageBox::Yes);
        }
        QCOMPARE(model->isModified(), answer != 0 && !proceeds);
        if (close)
            return;
        if (proceeds) {
            QVERIFY(model->projectFilePath().isNull());
            QCOMPARE(window->windowTitle(), QStringLiteral("Vantel MIDI"));
            QTRY_COMPARE(window->size(),
                         QSize(679, 548 + window->menuBar()->height() + window->statusBar()->height()));
        } else {
            QCOMPARE(model->projectFilePath(), unwritable);
            QCOMPARE(window->windowTitle(), titleBefore);
            QCOMPARE(window->size(), QSize(800, 700));
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

private:
    const QString unwritable = QStringLiteral("/nonexistent-vantel-folder/work.vantelmidi");
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
