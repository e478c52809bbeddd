#pragma once

#include "ModelAssistant.h"

#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>

#include <array>
#include <atomic>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class VantelMidiModel;

// The program's single top-level window: the menu bar, the multiple-document area every view lives
// in, the window title that follows the project's name and modified flag, and the questions asked
// before unsaved work is dropped. GUI thread only.
//
// It will also own the MIDI ports, the message analyzer, the bulk-interval manager and the
// PC-keyboard note engine for its whole life; their places are marked in the constructor and
// destructor, in the order they are built and torn down.
class MainWindow : public QMainWindow, public ModelAssistant
{
    Q_OBJECT

public:
    // Data values of the menu actions; each menu's slot dispatches on them.
    enum FileMenuItem : quint32 { FileNew = 0, FileOpen = 1, FileSave = 2, FileSaveAs = 3, FilePreferences = 4 };
    enum ViewsMenuItem : quint32 {
        ViewMidiInMonitor = 0,
        ViewMidiOutMonitor = 1,
        ViewKeyboard = 2,
        // 3 is the Control Change submenu, whose entries carry the controller number.
        ViewProgramChange = 4,
        ViewPitchBend = 5,
        ViewSystemExclusive = 6,
        ViewTimingClock = 7,
        ViewStartStop = 8,
        ViewActiveSensing = 9,
        ViewCustomMidiMessage = 10,
        ViewFilter = 11,
        ViewMidiSettings = 12,
        ViewPCKeyboard = 13,
    };
    enum CommandsMenuItem : quint32 { CommandClearMonitors = 0, CommandLogMidiIn = 1, CommandLogMidiOut = 2 };
    enum WindowMenuItem : quint32 { WindowCloseAll = 0, WindowCascade = 1, WindowTile = 2 };
    enum HelpMenuItem : quint32 { HelpAbout = 0, HelpOpenSourceLicense = 1, HelpSoftwareLicense = 2 };

    // The views that exist at most once, in their slot order.
    enum SingleViewSlot {
        SlotMidiInMonitor = 0,
        SlotMidiOutMonitor,
        SlotAbout,
        SlotFilter,
        SlotMidiSettings,
        SlotPCKeyboard,
        SlotOpenSourceLicense,
        SlotSoftwareLicense,
        SlotTimingClock,
        SlotStartStop,
        SlotActiveSensing,
        SlotPreferences,
        SingleViewSlotCount
    };

    static constexpr int DefaultWidth = 679;
    static constexpr int DefaultHeightBelowMenuBar = 548;

    // model is not owned and must outlive the window.
    explicit MainWindow(VantelMidiModel* model, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The window being built or alive; null before the first and after its destruction.
    static MainWindow* instance();
    // Set by the entry point while the event loop runs; the input hook forwards only while it is set.
    static MainWindow* eventLoopMainWindow();
    static void setEventLoopMainWindow(MainWindow* window);

    // Path of the settings file: "TESSIK/Vantel MIDI/VantelMIDI.ini" below the parent of the first
    // application-data folder; empty when there is none.
    static QString settingsFilePath();
    // Whether the settings file holds a saved window layout (group "SavePosition").
    static bool hasSavedWindowPositions();

    void parameterChanged(qint32 id) override;

    VantelMidiModel* model() const { return vantelModel; }
    QMdiArea* mdiArea() const { return area; }
    const QList<QAction*>& viewActions() const { return views; }

    bool isLoadingProject() const { return loadingProject; }
    void setStartedWithFile(bool value) { startedWithFile = value; }
    bool isStartedWithFile() const { return startedWithFile; }

    // 679 x (548 + menu bar height); meaningful once the window is shown and the menu bar laid out.
    void resizeToDefault();

    // Deletes the About window if it is open; returns whether it was.
    bool closeAboutView();
    void showErrorMessage(const QString& text);
    // Yes, No or Cancel.
    QMessageBox::StandardButton askSaveChanges();

    // Closes every sub-window without marking the project modified.
    void closeAllViews();

public Q_SLOTS:
    void fileMenuSelected(QAction* action);
    void viewsMenuSelected(QAction* action);
    void controlChangeMenuSelected(QAction* action);
    void commandsMenuSelected(QAction* action);
    void windowMenuSelected(QAction* action);
    void helpMenuSelected(QAction* action);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildFileMenu();
    void buildViewsMenu();
    void buildCommandsMenu();
    void buildWindowMenu();
    void buildHelpMenu();
    QAction* addItem(QMenu* menu, const QString& text, const char* shortcut, quint32 data);

    // When the project has unsaved changes, asks whether to save them. True when the caller may
    // go on: nothing to save, "No", or "Yes" and the save succeeded.
    bool settleUnsavedChanges();
    // Writes the project to its file. Project files are not supported yet, so there is nothing
    // that could be written: it reports failure, and every action that asked stops with the
    // project left as it was.
    bool saveProject();
    void updateWindowTitle();

    VantelMidiModel* vantelModel = nullptr;
    QMdiArea* area = nullptr;
    QList<QAction*> views;
    QIcon subWindowIcon;
    bool shownOnce = false;
    bool startedWithFile = false;
    bool loadingProject = false;
    bool closing = false;
    std::array<QPointer<QMdiSubWindow>, SingleViewSlotCount> singleViews;
    QPointer<QMenu> inputPortMenu;
    QPointer<QMenu> outputPortMenu;
    QPointer<QMenu> commandsMenu;

    static std::atomic<MainWindow*> mainWindowInstance;
    static std::atomic<MainWindow*> eventLoopWindow;
};
