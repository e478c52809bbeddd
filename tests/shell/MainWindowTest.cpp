#include "MainWindow.h"
#include "SettingsFile.h"
#include "ShellTestSupport.h"
#include "SubWindowManager.h"
#include "VantelMidiModel.h"
#include "ViewKindTable.h"

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
        const QMenu* menu = topMenu(window.get(), title);
        QVERIFY(menu);
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
            QTRY_COMPARE(window->size(), QSize(679, 548 + window->menuBar()->height() + window->statusBar()->height()));
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
