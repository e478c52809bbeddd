#include "MainWindow.h"

#include "HostMidiService.h"
#include "LoopbackMidiService.h"
#include "Midi.h"
#include "MidiAnalyzer.h"
#include "MidiBulkIntervalManager.h"
#include "MidiControllerNames.h"
#include "MidiHub.h"
#include "VantelMidiModel.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>
#include <QTimerEvent>

namespace {

const QString productName = QStringLiteral("Vantel MIDI");
const QString portNameGroup = QStringLiteral("PortName");

// The "PortName" keys, by direction and port.
QString portNameKey(bool input, quint32 port)
{
    if (input)
        return port == 0 ? QStringLiteral("InputPortName") : QStringLiteral("InputPortNameSecond");
    return port == 0 ? QStringLiteral("OutputPortName") : QStringLiteral("OutputPortNameSecond");
}

// The host MIDI service the ports are built on. The entry point chooses it from the command line;
// when nothing has been chosen (a window built by a test or an embedding program), the loopback
// system stands in, as it does for users without a MIDI system.
HostMidiService* midiService()
{
    if (!HostMidiService::instance())
        HostMidiService::install(std::make_unique<LoopbackMidiService>());
    return HostMidiService::instance();
}

} // namespace

std::atomic<MainWindow*> MainWindow::mainWindowInstance{nullptr};
std::atomic<MainWindow*> MainWindow::eventLoopWindow{nullptr};

MainWindow::MainWindow(VantelMidiModel* model, QWidget* parent) : QMainWindow(parent), vantelModel(model)
{
    Q_ASSERT(vantelModel);
    // Place of the PC-keyboard note engine: created first, with the model, so the input hook can
    // reach it for the window's whole life.
    // The host timer period (1 ms) needs no request on Linux: timers are not quantised there.

    // Nothing done while building the window is a change the user made.
    vantelModel->lockModified();

    mainWindowInstance.store(this);
    ViewHost::setInstance(this);
    setWindowTitle(productName);
    QApplication::setFont(font());

    QPixmap icon(QStringLiteral(":/images/subwindow_icon.png"));
    icon.setDevicePixelRatio(2.0);
    subWindowIcon = QIcon(icon);

    const QString settingsPath = settingsFilePath();
    if (!settingsPath.isEmpty())
        QDir().mkpath(QFileInfo(settingsPath).absolutePath());

    area = new QMdiArea(this);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(area);
    area->setAcceptDrops(true);

    analyzer = std::make_unique<MidiAnalyzer>(vantelModel);
    // The analyzer reports log failures from its writer thread; the message boxes open here.
    connect(analyzer.get(), &MidiAnalyzer::writeTransmittedDataFailedToTextFile, this,
            &MainWindow::errorHandlingForWriteTransmittedDataFailed, Qt::QueuedConnection);
    connect(analyzer.get(), &MidiAnalyzer::writeReceivedDataFailedToTextFile, this,
            &MainWindow::errorHandlingForWriteReceivedDataFailed, Qt::QueuedConnection);

    buildFileMenu();

    // The client and the four ports, all with the time-stamp bases taken now, so their stamps agree.
    hub = std::make_unique<MidiHub>(midiService(), quint16(16384));
    hub->setOutMonitor(analyzer.get());
    sendHub.store(hub.get());

    // The port menus get their entries from the host's device list each time they open.
    inputPortMenu = menuBar()->addMenu(tr("&InputPort"));
    connect(inputPortMenu, &QMenu::aboutToShow, this, &MainWindow::updateInputPortList);
    connect(inputPortMenu, &QMenu::triggered, this, &MainWindow::inputPortMenuSelected);
    outputPortMenu = menuBar()->addMenu(tr("&OutputPort"));
    connect(outputPortMenu, &QMenu::aboutToShow, this, &MainWindow::updateOutputPortList);
    connect(outputPortMenu, &QMenu::triggered, this, &MainWindow::outputPortMenuSelected);
    buildViewsMenu();
    buildCommandsMenu();
    buildWindowMenu();
    buildHelpMenu();

    loadSettings();

    // Received data goes through the analyzer, whose thru path sends through this window.
    analyzer->setSender(this);
    hub->setReceiver(&MidiAnalyzer::receiveCallback, analyzer.get());

    bulkIntervalManager = std::make_unique<MidiBulkIntervalManager>(vantelModel);
    hub->setBulkIntervalManager(bulkIntervalManager.get());

    timerId = startTimer(RefreshIntervalMs, Qt::CoarseTimer);

    vantelModel->addAssistant(this);
    vantelModel->unlockModified();
}

MainWindow::~MainWindow()
{
    // Views go first, while everything they reach through the view host is still there; a window
    // destroyed without being closed still has them.
    const QList<QMdiSubWindow*> subWindows = area->subWindowList();
    for (QMdiSubWindow* subWindow : subWindows)
        delete subWindow;

    analyzer->closeTransmittedLogFile();
    analyzer->closeReceivedLogFile();
    killTimer(timerId);
    timerId = 0;
    vantelModel->removeAssistant(this);

    // Withdraw the send path, then wait for the sends already inside the hub (a thru forward on a
    // receive thread, a worker's transmission) to come out before the ports go. Each is bounded by
    // the output ports' completion timeout.
    sendHub.store(nullptr);
    while (sendsInFlight.load() != 0)
        QThread::usleep(200);
    analyzer->setSender(nullptr);
    hub.reset();
    analyzer.reset();
    bulkIntervalManager.reset();

    if (ViewHost::instance() == this)
        ViewHost::setInstance(nullptr);

    MainWindow* self = this;
    eventLoopWindow.compare_exchange_strong(self, nullptr);
    self = this;
    mainWindowInstance.compare_exchange_strong(self, nullptr);
}

MainWindow* MainWindow::instance()
{
    return mainWindowInstance.load();
}

MainWindow* MainWindow::eventLoopMainWindow()
{
    return eventLoopWindow.load();
}

void MainWindow::setEventLoopMainWindow(MainWindow* window)
{
    eventLoopWindow.store(window);
}

QString MainWindow::settingsFilePath()
{
    const QString appData = QStandardPaths::standardLocations(QStandardPaths::AppDataLocation).value(0);
    if (appData.isEmpty())
        return QString();
    const QString folder = QDir::cleanPath(appData);
    const QString parent = QFileInfo(folder).path();
    if (parent.isEmpty() || parent == folder || parent == QLatin1String("."))
        return QString();
    return parent + QStringLiteral("/TESSIK/Vantel MIDI/VantelMIDI.ini");
}

bool MainWindow::hasSavedWindowPositions()
{
    const QString path = settingsFilePath();
    if (path.isEmpty())
        return false;
    QSettings settings(path, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("SavePosition"));
    return !settings.childKeys().isEmpty();
}

QAction* MainWindow::addItem(QMenu* menu, const QString& text, const char* shortcut, quint32 data)
{
    QAction* action = menu->addAction(text);
    if (shortcut)
        action->setShortcut(QKeySequence(tr(shortcut)));
    action->setData(data);
    return action;
}

void MainWindow::buildFileMenu()
{
    QMenu* menu = menuBar()->addMenu(tr("&File"));
    addItem(menu, QStringLiteral("&New"), QT_TR_NOOP("Ctrl+N"), FileNew);
    addItem(menu, QStringLiteral("&Open..."), QT_TR_NOOP("Ctrl+O"), FileOpen);
    addItem(menu, QStringLiteral("&Save"), QT_TR_NOOP("Ctrl+S"), FileSave);
    addItem(menu, QStringLiteral("Save &As..."), QT_TR_NOOP("Shift+Ctrl+S"), FileSaveAs);
    menu->addSeparator();
    addItem(menu, QStringLiteral("&Preferences..."), QT_TR_NOOP("Ctrl+,"), FilePreferences);
    connect(menu, &QMenu::triggered, this, &MainWindow::fileMenuSelected);
}

void MainWindow::buildViewsMenu()
{
    QMenu* menu = menuBar()->addMenu(tr("&Views"));
    views.append(addItem(menu, QStringLiteral("MIDI &In Monitor"), QT_TR_NOOP("Ctrl+I"), ViewMidiInMonitor));
    views.append(addItem(menu, QStringLiteral("MIDI O&ut Monitor"), QT_TR_NOOP("Ctrl+U"), ViewMidiOutMonitor));
    views.append(addItem(menu, QStringLiteral("&Keyboard"), QT_TR_NOOP("Ctrl+K"), ViewKeyboard));

    QMenu* controlChange = menu->addMenu(QStringLiteral("&Control Change"));
    for (int controller = 0; controller < MidiControllerNames::Count; ++controller)
        addItem(controlChange, MidiControllerNames::name(controller), nullptr, quint32(controller));
    connect(controlChange, &QMenu::triggered, this, &MainWindow::controlChangeMenuSelected);

    views.append(addItem(menu, QStringLiteral("&Program Change"), QT_TR_NOOP("Ctrl+P"), ViewProgramChange));
    views.append(addItem(menu, QStringLiteral("Pitch &Bend"), QT_TR_NOOP("Ctrl+B"), ViewPitchBend));
    views.append(addItem(menu, QStringLiteral("&System Exclusive"), QT_TR_NOOP("Ctrl+E"), ViewSystemExclusive));
    views.append(addItem(menu, QStringLiteral("&Timing Clock"), QT_TR_NOOP("Ctrl+T"), ViewTimingClock));
    views.append(addItem(menu, QStringLiteral("Sta&rt/Stop"), QT_TR_NOOP("Ctrl+1"), ViewStartStop));
    views.append(addItem(menu, QStringLiteral("&Active Sensing"), QT_TR_NOOP("Ctrl+J"), ViewActiveSensing));
    views.append(
        addItem(menu, QStringLiteral("Cust&om MIDI Message"), QT_TR_NOOP("Ctrl+2"), ViewCustomMidiMessage));
    menu->addSeparator();
    views.append(addItem(menu, QStringLiteral("&Filter"), QT_TR_NOOP("Ctrl+L"), ViewFilter));
    views.append(addItem(menu, QStringLiteral("&MIDI Settings"), QT_TR_NOOP("Ctrl+M"), ViewMidiSettings));
    views.append(addItem(menu, QStringLiteral("PC Keyboar&d"), QT_TR_NOOP("Ctrl+D"), ViewPCKeyboard));
    // The submenu's entries reach this slot too, through the propagation of triggered; the slot
    // ignores every action that is not in the list above.
    connect(menu, &QMenu::triggered, this, &MainWindow::viewsMenuSelected);
}

void MainWindow::buildCommandsMenu()
{
    QMenu* menu = menuBar()->addMenu(tr("&Commands"));
    addItem(menu, QStringLiteral("&Clear All MIDI Monitors"), QT_TR_NOOP("Ctrl+Shift+D"), CommandClearMonitors);
    addItem(menu, QStringLiteral("Write MIDI &In Data to Log File..."), nullptr, CommandLogMidiIn)
        ->setCheckable(true);
    addItem(menu, QStringLiteral("Write MIDI &Out Data to Log File..."), nullptr, CommandLogMidiOut)
        ->setCheckable(true);
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
    QMenu* menu = menuBar()->addMenu(tr("&Help"));
    addItem(menu, QStringLiteral("&About"), nullptr, HelpAbout);
    addItem(menu, QStringLiteral("&Open Source License"), nullptr, HelpOpenSourceLicense);
    addItem(menu, QStringLiteral("&Software User License Agreement"), nullptr, HelpSoftwareLicense);
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
    resize(DefaultWidth, DefaultHeightBelowMenuBar + menuBar()->height());
}

bool MainWindow::closeAboutView()
{
    QMdiSubWindow* about = singleViews[SlotAbout];
    if (!about)
        return false;
    singleViews[SlotAbout] = nullptr;
    // Called from inside event delivery (a mouse press, a menu action): hide now, delete once the
    // current event is done with the window.
    about->hide();
    about->deleteLater();
    return true;
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

bool MainWindow::saveProject()
{
    return false;
}

void MainWindow::closeAllViews()
{
    // Transmissions still running while their views go should not pause after every dump.
    bulkIntervalManager->setActive(false);
    vantelModel->lockModified();
    area->closeAllSubWindows();
    for (QPointer<QMdiSubWindow>& slot : singleViews)
        slot = nullptr;
    vantelModel->unlockModified();
    // What the closed views sent belongs to the layout that is gone.
    analyzer->discardTransmittedText();
    bulkIntervalManager->setActive(true);
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
        // Place of the default layout (MIDI In and Out monitors and a System Exclusive editor).
        setUpdatesEnabled(true);
        vantelModel->unlockModified();
        vantelModel->setProjectFilePath(QString());
        vantelModel->setModified(0);
        setWindowTitle(productName);
        break;
    }
    case FileOpen:
    case FileSave:
    case FileSaveAs:
        // Project files.
        break;
    case FilePreferences:
        // The Preferences view.
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
    switch (action->data().toUInt()) {
    case ViewMidiInMonitor:
    case ViewMidiOutMonitor:
    case ViewSystemExclusive:
        // Edit views: the two monitors live in their single-view slots, editors in a list.
        break;
    case ViewKeyboard:
    case ViewProgramChange:
    case ViewPitchBend:
    case ViewCustomMidiMessage:
        // Views that may be open several times, up to their limits.
        break;
    case ViewTimingClock:
    case ViewStartStop:
    case ViewActiveSensing:
    case ViewFilter:
    case ViewMidiSettings:
    case ViewPCKeyboard:
        // Views that exist at most once: activated when already open.
        break;
    default:
        break;
    }
}

void MainWindow::controlChangeMenuSelected(QAction* action)
{
    closeAboutView();
    // action->data() is the controller number the new Control Change view starts with.
    Q_UNUSED(action)
}

void MainWindow::commandsMenuSelected(QAction* action)
{
    closeAboutView();
    switch (action->data().toUInt()) {
    case CommandClearMonitors:
        // Clears every open MIDI In and MIDI Out monitor.
        break;
    case CommandLogMidiIn:
    case CommandLogMidiOut:
        // The check mark tells whether that traffic is being written to a log file. No log file
        // is open, so the entry stays unchecked whatever the click toggled.
        action->setChecked(false);
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
        // The About window.
        break;
    case HelpOpenSourceLicense:
    case HelpSoftwareLicense:
        closeAboutView();
        // The licence text views.
        break;
    default:
        break;
    }
}

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
        // Place of saving the window layout to the settings file, before the views go.
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
        // Place of restoring the saved layout (unless started with a project file) and of watching
        // the MDI area with the window's event filter.
        shownOnce = true;
    }
}

void MainWindow::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != timerId) {
        QMainWindow::timerEvent(event);
        return;
    }
    QByteArray inText, sysExText, outText;
    quint32 inCount = 0, sysExCount = 0, outCount = 0;
    analyzer->takeMonitorText(inText, inCount, sysExText, sysExCount, outText, outCount);
    analyzer->advanceTempoIdleTime(100000);
}

// --- Sending --------------------------------------------------------------------------------------

bool MainWindow::sendToOutputPorts(const quint8* bytes, quint32 length, quint8 labelKind, quint32 portSelection,
                                   bool skipPacing, bool forceLong, quint64 passThrough, bool direct,
                                   quint32* sendTimeOut)
{
    // Counted before the hub is read: the destructor clears the pointer first and then waits for
    // the count, so a caller either sees no hub or is waited for.
    sendsInFlight.fetch_add(1);
    MidiHub* target = sendHub.load();
    const bool sent = target && target->sendToOutputPorts(bytes, length, labelKind, portSelection, skipPacing,
                                                          forceLong, passThrough, direct, sendTimeOut);
    sendsInFlight.fetch_sub(1);
    return sent;
}

// --- Ports ----------------------------------------------------------------------------------------

bool MainWindow::openInputPort(quint32 port, quint32 deviceIndex)
{
    if (port > 1)
        return false;
    const bool opened = hub->openInputPort(port, deviceIndex);
    if (!opened)
        showErrorMessage(QStringLiteral("Port open failed."));
    writePortName(true, port, hub->inputPortName(port));
    return opened;
}

bool MainWindow::openOutputPort(quint32 port, quint32 deviceIndex)
{
    if (port > 1)
        return false;
    const bool opened = hub->openOutputPort(port, deviceIndex);
    if (!opened)
        showErrorMessage(QStringLiteral("Port open failed."));
    writePortName(false, port, hub->outputPortName(port));
    return opened;
}

bool MainWindow::closeInputPort(quint32 port)
{
    return hub->closeInputPort(port);
}

bool MainWindow::closeOutputPort(quint32 port)
{
    return hub->closeOutputPort(port);
}

void MainWindow::inputPortChoices(quint32 port, QStringList* choices, qint32* index)
{
    qint32 position = 0;
    const QStringList list = hub->inputPortChoices(port, &position);
    if (choices)
        *choices = list;
    if (index)
        *index = position;
}

void MainWindow::outputPortChoices(quint32 port, QStringList* choices, qint32* index)
{
    qint32 position = 0;
    const QStringList list = hub->outputPortChoices(port, &position);
    if (choices)
        *choices = list;
    if (index)
        *index = position;
}

QString MainWindow::inputPortName(quint32 port) const
{
    return hub->inputPortName(port);
}

QString MainWindow::outputPortName(quint32 port) const
{
    return hub->outputPortName(port);
}

void MainWindow::writePortName(bool input, quint32 port, const QString& name)
{
    const QString path = settingsFilePath();
    if (path.isEmpty())
        return;
    QSettings settings(path, QSettings::IniFormat);
    settings.beginGroup(portNameGroup);
    settings.setValue(portNameKey(input, port), name);
    settings.endGroup();
}

void MainWindow::loadSettings()
{
    vantelModel->lockModified();
    QString names[4]; // Port1 in, Port2 in, Port1 out, Port2 out
    const QString path = settingsFilePath();
    if (!path.isEmpty()) {
        QSettings settings(path, QSettings::IniFormat);
        settings.beginGroup(portNameGroup);
        names[0] = settings.value(portNameKey(true, 0)).toString();
        names[1] = settings.value(portNameKey(true, 1)).toString();
        names[2] = settings.value(portNameKey(false, 0)).toString();
        names[3] = settings.value(portNameKey(false, 1)).toString();
        settings.endGroup();
    }
    // A saved device that is gone leaves its port not connected, without a word: nothing the user
    // did just now failed.
    vantelModel->setValue(ParamInputPortIndex, hub->reopenInputPort(0, names[0]));
    vantelModel->setValue(ParamInputPortIndexSecond, hub->reopenInputPort(1, names[1]));
    vantelModel->setValue(ParamOutputPortIndex, hub->reopenOutputPort(0, names[2]));
    vantelModel->setValue(ParamOutputPortIndexSecond, hub->reopenOutputPort(1, names[3]));
    vantelModel->unlockModified();
}

void MainWindow::rebuildPortMenu(QMenu* menu, bool input)
{
    if (!menu)
        return;
    menu->clear();
    // The entries belong to the group, the group to the menu: dropping the old group drops them.
    const QList<QActionGroup*> oldGroups = menu->findChildren<QActionGroup*>(QString(), Qt::FindDirectChildrenOnly);
    qDeleteAll(oldGroups);

    qint32 position = 0;
    // A port whose device is no longer listed is closed here; its parameter keeps its value until
    // the next choice.
    const QStringList choices =
        input ? hub->inputPortChoices(0, &position, true) : hub->outputPortChoices(0, &position, true);
    auto* group = new QActionGroup(menu);
    group->setExclusive(true);
    for (int i = 0; i < choices.size(); ++i) {
        auto* action = new QAction(choices.at(i), group);
        action->setCheckable(true);
        action->setData(i == 0 ? NoDevice : quint32(i - 1));
    }
    const QList<QAction*> actions = group->actions();
    actions.value(position, actions.first())->setChecked(true);
    menu->addActions(actions);
}

void MainWindow::updateInputPortList()
{
    rebuildPortMenu(inputPortMenu, true);
    Q_EMIT notifyInputPortListUpdated();
}

void MainWindow::updateOutputPortList()
{
    rebuildPortMenu(outputPortMenu, false);
    Q_EMIT notifyOutputPortListUpdated();
}

void MainWindow::inputPortMenuSelected(QAction* action)
{
    const quint32 deviceIndex = action->data().toUInt();
    const bool opened = openInputPort(0, deviceIndex);
    vantelModel->setValue(ParamInputPortIndex, opened && deviceIndex != NoDevice ? qint32(deviceIndex + 1) : 0);
}

void MainWindow::outputPortMenuSelected(QAction* action)
{
    const quint32 deviceIndex = action->data().toUInt();
    const bool opened = openOutputPort(0, deviceIndex);
    vantelModel->setValue(ParamOutputPortIndex, opened && deviceIndex != NoDevice ? qint32(deviceIndex + 1) : 0);
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

// --- View host ------------------------------------------------------------------------------------

void MainWindow::registerMonitorView(MidiEditView* view, bool outMonitor)
{
    if (!view)
        return;
    QList<MidiEditView*>& list = outMonitor ? monitorViewsB : monitorViewsA;
    if (!list.contains(view))
        list.append(view);
}

void MainWindow::unregisterMonitorView(MidiEditView* view)
{
    monitorViewsA.removeAll(view);
    monitorViewsB.removeAll(view);
}

void MainWindow::releaseKeyboardKeys()
{
    // The PC-keyboard note engine and the keyboard views hold no notes yet.
}

QMdiSubWindow* MainWindow::openEditView(const QString& menuText, qint32 editKind, const QSize& contentSize,
                                        const QString& initialText)
{
    Q_UNUSED(menuText)
    Q_UNUSED(editKind)
    Q_UNUSED(contentSize)
    Q_UNUSED(initialText)
    return nullptr;
}
