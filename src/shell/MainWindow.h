#pragma once

#include "ModelAssistant.h"
#include "ViewHost.h"

#include <QHash>
#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPointer>
#include <QRect>
#include <QVariant>
#include <QStringList>

#include <array>
#include <atomic>
#include <memory>

class MidiAnalyzer;
class MidiBulkIntervalManager;
class MidiEditView;
class MidiHub;
class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QMimeData;
class VantelMidiModel;

// The program's single top-level window: the menu bar, the multiple-document area every view lives
// in, the window title that follows the project's name and modified flag, the questions asked
// before unsaved work is dropped, the port menus, and the owner of the MIDI ports, the message
// analyzer and the bulk-interval manager for its whole life.
//
// Threads: everything here runs on the GUI thread except sendToOutputPorts, which any sender may
// call at any time (views, the editor's transmission threads, the clock threads and the analyzer's
// thru path on the receive threads). It holds no lock: it reads the hub through an atomic pointer
// and counts the calls in flight, so that the destructor can withdraw the hub, wait for the sends
// already inside it to return, and only then delete the ports. The analyzer's log-failure signals
// come from its log writer's thread and reach the window through queued connections.
class MainWindow : public QMainWindow, public ModelAssistant, public ViewHost
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

    // Device index of the "Not Connected" entries of the port menus.
    static constexpr quint32 NoDevice = 0xFFFFFFFFu;
    static constexpr int RefreshIntervalMs = 100;

    // The views that may be open several times, in their list order, and how many of each.
    enum MultiViewList {
        ListSystemExclusive = 0,
        ListControlChange,
        ListKeyboard,
        ListProgramChange,
        ListPitchBend,
        ListCustomMidiMessage,
        MultiViewListCount
    };
    static constexpr int multiViewLimit(int list)
    {
        return list == ListKeyboard || list == ListProgramChange || list == ListPitchBend ? 16 : 32;
    }

    // Edit kinds of openEditView.
    enum EditKind : qint32 { EditInMonitor = 0, EditOutMonitor = 1, EditSystemExclusive = 2, EditSystemExclusiveReceive = 3 };

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

    bool isLoadingProject() const override { return loadingProject; }
    void setStartedWithFile(bool value) { startedWithFile = value; }
    bool isStartedWithFile() const { return startedWithFile; }

    // 679 x (548 + menu bar height); meaningful once the window is shown and the menu bar laid out.
    void resizeToDefault();

    // Deletes the About window if it is open; returns whether it was.
    bool closeAboutView();
    void showErrorMessage(const QString& text) override;
    // Yes, No or Cancel.
    QMessageBox::StandardButton askSaveChanges();

    // Closes every sub-window without marking the project modified.
    void closeAllViews();
    // Closes everything and opens the MIDI In and Out monitors and a system-exclusive editor.
    void resetLayout();
    // Recreates a saved view (kinds of WindowRestorationInfo) at its rectangle; null when the kind
    // is unknown or its opener refuses.
    QMdiSubWindow* restoreView(qint32 kind, bool stayOnTop, const QRect& geometry, Qt::WindowStates state,
                               const QList<QVariant>& extraValues);
    // A fixed-size window only moves; any other takes the rectangle.
    static void applyGeometry(QWidget* window, const QRect& rectangle);
    // The rectangle when it overlaps some screen by at least 100 x 100; otherwise its size placed
    // 50, 50 inside the primary screen's available area.
    static QRect fitToScreens(const QRect& rectangle);
    static bool isNormalState(const QWidget* window);
    QRect normalGeometry(const QWidget* window) const;
    void rememberGeometry(QMdiSubWindow* subWindow);
    // "Pitch &Bend" -> "Pitch Bend", "&Preferences..." -> "Preferences".
    static QString viewTitle(const QString& menuText);
    // Whether the sub-window may stay maximised (the maximise rule).
    static bool mayMaximize(const QMdiSubWindow* subWindow);

    QMdiSubWindow* singleView(int slot) const { return singleViews[size_t(slot)]; }
    // Open views of a list, closed ones dropped.
    QList<QMdiSubWindow*> multiViewList(int list);

    // The views the refresh tick feeds, closed ones left out.
    QList<MidiEditView*> inAndSystemExclusiveViews() const;
    QList<MidiEditView*> outMonitorViews() const;

    bool eventFilter(QObject* watched, QEvent* event) override;

    // ViewHost.
    bool sendToOutputPorts(const quint8* bytes, quint32 length, quint8 labelKind, quint32 portSelection,
                           bool skipPacing = false, bool forceLong = false, quint64 passThrough = 0,
                           bool direct = false, quint32* sendTimeOut = nullptr) override;
    QMdiSubWindow* openEditView(const QString& menuText, qint32 editKind, const QSize& contentSize,
                                const QString& initialText) override;
    void releaseKeyboardKeys() override;

    // Port selection, for the port menus and the MIDI settings view. port: 0 Port1, 1 Port2.
    // deviceIndex: the place in the host's device list of the last choice list, NoDevice for none.
    // An open that fails shows "Port open failed." and leaves the port not connected; the name the
    // port ends with is written to the settings file at once. false exactly when the open failed.
    bool openInputPort(quint32 port, quint32 deviceIndex) override;
    bool openOutputPort(quint32 port, quint32 deviceIndex) override;
    // true when an open port was closed.
    bool closeInputPort(quint32 port) override;
    bool closeOutputPort(quint32 port) override;
    // "Not Connected" and the host's devices of that direction, listed now; index receives the
    // place of the port's current name in the list, 0 when it is not there.
    void inputPortChoices(quint32 port, QStringList* choices, qint32* index) override;
    void outputPortChoices(quint32 port, QStringList* choices, qint32* index) override;
    QString inputPortName(quint32 port) const override;
    QString outputPortName(quint32 port) const override;

    MidiAnalyzer* midiAnalyzer() const { return analyzer.get(); }
    int refreshTimerId() const { return timerId; }
    MidiBulkIntervalManager* bulkManager() const { return bulkIntervalManager.get(); }

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
    QAction* addItem(QMenu* menu, const QString& text, const char* shortcut, quint32 data);

    // When the project has unsaved changes, asks whether to save them. True when the caller may
    // go on: nothing to save, "No", or "Yes" and the save succeeded.
    bool settleUnsavedChanges();
    // Writes the project to its file. Project files are not supported yet, so there is nothing
    // that could be written: it reports failure, and every action that asked stops with the
    // project left as it was.
    bool saveProject();
    void updateWindowTitle();

    // Builds a port menu from the host's device list: "Not Connected" first, one checkable entry
    // per device, the port's device checked; a port whose device is gone is closed.
    void rebuildPortMenu(QMenu* menu, bool input);
    // Reads the settings file; for now the port names, which reopen the ports silently.
    void loadSettings();
    void writePortName(bool input, quint32 port, const QString& name);
    void logWriteFailed(quint32 commandData, const QString& text);

    // The steps every opener shares, before and after its own size rule.
    QMdiSubWindow* addViewSubWindow(QWidget* view, const QString& objectName);
    void finishViewSubWindow(QMdiSubWindow* subWindow, const QString& menuText);
    static void removeStayOnTopAction(QMdiSubWindow* subWindow);
    // Opens the single view of a slot, or activates it when it is open.
    QMdiSubWindow* openSingleEditView(int slot, const QString& menuText, qint32 editKind);
    bool multiViewHasRoom(int list, const QString& title);
    void showViewLimitWarning(const QString& title);
    void applyMaximizeRule();
    bool isMdiAreaObject(const QObject* object) const;
    bool mdiAreaEvent(QEvent* event);
    // The complete suffix of the first dropped item, or an empty text.
    static QString droppedSuffix(const QMimeData* data);
    void feedViews();

    VantelMidiModel* vantelModel = nullptr;
    QMdiArea* area = nullptr;
    int timerId = 0;
    QList<QPointer<MidiEditView>> monitorViewsA; // MIDI In monitors and system-exclusive views
    QList<QPointer<MidiEditView>> monitorViewsB; // MIDI Out monitors
    QList<QAction*> views;
    std::unique_ptr<MidiAnalyzer> analyzer;
    // The MIDI client and the four ports.
    std::unique_ptr<MidiHub> hub;
    std::unique_ptr<MidiBulkIntervalManager> bulkIntervalManager;
    // What sendToOutputPorts uses; null once the destructor has begun.
    std::atomic<MidiHub*> sendHub{nullptr};
    std::atomic<int> sendsInFlight{0};
    QIcon subWindowIcon;
    bool shownOnce = false;
    bool startedWithFile = false;
    bool loadingProject = false;
    bool closing = false;
    bool warningShown = false;
    std::array<QPointer<QMdiSubWindow>, SingleViewSlotCount> singleViews;
    QHash<const QMdiSubWindow*, QRect> normalGeometryTable;
    std::array<QList<QPointer<QMdiSubWindow>>, MultiViewListCount> multiViews;
    QPointer<QMenu> inputPortMenu;
    QPointer<QMenu> outputPortMenu;
    QPointer<QMenu> commandsMenu;

    static std::atomic<MainWindow*> mainWindowInstance;
    static std::atomic<MainWindow*> eventLoopWindow;
};
