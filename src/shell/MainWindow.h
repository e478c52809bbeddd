#pragma once

#include "ModelAssistant.h"
#include "ViewHost.h"

#include <QMainWindow>

#include <atomic>
#include <memory>

class KeyboardNoteEventManager;
class LogFileCommands;
class MainMenus;
class MidiSession;
class MonitorRefresh;
class ProjectCommands;
class QMdiArea;
class SubWindowManager;
class VantelMidiModel;

// The program's single top-level window: the menu bar, the multiple-document area every view lives
// in, the status bar with the device news, the window title that follows the project's name and
// modified flag, the save question before it closes, and the refresh tick. Its jobs belong to a
// few classes with one job each, which it builds and connects:
//   MidiSession       ports, analyzer, bulk pacing and the guarded send operation;
//   SubWindowManager  the area: opening, limiting, restoring and placing views (from ViewKindTable);
//   MainMenus         the menus and what their entries do (PortMenus the InputPort and OutputPort menus);
//   MonitorRefresh    the 100 ms tick that feeds monitors and system-exclusive views;
//   SettingsFile      the settings file, WindowLayout the layout saved in it and in projects;
//   ProjectCommands   the save question, opening and saving project files (ProjectFileHelper);
//   LogFileCommands   the Commands entries that write the monitors to log files;
//   FileDropHandler   files dropped on the area.
// It is the ViewHost of every view it opens.
//
// Threads: everything here runs on the GUI thread except sendToOutputPorts, which any sender may
// call at any time (see MidiSession). The analyzer's log-failure signals come from its log writer's
// thread and reach the window through queued connections.
class MainWindow : public QMainWindow, public ModelAssistant, public ViewHost
{
    Q_OBJECT

public:
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
    QMdiArea* mdiArea() const;
    SubWindowManager* subWindows() const { return subWindowManager; }
    MidiSession* midiSession() const { return session.get(); }
    MonitorRefresh* monitors() const { return refresh.get(); }
    ProjectCommands* projects() const { return projectCommands.get(); }
    MainMenus* menus() const { return mainMenus; }
    int refreshTimerId() const { return timerId; }

    // A project named on the command line: opened instead of the saved layout.
    void setStartedWithFile(bool value) { startedWithFile = value; }
    bool openProject(const QString& path);

    // 679 x (548 + menu bar height); meaningful once the window is shown and the menu bar laid out.
    void resizeToDefault();
    // File > New: after the save question, the window at its default size with the default layout
    // and an untitled project.
    void newProject();
    // Window > Close All: after the save question, no views and an untitled project.
    void closeProject();
    // The title from the project's name and modified flag.
    void updateWindowTitle();

    // A key of the computer keyboard for the note engine (see KeyboardNoteEventManager::keyCode);
    // true when it played or ended a note and must not reach the focused widget.
    bool pcKeyPress(quint8 key, bool autoRepeat = false, quint64 timestamp = 0);
    bool pcKeyRelease(quint8 key, bool autoRepeat = false, quint64 timestamp = 0);

    // ViewHost.
    bool sendToOutputPorts(const quint8* bytes, quint32 length, quint8 labelKind, quint32 portSelection,
                           bool skipPacing = false, bool forceLong = false, quint64 passThrough = 0,
                           bool direct = false, quint32* sendTimeOut = nullptr) override;
    QMdiSubWindow* openEditView(qint32 editKind, const QSize& contentSize,
                                const QString& initialText) override;
    void releaseKeyboardKeys() override;
    bool isLoadingProject() const override;
    void showErrorMessage(const QString& text) override;
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

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    // The settings file: everything but the layout and the ports (read during construction,
    // written at destruction); the layout is written at the first accepted close and restored at
    // the first show unless a project was named on the command line.
    void loadSettings();
    void saveSettings();
    void addStatusBar();

    VantelMidiModel* vantelModel = nullptr;
    int timerId = 0;
    std::unique_ptr<MidiSession> session;
    std::unique_ptr<MonitorRefresh> refresh;
    // Plays notes from the computer keyboard whether or not its view is open.
    std::unique_ptr<KeyboardNoteEventManager> noteEngine;
    SubWindowManager* subWindowManager = nullptr;
    MainMenus* mainMenus = nullptr;
    std::unique_ptr<ProjectCommands> projectCommands;
    std::unique_ptr<LogFileCommands> logs;
    bool shownOnce = false;
    bool startedWithFile = false;
    bool closing = false;

    static std::atomic<MainWindow*> eventLoopWindow;
};
