#include "MainWindow.h"

#include "KeyboardNoteEventManager.h"
#include "LogFileCommands.h"
#include "MidiAnalyzer.h"
#include "MidiBulkIntervalManager.h"
#include "MidiControllerNames.h"
#include "MidiEditView.h"
#include "MidiHub.h"
#include "MidiSession.h"
#include "MonitorRefresh.h"
#include "PortMenus.h"
#include "ProjectCommands.h"
#include "SettingsFile.h"
#include "SubWindowManager.h"
#include "SysExFile.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"
#include "WindowLayout.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTimerEvent>
#include <QUrl>

namespace {

const QString productName = QStringLiteral("Vantel MIDI");

} // namespace

std::atomic<MainWindow*> MainWindow::eventLoopWindow{nullptr};

MainWindow::MainWindow(VantelMidiModel* model, QWidget* parent) : QMainWindow(parent), vantelModel(model)
{
    Q_ASSERT(vantelModel);
    // The host timer period (1 ms) needs no request on Linux: timers are not quantised there.

    // Nothing done while building the window is a change the user made.
    vantelModel->lockModified();

    setWindowTitle(productName);
    QApplication::setFont(font());
    SettingsFile::makeFolder();

    area = new QMdiArea(this);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(area);
    area->setAcceptDrops(true);
    subWindowManager = new SubWindowManager(area, vantelModel, this, this, this);

    session = std::make_unique<MidiSession>(vantelModel);
    projects = std::make_unique<ProjectCommands>(this, vantelModel);
    logs = std::make_unique<LogFileCommands>(this, vantelModel, session->analyzer());
    refresh = std::make_unique<MonitorRefresh>(session->analyzer());
    noteEngine = std::make_unique<KeyboardNoteEventManager>(vantelModel, this);
    // The analyzer reports log failures from its writer thread; the message boxes open here.
    connect(session->analyzer(), &MidiAnalyzer::writeTransmittedDataFailedToTextFile, this,
            &MainWindow::errorHandlingForWriteTransmittedDataFailed, Qt::QueuedConnection);
    connect(session->analyzer(), &MidiAnalyzer::writeReceivedDataFailedToTextFile, this,
            &MainWindow::errorHandlingForWriteReceivedDataFailed, Qt::QueuedConnection);

    buildFileMenu();
    // The port menus get their entries from the host's device list each time they open.
    portMenus = new PortMenus(menuBar(), session->hub(), vantelModel, this, this);
    connect(portMenus->inputMenu(), &QMenu::aboutToShow, this, &MainWindow::updateInputPortList);
    connect(portMenus->inputMenu(), &QMenu::triggered, this, &MainWindow::inputPortMenuSelected);
    connect(portMenus->outputMenu(), &QMenu::aboutToShow, this, &MainWindow::updateOutputPortList);
    connect(portMenus->outputMenu(), &QMenu::triggered, this, &MainWindow::outputPortMenuSelected);
    buildViewsMenu();
    buildCommandsMenu();
    buildWindowMenu();
    buildHelpMenu();

    // Devices and the MIDI server coming and going are told in the status bar, there from the
    // start so that the area does not jump when the first news comes; the port menus show it when
    // they open next. The news is a label of its own, not a status message: the menus' status tips
    // would wipe a message whenever the mouse crosses an entry.
    statusBar()->setSizeGripEnabled(false);
    auto* deviceNews = new QLabel(statusBar());
    deviceNews->setObjectName(QStringLiteral("deviceNews"));
    statusBar()->addWidget(deviceNews, 1);
    connect(session->hub(), &MidiHub::portDeviceChanged, deviceNews,
            [deviceNews](bool input, quint32 port, const QString& device, bool present) {
                deviceNews->setText(MidiHub::deviceChangeText(input, port, device, present));
            });
    connect(session->hub(), &MidiHub::serverRunningChanged, deviceNews, [this, deviceNews](bool running) {
        deviceNews->setText(session->hub()->serverChangeText(running));
    });
    connect(session->hub(), &MidiHub::inputOverflowed, deviceNews,
            [deviceNews](quint32 port) { deviceNews->setText(MidiHub::overflowText(port)); });

    loadSettings();
    // Received data goes through the analyzer, whose thru path sends through this window.
    session->start(this);

    timerId = startTimer(MonitorRefresh::IntervalMs, Qt::CoarseTimer);

    vantelModel->addAssistant(this);
    vantelModel->unlockModified();
}

MainWindow::~MainWindow()
{
    // Views go first, while everything they reach through the view host is still there (a window
    // destroyed without being closed still has them). Deleting the area also takes the closed
    // sub-windows that wait for their deferred deletion. The event filter still sees their last
    // events; with the area pointer cleared it leaves them alone.
    QMdiArea* doomedArea = area;
    area = nullptr;
    delete doomedArea;

    // Its last Note Offs go out while the ports are still there.
    noteEngine.reset();
    // No send may start once the ports begin to go; the workers of closed views end first.
    session->withdraw(5000);
    session->analyzer()->closeTransmittedLogFile();
    session->analyzer()->closeReceivedLogFile();
    killTimer(timerId);
    timerId = 0;
    vantelModel->removeAssistant(this);
    saveSettings();
    refresh.reset();
    session.reset();

    MainWindow* self = this;
    eventLoopWindow.compare_exchange_strong(self, nullptr);
}

MainWindow* MainWindow::eventLoopMainWindow()
{
    return eventLoopWindow.load();
}

void MainWindow::setEventLoopMainWindow(MainWindow* window)
{
    eventLoopWindow.store(window);
}

MidiAnalyzer* MainWindow::midiAnalyzer() const
{
    return session->analyzer();
}

MidiBulkIntervalManager* MainWindow::bulkManager() const
{
    return session->bulkManager();
}

// --- Menus ----------------------------------------------------------------------------------------

QAction* MainWindow::addItem(QMenu* menu, const QString& text, const char* shortcut, quint32 menuData)
{
    QAction* action = menu->addAction(text);
    if (shortcut)
        action->setShortcut(QKeySequence(tr(shortcut)));
    action->setData(menuData);
    return action;
}

void MainWindow::buildFileMenu()
{
    QMenu* menu = menuBar()->addMenu(tr("&File"));
    addItem(menu, QStringLiteral("&New"), QT_TR_NOOP("Ctrl+N"), FileNew);
    addItem(menu, QStringLiteral("&Open..."), QT_TR_NOOP("Ctrl+O"), FileOpen);
    addItem(menu, QStringLiteral("&Save"), QT_TR_NOOP("Ctrl+S"), FileSave);
    addItem(menu, QStringLiteral("Save &As..."), QT_TR_NOOP("Shift+Ctrl+S"), FileSaveAs);
    if (const ViewKindRow* preferences = ViewKindTable::row(ViewKind::Preferences);
        preferences && preferences->isAvailable()) {
        menu->addSeparator();
        addItem(menu, QString::fromUtf8(preferences->menuText), preferences->shortcut, FilePreferences);
    }
    menu->addSeparator();
    QAction* quit = addItem(menu, QStringLiteral("&Quit"), nullptr, FileQuit);
    // The platform's Quit keys; platforms that define none (Windows) get Ctrl+Q as well.
    const QList<QKeySequence> quitKeys = QKeySequence::keyBindings(QKeySequence::Quit);
    quit->setShortcuts(quitKeys.isEmpty() ? QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Q)}
                                          : quitKeys);
    connect(menu, &QMenu::triggered, this, &MainWindow::fileMenuSelected);
}

void MainWindow::buildViewsMenu()
{
    QMenu* menu = menuBar()->addMenu(tr("&Views"));
    // In the table's order; views that do not exist have no entry. Filter, MIDI Settings and
    // PC Keyboard follow a separator.
    bool separated = false;
    for (const ViewKindRow& row : ViewKindTable::rows()) {
        if (row.menuData < 0 || !row.isAvailable())
            continue;
        if (row.kind >= ViewKind::MainWindow && row.menuData >= 11 && !separated) {
            menu->addSeparator();
            separated = true;
        }
        if (row.kind == ViewKind::ControlChange) {
            QMenu* controlChange = menu->addMenu(QString::fromUtf8(row.menuText));
            for (int controller = 0; controller < MidiControllerNames::Count; ++controller)
                addItem(controlChange, MidiControllerNames::name(controller), nullptr, quint32(controller));
            connect(controlChange, &QMenu::triggered, this, &MainWindow::controlChangeMenuSelected);
            continue;
        }
        views.append(addItem(menu, QString::fromUtf8(row.menuText), row.shortcut, quint32(row.menuData)));
    }
    // The submenu's entries reach this slot too, through the propagation of triggered; the slot
    // ignores every action that is not in the list above.
    connect(menu, &QMenu::triggered, this, &MainWindow::viewsMenuSelected);
}

void MainWindow::buildCommandsMenu()
{
    QMenu* menu = menuBar()->addMenu(tr("&Commands"));
    addItem(menu, QStringLiteral("&Clear All MIDI Monitors"), QT_TR_NOOP("Ctrl+Shift+D"),
            CommandClearMonitors);
    logs->addEntries(menu, CommandLogMidiIn, CommandLogMidiOut);
    commandsMenu = menu;
    connect(menu, &QMenu::triggered, this, &MainWindow::commandsMenuSelected);
}

void MainWindow::buildWindowMenu()
{
    QMenu* menu = menuBar()->addMenu(tr("&Window"));
    addItem(menu, QStringLiteral("Close &All"), nullptr, WindowCloseAll);
    addItem(menu, QStringLiteral("&Cascade"), nullptr, WindowCascade);
    addItem(menu, QStringLiteral("&Tile"), nullptr, WindowTile);
    connect(menu, &QMenu::triggered, this, &MainWindow::windowMenuSelected);
}

void MainWindow::buildHelpMenu()
{
    const struct
    {
        ViewKind::Kind kind;
        HelpMenuItem data;
    } entries[] = {{ViewKind::About, HelpAbout},
                   {ViewKind::OpenSourceLicense, HelpOpenSourceLicense},
                   {ViewKind::SoftwareLicense, HelpSoftwareLicense}};
    QMenu* menu = nullptr;
    for (const auto& entry : entries) {
        const ViewKindRow* row = ViewKindTable::row(entry.kind);
        if (!row || !row->isAvailable())
            continue;
        if (!menu)
            menu = menuBar()->addMenu(tr("&Help"));
        addItem(menu, QString::fromUtf8(row->menuText), nullptr, entry.data);
    }
    if (menu)
        connect(menu, &QMenu::triggered, this, &MainWindow::helpMenuSelected);
}

void MainWindow::parameterChanged(qint32 id)
{
    if (id == ParamModified)
        updateWindowTitle();
}

void MainWindow::updateWindowTitle()
{
    const QString name = QFileInfo(vantelModel->projectFilePath()).fileName();
    QString title = name;
    if (vantelModel->isModified())
        title += QLatin1Char('*');
    if (!name.isEmpty())
        title += QStringLiteral(" - ");
    setWindowTitle(title + productName);
}

void MainWindow::resizeToDefault()
{
    resize(DefaultWidth, DefaultHeightBelowMenuBar + menuBar()->height() + statusBar()->height());
}

bool MainWindow::closeAboutView()
{
    return subWindowManager->closeAbout();
}

bool MainWindow::pcKeyPress(quint8 key, bool autoRepeat, quint64 timestamp)
{
    return noteEngine && noteEngine->keyPressed(key, autoRepeat, timestamp);
}

bool MainWindow::pcKeyRelease(quint8 key, bool autoRepeat, quint64 timestamp)
{
    return noteEngine && noteEngine->keyReleased(key, autoRepeat, timestamp);
}

void MainWindow::showErrorMessage(const QString& text)
{
    closeAboutView();
    QMessageBox::critical(this, productName, text, QMessageBox::Ok);
}

QMessageBox::StandardButton MainWindow::askSaveChanges()
{
    closeAboutView();
    return QMessageBox::question(this, productName, QStringLiteral("Do you want to save changes?"),
                                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
}

bool MainWindow::settleUnsavedChanges()
{
    if (!vantelModel->isModified())
        return true;
    switch (askSaveChanges()) {
    case QMessageBox::Yes:
        return saveProject();
    case QMessageBox::No:
        return true;
    default: // Cancel, or the box closed by other means
        return false;
    }
}

bool MainWindow::openProject(const QString& path)
{
    return projects->openProject(path);
}

bool MainWindow::loadProject(const QString& path)
{
    // Views read this while they are restored (a control change view sends nothing then).
    loadingProject = true;
    const bool loaded = projects->load(path);
    loadingProject = false;
    return loaded;
}

bool MainWindow::saveProject()
{
    return projects->saveProject();
}

bool MainWindow::saveProjectAs()
{
    return projects->saveProjectAs();
}

bool MainWindow::saveProjectTo(const QString& path)
{
    return projects->saveProjectTo(path);
}

void MainWindow::fileMenuSelected(QAction* action)
{
    closeAboutView();
    switch (action->data().toUInt()) {
    case FileNew: {
        if (!settleUnsavedChanges())
            return;
        vantelModel->lockModified();
        setUpdatesEnabled(false);
        if (isMaximized() || isMinimized() || isFullScreen())
            showNormal();
        resizeToDefault();
        resetLayout();
        setUpdatesEnabled(true);
        vantelModel->unlockModified();
        vantelModel->setProjectFilePath(QString());
        vantelModel->setModified(0);
        setWindowTitle(productName);
        break;
    }
    case FileOpen:
        openProject(QString());
        break;
    case FileSave:
        saveProject();
        break;
    case FileSaveAs:
        saveProjectAs();
        break;
    case FilePreferences:
        openView(ViewKind::Preferences);
        break;
    case FileQuit:
        // As the window's close button: the save question included.
        close();
        break;
    default:
        break;
    }
}

void MainWindow::viewsMenuSelected(QAction* action)
{
    closeAboutView();
    if (!views.contains(action))
        return;
    if (const ViewKindRow* row = ViewKindTable::rowForMenuData(action->data().toUInt()))
        openView(row->kind);
}

void MainWindow::controlChangeMenuSelected(QAction* action)
{
    closeAboutView();
    // The entry's data is the controller number the new view starts with.
    openView(ViewKind::ControlChange, {QVariant(action->data().toUInt())});
}

void MainWindow::commandsMenuSelected(QAction* action)
{
    closeAboutView();
    switch (action->data().toUInt()) {
    case CommandClearMonitors:
        refresh->clearMonitors();
        break;
    case CommandLogMidiIn:
        logs->toggled(LogFileCommands::In);
        break;
    case CommandLogMidiOut:
        logs->toggled(LogFileCommands::Out);
        break;
    default:
        break;
    }
}

void MainWindow::windowMenuSelected(QAction* action)
{
    closeAboutView();
    switch (action->data().toUInt()) {
    case WindowCloseAll:
        if (!settleUnsavedChanges())
            return;
        closeAllViews();
        vantelModel->setProjectFilePath(QString());
        vantelModel->setModified(0);
        setWindowTitle(productName);
        break;
    case WindowCascade:
        setUpdatesEnabled(false);
        area->cascadeSubWindows();
        setUpdatesEnabled(true);
        break;
    case WindowTile:
        setUpdatesEnabled(false);
        area->tileSubWindows();
        setUpdatesEnabled(true);
        break;
    default:
        break;
    }
}

void MainWindow::helpMenuSelected(QAction* action)
{
    switch (action->data().toUInt()) {
    case HelpAbout:
        openView(ViewKind::About);
        break;
    case HelpOpenSourceLicense:
        closeAboutView();
        openView(ViewKind::OpenSourceLicense);
        break;
    case HelpSoftwareLicense:
        closeAboutView();
        openView(ViewKind::SoftwareLicense);
        break;
    default:
        break;
    }
}

// --- Window events --------------------------------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (vantelModel->isModified()) {
        if (!settleUnsavedChanges()) {
            event->ignore();
            return;
        }
        vantelModel->setModified(0);
    }
    if (!closing) {
        saveWindowPositions();
        closeAllViews();
    }
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        closing = true;
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!shownOnce) {
        shownOnce = true;
        if (!startedWithFile)
            restoreWindowPositions();
        // Drags over the empty area arrive at the area or at its viewport, depending on which of
        // them accepts drops; watch both.
        area->installEventFilter(this);
        area->viewport()->installEventFilter(this);
    }
}

void MainWindow::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != timerId) {
        QMainWindow::timerEvent(event);
        return;
    }
    refresh->tick();
    refresh->showReceivedTempo(subWindowManager->singleView(ViewKindTable::SlotTimingClock));
}

// --- Sub-windows ----------------------------------------------------------------------------------

QMdiSubWindow* MainWindow::openView(qint32 kind, const QList<QVariant>& extraValues)
{
    ViewArguments arguments;
    arguments.extraValues = extraValues;
    if (kind == ViewKind::MidiInMonitor)
        arguments.editKind = EditKind::InMonitor;
    else if (kind == ViewKind::MidiOutMonitor)
        arguments.editKind = EditKind::OutMonitor;
    QMdiSubWindow* subWindow = subWindowManager->openView(kind, arguments);
    if (subWindow)
        refresh->addView(qobject_cast<MidiEditView*>(subWindow->widget()));
    return subWindow;
}

QMdiSubWindow* MainWindow::openEditView(qint32 editKind, const QSize& contentSize, const QString& initialText)
{
    QMdiSubWindow* subWindow = subWindowManager->openEditView(editKind, contentSize, initialText);
    if (subWindow)
        refresh->addView(qobject_cast<MidiEditView*>(subWindow->widget()));
    return subWindow;
}

QMdiSubWindow* MainWindow::restoreView(qint32 kind, bool stayOnTop, const QRect& geometry,
                                       Qt::WindowStates state, const QList<QVariant>& extraValues)
{
    QMdiSubWindow* subWindow = subWindowManager->restoreView(kind, stayOnTop, geometry, state, extraValues);
    if (subWindow)
        refresh->addView(qobject_cast<MidiEditView*>(subWindow->widget()));
    return subWindow;
}

void MainWindow::closeAllViews()
{
    // Transmissions still running while their views go should not pause after every dump.
    session->bulkManager()->setActive(false);
    vantelModel->lockModified();
    subWindowManager->closeAll();
    vantelModel->unlockModified();
    // What the closed views sent belongs to the layout that is gone.
    session->analyzer()->discardTransmittedText();
    session->bulkManager()->setActive(true);
}

void MainWindow::resetLayout()
{
    closeAllViews();
    const int width = 338, height = 274;
    if (QMdiSubWindow* in = openView(ViewKind::MidiInMonitor))
        in->setGeometry(0, 0, width, height);
    if (QMdiSubWindow* out = openView(ViewKind::MidiOutMonitor))
        out->setGeometry(width, 0, width, height);
    if (QMdiSubWindow* editor = openView(ViewKind::SystemExclusive))
        editor->setGeometry(0, height, width, height);
}

void MainWindow::applyGeometry(QWidget* window, const QRect& rectangle)
{
    SubWindowManager::applyGeometry(window, rectangle);
}

QRect MainWindow::fitToScreens(const QRect& rectangle)
{
    return SubWindowManager::fitToScreens(rectangle);
}

bool MainWindow::isNormalState(const QWidget* window)
{
    return SubWindowManager::isNormalState(window);
}

QRect MainWindow::normalGeometry(const QWidget* window) const
{
    if (window == this)
        return QMainWindow::normalGeometry();
    if (const auto* subWindow = qobject_cast<const QMdiSubWindow*>(window))
        return subWindowManager->normalGeometry(subWindow);
    return window->geometry();
}

void MainWindow::rememberGeometry(QMdiSubWindow* subWindow)
{
    subWindowManager->rememberGeometry(subWindow);
}

QList<MidiEditView*> MainWindow::inAndSystemExclusiveViews() const
{
    return refresh->inAndSystemExclusiveViews();
}

QList<MidiEditView*> MainWindow::outMonitorViews() const
{
    return refresh->outMonitorViews();
}

// --- Sending and ports ----------------------------------------------------------------------------

bool MainWindow::sendToOutputPorts(const quint8* bytes, quint32 length, quint8 labelKind,
                                   quint32 portSelection, bool skipPacing, bool forceLong,
                                   quint64 passThrough, bool direct, quint32* sendTimeOut)
{
    return session->sendToOutputPorts(bytes, length, labelKind, portSelection, skipPacing, forceLong,
                                      passThrough, direct, sendTimeOut);
}

void MainWindow::releaseKeyboardKeys()
{
    if (noteEngine)
        noteEngine->releaseAllNotes();
}

bool MainWindow::openInputPort(quint32 port, quint32 deviceIndex)
{
    if (port > 1)
        return false;
    const bool opened = session->hub()->openInputPort(port, deviceIndex);
    if (!opened)
        showErrorMessage(QStringLiteral("Port open failed."));
    SettingsFile::writePortName(true, port, session->hub()->inputPortName(port));
    return opened;
}

bool MainWindow::openOutputPort(quint32 port, quint32 deviceIndex)
{
    if (port > 1)
        return false;
    const bool opened = session->hub()->openOutputPort(port, deviceIndex);
    if (!opened)
        showErrorMessage(QStringLiteral("Port open failed."));
    SettingsFile::writePortName(false, port, session->hub()->outputPortName(port));
    return opened;
}

bool MainWindow::closeInputPort(quint32 port)
{
    return session->hub()->closeInputPort(port);
}

bool MainWindow::closeOutputPort(quint32 port)
{
    return session->hub()->closeOutputPort(port);
}

void MainWindow::inputPortChoices(quint32 port, QStringList* choices, qint32* index)
{
    qint32 position = 0;
    const QStringList list = session->hub()->inputPortChoices(port, &position);
    if (choices)
        *choices = list;
    if (index)
        *index = position;
}

void MainWindow::outputPortChoices(quint32 port, QStringList* choices, qint32* index)
{
    qint32 position = 0;
    const QStringList list = session->hub()->outputPortChoices(port, &position);
    if (choices)
        *choices = list;
    if (index)
        *index = position;
}

QString MainWindow::inputPortName(quint32 port) const
{
    return session->hub()->inputPortName(port);
}

QString MainWindow::outputPortName(quint32 port) const
{
    return session->hub()->outputPortName(port);
}

void MainWindow::loadSettings()
{
    vantelModel->lockModified();
    SettingsFile::readGroup(vantelModel, SettingsFile::FileWorkingDirectory);
    SettingsFile::readGroup(vantelModel, SettingsFile::MidiFilter);
    SettingsFile::readGroup(vantelModel, SettingsFile::MidiThru);
    MidiHub* hub = session->hub();
    // A saved device that is gone leaves its port not connected, without a word: nothing the user
    // did just now failed.
    vantelModel->setValue(ParamInputPortIndex, hub->reopenInputPort(0, SettingsFile::readPortName(true, 0)));
    vantelModel->setValue(ParamInputPortIndexSecond,
                          hub->reopenInputPort(1, SettingsFile::readPortName(true, 1)));
    vantelModel->setValue(ParamOutputPortIndex,
                          hub->reopenOutputPort(0, SettingsFile::readPortName(false, 0)));
    vantelModel->setValue(ParamOutputPortIndexSecond,
                          hub->reopenOutputPort(1, SettingsFile::readPortName(false, 1)));
    SettingsFile::readGroup(vantelModel, SettingsFile::Preferences);
    vantelModel->unlockModified();
}

void MainWindow::saveSettings()
{
    for (SettingsFile::Group group : {SettingsFile::FileWorkingDirectory, SettingsFile::MidiThru,
                                      SettingsFile::Preferences, SettingsFile::MidiFilter})
        SettingsFile::writeGroup(vantelModel, group);
}

void MainWindow::saveWindowPositions()
{
    WindowLayout::saveWindowPositions(this);
}

void MainWindow::restoreWindowPositions()
{
    WindowLayout::restoreWindowPositions(this);
}

void MainWindow::updateInputPortList()
{
    portMenus->rebuild(true);
    Q_EMIT notifyInputPortListUpdated();
}

void MainWindow::updateOutputPortList()
{
    portMenus->rebuild(false);
    Q_EMIT notifyOutputPortListUpdated();
}

void MainWindow::inputPortMenuSelected(QAction* action)
{
    portMenus->select(true, action);
}

void MainWindow::outputPortMenuSelected(QAction* action)
{
    portMenus->select(false, action);
}

// --- Log failures ---------------------------------------------------------------------------------

void MainWindow::errorHandlingForWriteTransmittedDataFailed()
{
    logWriteFailed(CommandLogMidiOut, QStringLiteral("MIDI Out log file write failed."));
}

void MainWindow::errorHandlingForWriteReceivedDataFailed()
{
    logWriteFailed(CommandLogMidiIn, QStringLiteral("MIDI In log file write failed."));
}

void MainWindow::logWriteFailed(quint32 commandData, const QString& text)
{
    if (commandsMenu) {
        for (QAction* action : commandsMenu->actions())
            if (!action->isSeparator() && action->data().toUInt() == commandData)
                action->setChecked(false);
    }
    // A modal box takes the key-up events away from notes held on the computer keyboard.
    releaseKeyboardKeys();
    showErrorMessage(text);
}

// --- Event filter ---------------------------------------------------------------------------------

QString MainWindow::droppedSuffix(const QMimeData* data)
{
    if (!data || !data->hasFormat(QStringLiteral("text/uri-list")))
        return QString();
    // The first item only: several dropped files open nothing more than the first.
    const QList<QUrl> urls = data->urls();
    // Only files can be opened; a dragged web link is not one.
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return QString();
    const QString first = urls.first().toLocalFile();
    // Everything after the first dot of the file name: "dump.syx.txt" is "syx.txt", not "txt".
    return QFileInfo(first).completeSuffix();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (!area)
        return false;
    const QEvent::Type type = event->type();
    if (type == QEvent::WindowStateChange)
        subWindowManager->applyMaximizeRule();

    QMdiSubWindow* about = subWindowManager->aboutWindow();
    if (about && watched == about)
        return false;

    // The wheel does not scroll the area from a sub-window or the area's frame; over the empty
    // area (its viewport) it does.
    if (type == QEvent::Wheel)
        return watched != area->viewport();

    subWindowManager->watchEvent(watched, event);

    if (watched != area && watched != area->viewport())
        return false;
    return mdiAreaEvent(event);
}

bool MainWindow::mdiAreaEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter: {
        auto* drag = static_cast<QDragEnterEvent*>(event);
        const QString suffix = droppedSuffix(drag->mimeData());
        const bool wanted = SysExFile::isEditorSuffix(suffix) || suffix == QLatin1String("vantelmidi");
        if (QApplication::activeModalWidget() || vantelModel->getValue(ParamTransmissionState) == 1 ||
            !wanted) {
            drag->setDropAction(Qt::IgnoreAction);
            drag->ignore();
            return true;
        }
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::DragMove:
        static_cast<QDragMoveEvent*>(event)->acceptProposedAction();
        return true;
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QMimeData* mime = drop->mimeData();
        if (!mime->hasFormat(QStringLiteral("text/uri-list")))
            return false;
        const QString suffix = droppedSuffix(mime);
        const QList<QUrl> urls = mime->urls();
        const QString path = urls.isEmpty() ? QString() : urls.first().toLocalFile();
        if (suffix == QLatin1String("vantelmidi")) {
            // The drop ends before the project is read: its questions and messages are modal.
            drop->acceptProposedAction();
            QMetaObject::invokeMethod(
                this,
                [this, path] {
                    if (settleUnsavedChanges())
                        loadProject(path);
                },
                Qt::QueuedConnection);
            return true;
        }
        if (!SysExFile::isEditorSuffix(suffix))
            return false;
        // An unreadable file gives an empty editor.
        const QString text = SysExFile::readText(path);
        if (!path.isEmpty())
            vantelModel->setString(ParamDumpFileWorkingDirectory, QFileInfo(path).absolutePath());
        openEditView(EditKind::SystemExclusive, QSize(), text);
        drop->acceptProposedAction();
        return true;
    }
    default:
        return false;
    }
}
