#pragma once

#include "ViewKindTable.h"

#include <QObject>

class LogFileCommands;
class MidiHub;
class MonitorRefresh;
class PortMenus;
class ProjectCommands;
class QAction;
class QMainWindow;
class QMenu;
class SubWindowManager;
class VantelMidiModel;
class ViewHost;

// The main window's menu bar: File, InputPort, OutputPort, Views, Commands, Window and Help, and
// what their entries do. The view entries (Preferences in File, the Views menu with its Control
// Change submenu, the Help entries) are made from the view-kind table. Every command but the About
// entry itself first closes the About window. New and Close All concern the whole window and are
// handed back to it. GUI thread only.
class MainMenus : public QObject
{
    Q_OBJECT

public:
    // None is owned; all outlive the menus. host opens ports and reports failures for the port menus.
    MainMenus(QMainWindow* window, SubWindowManager* views, ProjectCommands* projects, LogFileCommands* logs,
              MonitorRefresh* monitors, MidiHub* hub, VantelMidiModel* model, ViewHost* host);

    PortMenus* portMenus() const { return ports; }

Q_SIGNALS:
    void newChosen();
    void closeAllChosen();

private:
    void buildFileMenu();
    void buildCommandsMenu();
    void buildWindowMenu();
    // The table's entries of that menu; null when it has none.
    QMenu* buildViewMenu(const QString& title, ViewMenu which);
    void addViewEntries(QMenu* menu, ViewMenu which);
    void openView(const ViewKindRow& row, const QList<QVariant>& extraValues);
    QAction* addItem(QMenu* menu, const QString& text, const char* shortcut);
    // The entry runs command after the About window is closed.
    QAction* addCommand(QMenu* menu, const QString& text, const char* shortcut,
                        std::function<void()> command);

    QMainWindow* window;
    SubWindowManager* views;
    ProjectCommands* projects;
    LogFileCommands* logs;
    MonitorRefresh* monitors;
    PortMenus* ports = nullptr;
};
