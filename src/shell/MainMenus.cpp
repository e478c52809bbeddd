#include "MainMenus.h"

#include "LogFileCommands.h"
#include "MonitorRefresh.h"
#include "PortMenus.h"
#include "ProjectCommands.h"
#include "SubWindowManager.h"

#include <QAction>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>

MainMenus::MainMenus(QMainWindow* aWindow, SubWindowManager* theViews, ProjectCommands* theProjects,
                     LogFileCommands* theLogs, MonitorRefresh* theMonitors, MidiHub* hub,
                     VantelMidiModel* model, ViewHost* host)
    : QObject(aWindow), window(aWindow), views(theViews), projects(theProjects), logs(theLogs),
      monitors(theMonitors)
{
    buildFileMenu();
    // The port menus get their entries from the host's device list each time they open.
    ports = new PortMenus(window->menuBar(), hub, model, host, this);
    views->setPortMenus(ports);
    buildViewMenu(tr("&Views"), ViewMenu::Views);
    buildCommandsMenu();
    buildWindowMenu();
    buildViewMenu(tr("&Help"), ViewMenu::Help);
}

QAction* MainMenus::addItem(QMenu* menu, const QString& text, const char* shortcut)
{
    QAction* action = menu->addAction(text);
    if (shortcut)
        action->setShortcut(QKeySequence(tr(shortcut)));
    return action;
}

QAction* MainMenus::addCommand(QMenu* menu, const QString& text, const char* shortcut,
                               std::function<void()> command)
{
    QAction* action = addItem(menu, text, shortcut);
    connect(action, &QAction::triggered, this, [this, command = std::move(command)] {
        views->closeAbout();
        command();
    });
    return action;
}

void MainMenus::buildFileMenu()
{
    QMenu* menu = window->menuBar()->addMenu(tr("&File"));
    addCommand(menu, QStringLiteral("&New"), QT_TR_NOOP("Ctrl+N"), [this] { Q_EMIT newChosen(); });
    addCommand(menu, QStringLiteral("&Open..."), QT_TR_NOOP("Ctrl+O"),
               [this] { projects->openProject(QString()); });
    addCommand(menu, QStringLiteral("&Save"), QT_TR_NOOP("Ctrl+S"), [this] { projects->saveProject(); });
    addCommand(menu, QStringLiteral("Save &As..."), QT_TR_NOOP("Shift+Ctrl+S"),
               [this] { projects->saveProjectAs(); });
    addViewEntries(menu, ViewMenu::File);
    menu->addSeparator();
    // As the window's close button: the save question included.
    QAction* quit = addCommand(menu, QStringLiteral("&Quit"), nullptr, [this] { window->close(); });
    // The platform's Quit keys; platforms that define none (Windows) get Ctrl+Q as well.
    const QList<QKeySequence> quitKeys = QKeySequence::keyBindings(QKeySequence::Quit);
    quit->setShortcuts(quitKeys.isEmpty() ? QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Q)}
                                          : quitKeys);
}

QMenu* MainMenus::buildViewMenu(const QString& title, ViewMenu which)
{
    bool any = false;
    for (const ViewKindRow& row : ViewKindTable::rows())
        any = any || (row.menu == which && row.isAvailable());
    if (!any)
        return nullptr;
    QMenu* menu = window->menuBar()->addMenu(title);
    addViewEntries(menu, which);
    return menu;
}

void MainMenus::addViewEntries(QMenu* menu, ViewMenu which)
{
    // In the table's order; views that cannot be built have no entry.
    for (const ViewKindRow& row : ViewKindTable::rows()) {
        if (row.menu != which || !row.isAvailable())
            continue;
        if (row.separatorBefore && !menu->isEmpty())
            menu->addSeparator();
        const QString text = QString::fromUtf8(row.menuText);
        if (!row.submenu) {
            connect(addItem(menu, text, row.shortcut), &QAction::triggered, this,
                    [this, &row] { openView(row, {}); });
            continue;
        }
        QMenu* submenu = menu->addMenu(text);
        const QStringList entries = row.submenu();
        for (int index = 0; index < entries.size(); ++index)
            connect(addItem(submenu, entries.at(index), nullptr), &QAction::triggered, this,
                    [this, &row, index] { openView(row, {QVariant(quint32(index))}); });
    }
}

void MainMenus::openView(const ViewKindRow& row, const QList<QVariant>& extraValues)
{
    // Choosing the About entry again leaves the About window as it is.
    if (row.sizeRule != ViewSizeRule::CentredBanner)
        views->closeAbout();
    views->openView(row.kind, extraValues);
}

void MainMenus::buildCommandsMenu()
{
    QMenu* menu = window->menuBar()->addMenu(tr("&Commands"));
    addCommand(menu, QStringLiteral("&Clear All MIDI Monitors"), QT_TR_NOOP("Ctrl+Shift+D"),
               [this] { monitors->clearMonitors(); });
    logs->addEntries(menu);
    for (LogFileCommands::Direction direction : {LogFileCommands::In, LogFileCommands::Out})
        connect(logs->entry(direction), &QAction::triggered, this, [this, direction] {
            views->closeAbout();
            logs->toggled(direction);
        });
}

void MainMenus::buildWindowMenu()
{
    QMenu* menu = window->menuBar()->addMenu(tr("&Window"));
    addCommand(menu, QStringLiteral("Close &All"), nullptr, [this] { Q_EMIT closeAllChosen(); });
    addCommand(menu, QStringLiteral("&Cascade"), nullptr, [this] {
        window->setUpdatesEnabled(false);
        views->area()->cascadeSubWindows();
        window->setUpdatesEnabled(true);
    });
    addCommand(menu, QStringLiteral("&Tile"), nullptr, [this] {
        window->setUpdatesEnabled(false);
        views->area()->tileSubWindows();
        window->setUpdatesEnabled(true);
    });
}
