#pragma once

#include "ModelAssistant.h"
#include "ViewHost.h"
#include "ViewKindTable.h"

#include <QList>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QRect>
#include <QVariant>

#include <atomic>
#include <memory>

class KeyboardNoteEventManager;
class LogFileCommands;
class MidiAnalyzer;
class MidiBulkIntervalManager;
class MidiEditView;
class MidiSession;
class MonitorRefresh;
class PortMenus;
class ProjectCommands;
class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QMimeData;
class SubWindowManager;
class VantelMidiModel;

// The program's single top-level window: the menu bar, the multiple-document area every view lives
// in, the window title that follows the project's name and modified flag, and the questions asked
// before unsaved work is dropped. It hands its jobs to a few classes with one job each and keeps
// the operations the rest of the program calls as short calls into them:
//   MidiSession       ports, analyzer, bulk pacing and the guarded send operation;
//   SubWindowManager  opening, limiting, restoring and placing views (from ViewKindTable);
//   PortMenus         the InputPort and OutputPort menus;
//   MonitorRefresh    the 100 ms tick that feeds monitors and system-exclusive views;
//   SettingsFile      the settings file, WindowLayout the layout saved in it and in projects;
//   ProjectCommands   opening and saving project files (ProjectFileHelper, ProjectFileFormat);
//   LogFileCommands   the Commands entries that write the monitors to log files.
// It is the ViewHost of every view it opens.
//
// Threads: everything here runs on the GUI thread except sendToOutputPorts, which any sender may
// call at any time (see MidiSession). The analyzer's log-failure signals come from its log writer's
// thread and reach the window through queued connections.
class MainWindow : public QMainWindow, public ModelAssistant, public ViewHost
{
    Q_OBJECT

public:
    // Data values of the menu actions; each menu's slot dispatches on them. The Views menu's data
    // are the view-kind table's.
    enum FileMenuItem : quint32
    {
        FileNew = 0,
        FileOpen = 1,
        FileSave = 2,
        FileSaveAs = 3,
        FilePreferences = 4,
        FileQuit = 5
    };
    enum CommandsMenuItem : quint32
    {
        CommandClearMonitors = 0,
        CommandLogMidiIn = 1,
        CommandLogMidiOut = 2
    };
    enum WindowMenuItem : quint32
    {
        WindowCloseAll = 0,
        WindowCascade = 1,
        WindowTile = 2
    };
    enum HelpMenuItem : quint32
    {
        HelpAbout = 0,
        HelpOpenSourceLicense = 1,
        HelpSoftwareLicense = 2
    };

    static constexpr int DefaultWidth = 679;
    static constexpr int DefaultHeightBelowMenuBar = 548;

    // model is not owned and must outlive the window.
    explicit MainWindow(VantelMidiModel* model, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Set by the entry point while the event loop runs; the input hook forwards only while it is set.
    static MainWindow* eventLoopMainWindow();
    static void setEventLoopMainWindow(MainWindow* window);

    void parameterChanged(qint32 id) override;

    VantelMidiModel* model() const { return vantelModel; }
    QMdiArea* mdiArea() const { return area; }
    SubWindowManager* subWindows() const { return subWindowManager; }
    const QList<QAction*>& viewActions() const { return views; }

    bool isLoadingProject() const override { return loadingProject; }
    void setStartedWithFile(bool value) { startedWithFile = value; }
    bool isStartedWithFile() const { return startedWithFile; }

    // 679 x (548 + menu bar height); meaningful once the window is shown and the menu bar laid out.
    void resizeToDefault();

    // Deletes the About window if it is open; returns whether it was.
    bool closeAboutView();
    // A key of the computer keyboard for the note engine (see KeyboardNoteEventManager::keyCode);
    // true when it played or ended a note and must not reach the focused widget.
    bool pcKeyPress(quint8 key, bool autoRepeat = false, quint64 timestamp = 0);
    bool pcKeyRelease(quint8 key, bool autoRepeat = false, quint64 timestamp = 0);
    void showErrorMessage(const QString& text) override;
    // Yes, No or Cancel.
    QMessageBox::StandardButton askSaveChanges();

    // Project files (see ProjectCommands). openProject asks about unsaved changes and, without a
    // path, for a file; loadProject loads without asking, marking the time of loading.
    bool openProject(const QString& path);
    bool loadProject(const QString& path);
    bool saveProject();
    bool saveProjectAs();
    bool saveProjectTo(const QString& path);
    // The title from the project's name and modified flag.
    void updateWindowTitle();

    // The settings file: everything but the layout and the ports (read during construction,
    // written at destruction), and the layout (written at the first accepted close, restored at
    // the first show unless a project was named on the command line).
    void loadSettings();
    void saveSettings();
    void saveWindowPositions();
    void restoreWindowPositions();

    // Closes every sub-window without marking the project modified.
    void closeAllViews();
    // Closes everything and opens the MIDI In and Out monitors and a system-exclusive editor.
    void resetLayout();
    // Opens a view of a kind of the view-kind table (see SubWindowManager::openView).
    QMdiSubWindow* openView(qint32 kind, const QList<QVariant>& extraValues = {});
    QMdiSubWindow* restoreView(qint32 kind, bool stayOnTop, const QRect& geometry, Qt::WindowStates state,
                               const QList<QVariant>& extraValues);
    static void applyGeometry(QWidget* window, const QRect& rectangle);
    static QRect fitToScreens(const QRect& rectangle);
    static bool isNormalState(const QWidget* window);
    QRect normalGeometry(const QWidget* window) const;
    void rememberGeometry(QMdiSubWindow* subWindow);

    // The views the refresh tick feeds, closed ones left out.
    QList<MidiEditView*> inAndSystemExclusiveViews() const;
    QList<MidiEditView*> outMonitorViews() const;

    bool eventFilter(QObject* watched, QEvent* event) override;

    // ViewHost.
    bool sendToOutputPorts(const quint8* bytes, quint32 length, quint8 labelKind, quint32 portSelection,
                           bool skipPacing = false, bool forceLong = false, quint64 passThrough = 0,
                           bool direct = false, quint32* sendTimeOut = nullptr) override;
    QMdiSubWindow* openEditView(qint32 editKind, const QSize& contentSize,
                                const QString& initialText) override;
    void releaseKeyboardKeys() override;
    // An open that fails shows "Port open failed." and leaves the port not connected; the name the
    // port ends with is written to the settings file at once.
    bool openInputPort(quint32 port, quint32 deviceIndex) override;
    bool openOutputPort(quint32 port, quint32 deviceIndex) override;
    bool closeInputPort(quint32 port) override;
    bool closeOutputPort(quint32 port) override;
    void inputPortChoices(quint32 port, QStringList* choices, qint32* index) override;
    void outputPortChoices(quint32 port, QStringList* choices, qint32* index) override;
    QString inputPortName(quint32 port) const override;
    QString outputPortName(quint32 port) const override;

    MidiAnalyzer* midiAnalyzer() const;
    MidiBulkIntervalManager* bulkManager() const;
    int refreshTimerId() const { return timerId; }

Q_SIGNALS:
    void notifyInputPortListUpdated();
    void notifyOutputPortListUpdated();

public Q_SLOTS:
    void fileMenuSelected(QAction* action);
    void viewsMenuSelected(QAction* action);
    void controlChangeMenuSelected(QAction* action);
    void commandsMenuSelected(QAction* action);
    void windowMenuSelected(QAction* action);
    void helpMenuSelected(QAction* action);
    void inputPortMenuSelected(QAction* action);
    void outputPortMenuSelected(QAction* action);
    void updateInputPortList();
    void updateOutputPortList();
    void errorHandlingForWriteTransmittedDataFailed();
    void errorHandlingForWriteReceivedDataFailed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void buildFileMenu();
    void buildViewsMenu();
    void buildCommandsMenu();
    void buildWindowMenu();
    void buildHelpMenu();
    QAction* addItem(QMenu* menu, const QString& text, const char* shortcut, quint32 menuData);

    // When the project has unsaved changes, asks whether to save them. True when the caller may
    // go on: nothing to save, "No", or "Yes" and the save succeeded.
    bool settleUnsavedChanges();
    void logWriteFailed(quint32 commandData, const QString& text);

    bool mdiAreaEvent(QEvent* event);
    // The complete suffix of the first dropped item, or an empty text.
    static QString droppedSuffix(const QMimeData* data);

    VantelMidiModel* vantelModel = nullptr;
    QMdiArea* area = nullptr;
    int timerId = 0;
    QList<QAction*> views;
    std::unique_ptr<MidiSession> session;
    std::unique_ptr<MonitorRefresh> refresh;
    // Plays notes from the computer keyboard whether or not its view is open.
    std::unique_ptr<KeyboardNoteEventManager> noteEngine;
    SubWindowManager* subWindowManager = nullptr;
    PortMenus* portMenus = nullptr;
    std::unique_ptr<ProjectCommands> projects;
    std::unique_ptr<LogFileCommands> logs;
    bool shownOnce = false;
    bool startedWithFile = false;
    bool loadingProject = false;
    bool closing = false;
    QPointer<QMenu> commandsMenu;

    static std::atomic<MainWindow*> eventLoopWindow;
};
