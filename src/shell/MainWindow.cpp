#include "MainWindow.h"

#include "HostMidiService.h"
#include "LoopbackMidiService.h"
#include "Midi.h"
#include "MidiAnalyzer.h"
#include "MidiBulkIntervalManager.h"
#include "MidiControllerNames.h"
#include "MidiEditTextView.h"
#include "MidiEditTransmittionThread.h"
#include "MidiEditView.h"
#include "MidiHub.h"
#include "VantelMidiModel.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPixmap>
#include <QRegExp>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>
#include <QTextStream>
#include <QTimerEvent>
#include <QUrl>

namespace {

const QString productName = QStringLiteral("Vantel MIDI");
const QString portNameGroup = QStringLiteral("PortName");

const QString inMonitorMenuText = QStringLiteral("MIDI &In Monitor");
const QString outMonitorMenuText = QStringLiteral("MIDI O&ut Monitor");
const QString systemExclusiveMenuText = QStringLiteral("&System Exclusive");
const QString editViewObjectName = QStringLiteral("MidiEditViewSubWindow");

constexpr int editViewWidth = 338;
constexpr int editViewHeight = 274;

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
    // Views go first, while everything they reach through the view host is still there (a window
    // destroyed without being closed still has them). Deleting the area also takes the closed
    // sub-windows that wait for their deferred deletion. The event filter still sees their last
    // events; with the area pointer cleared it leaves them alone.
    QMdiArea* doomedArea = area;
    area = nullptr;
    delete doomedArea;

    // Withdraw the send path, then wait for the sends already inside the hub (a thru forward on a
    // receive thread, a worker's transmission) to come out before the ports go. Each is bounded by
    // the output ports' completion timeout.
    sendHub.store(nullptr);
    while (sendsInFlight.load() != 0)
        QThread::usleep(200);
    // The closed editors' transmissions were told to stop but may still be between two sends, and
    // they send through this window; with the hub withdrawn every further send fails at once, so
    // they end promptly.
    for (int second = 0; second < 5 && !MidiEditTransmittionThread::finishReleasedThreads(1000); ++second) {
    }

    analyzer->closeTransmittedLogFile();
    analyzer->closeReceivedLogFile();
    killTimer(timerId);
    timerId = 0;
    vantelModel->removeAssistant(this);
    analyzer->setSender(nullptr);
    hub.reset();
    analyzer.reset();
    bulkIntervalManager.reset();

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
    for (QList<QPointer<QMdiSubWindow>>& list : multiViews)
        list.clear();
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
        resetLayout();
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
        openSingleEditView(SlotMidiInMonitor, inMonitorMenuText, EditInMonitor);
        break;
    case ViewMidiOutMonitor:
        openSingleEditView(SlotMidiOutMonitor, outMonitorMenuText, EditOutMonitor);
        break;
    case ViewSystemExclusive:
        openEditView(systemExclusiveMenuText, EditSystemExclusive, QSize(), QString());
        break;
    default:
        // The generator and settings views join these tables when they exist.
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
    case CommandClearMonitors: {
        const QList<QPointer<MidiEditView>> outMonitors = monitorViewsB;
        for (MidiEditView* view : outMonitors)
            if (view)
                view->textView()->clearText();
        // System-exclusive views hold the user's data; only the In monitors are cleared.
        const QList<QPointer<MidiEditView>> inViews = monitorViewsA;
        for (MidiEditView* view : inViews)
            if (view && view->isInMonitor())
                view->textView()->clearText();
        break;
    }
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
        shownOnce = true;
        if (!startedWithFile) {
            // Restoring a saved layout comes with the rest of the settings file; until one is
            // saved, every start begins with the default layout.
            setUpdatesEnabled(false);
            vantelModel->lockModified();
            resetLayout();
            vantelModel->unlockModified();
            setUpdatesEnabled(true);
        }
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
    monitorViewsA.removeAll(nullptr);
    monitorViewsB.removeAll(nullptr);
    QByteArray inText, sysExText, outText;
    quint32 inCount = 0, sysExCount = 0, outCount = 0;
    if (analyzer->takeMonitorText(inText, inCount, sysExText, sysExCount, outText, outCount)) {
        // One conversion per tick, shared by every view.
        const QString out = outCount > 0 ? QString::fromUtf8(outText) : QString();
        const QString in = inCount > 0 ? QString::fromUtf8(inText) : QString();
        const QString sysEx = sysExCount > 0 ? QString::fromUtf8(sysExText) : QString();
        if (!out.isEmpty()) {
            const QList<QPointer<MidiEditView>> outMonitors = monitorViewsB;
            for (MidiEditView* view : outMonitors)
                if (view)
                    view->appendOutText(out);
        }
        const QList<QPointer<MidiEditView>> inViews = monitorViewsA;
        for (MidiEditView* view : inViews) {
            if (!view)
                continue;
            if (view->isInMonitor())
                view->appendReceivedText(in, inCount);
            else
                view->appendReceivedText(sysEx, sysExCount);
        }
    }
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

QList<MidiEditView*> MainWindow::inAndSystemExclusiveViews() const
{
    QList<MidiEditView*> views;
    for (MidiEditView* view : monitorViewsA)
        if (view)
            views.append(view);
    return views;
}

QList<MidiEditView*> MainWindow::outMonitorViews() const
{
    QList<MidiEditView*> views;
    for (MidiEditView* view : monitorViewsB)
        if (view)
            views.append(view);
    return views;
}

void MainWindow::releaseKeyboardKeys()
{
    // The PC-keyboard note engine and the keyboard views hold no notes yet.
}


// --- Sub-windows ----------------------------------------------------------------------------------

QString MainWindow::viewTitle(const QString& menuText)
{
    QString title = menuText;
    title.remove(QRegExp(QStringLiteral("\\&|\\.\\.\\.")));
    return title;
}

void MainWindow::removeStayOnTopAction(QMdiSubWindow* subWindow)
{
    QMenu* menu = subWindow->systemMenu();
    if (!menu)
        return;
    const QList<QAction*> actions = menu->actions();
    for (QAction* action : actions)
        if (action->text() == QLatin1String("Stay on &Top"))
            menu->removeAction(action);
}

QMdiSubWindow* MainWindow::addViewSubWindow(QWidget* view, const QString& objectName)
{
    QMdiSubWindow* subWindow = area->addSubWindow(view);
    if (!objectName.isEmpty())
        subWindow->setObjectName(objectName);
    removeStayOnTopAction(subWindow);
    subWindow->setWindowIcon(subWindowIcon);
    subWindow->installEventFilter(this);
    // A sub-window deleted without a close event (the window going away) must not leave an entry
    // that a later sub-window at the same address would inherit.
    connect(subWindow, &QObject::destroyed, this,
            [this, subWindow] { normalGeometryTable.remove(subWindow); });
    return subWindow;
}

void MainWindow::finishViewSubWindow(QMdiSubWindow* subWindow, const QString& menuText)
{
    subWindow->setWindowTitle(viewTitle(menuText));
    rememberGeometry(subWindow);
    subWindow->show();
}

QList<QMdiSubWindow*> MainWindow::multiViewList(int list)
{
    QList<QMdiSubWindow*> open;
    if (list < 0 || list >= MultiViewListCount)
        return open;
    QList<QPointer<QMdiSubWindow>>& views = multiViews[size_t(list)];
    views.removeAll(QPointer<QMdiSubWindow>());
    for (const QPointer<QMdiSubWindow>& view : views)
        open.append(view);
    return open;
}

bool MainWindow::multiViewHasRoom(int list, const QString& title)
{
    if (multiViewList(list).size() < multiViewLimit(list))
        return true;
    showViewLimitWarning(title);
    return false;
}

void MainWindow::showViewLimitWarning(const QString& title)
{
    if (warningShown)
        return;
    warningShown = true;
    QMessageBox::warning(this, productName,
                         QStringLiteral("Unable to open a new %1 View.\nPlease close any opened %1 View before trying again.")
                             .arg(title),
                         QMessageBox::Ok);
    warningShown = false;
}

QMdiSubWindow* MainWindow::openEditView(const QString& menuText, qint32 editKind, const QSize& contentSize,
                                        const QString& initialText)
{
    if (editKind < EditInMonitor || editKind > EditSystemExclusiveReceive)
        return nullptr;
    // Monitors count against the editors' limit too: they are the same kind of view.
    if (!multiViewHasRoom(ListSystemExclusive, viewTitle(menuText)))
        return nullptr;

    auto* view = new MidiEditView(nullptr, vantelModel, editKind, initialText, this);
    (editKind == EditOutMonitor ? monitorViewsB : monitorViewsA).append(view);
    QMdiSubWindow* subWindow = addViewSubWindow(view, editViewObjectName);
    if (!contentSize.isEmpty()) {
        subWindow->adjustSize();
        view->adjustSize();
        subWindow->resize(contentSize + (subWindow->size() - view->size()));
    } else {
        subWindow->resize(editViewWidth, editViewHeight);
    }
    if (editKind == EditSystemExclusive || editKind == EditSystemExclusiveReceive)
        multiViews[ListSystemExclusive].append(subWindow);
    finishViewSubWindow(subWindow, menuText);
    return subWindow;
}

QMdiSubWindow* MainWindow::openSingleEditView(int slot, const QString& menuText, qint32 editKind)
{
    QPointer<QMdiSubWindow>& open = singleViews[size_t(slot)];
    if (open) {
        area->setActiveSubWindow(open);
        return open;
    }
    open = openEditView(menuText, editKind, QSize(), QString());
    return open;
}

void MainWindow::resetLayout()
{
    closeAllViews();
    if ((singleViews[SlotMidiInMonitor] = openEditView(inMonitorMenuText, EditInMonitor, QSize(), QString())))
        singleViews[SlotMidiInMonitor]->setGeometry(0, 0, editViewWidth, editViewHeight);
    if ((singleViews[SlotMidiOutMonitor] = openEditView(outMonitorMenuText, EditOutMonitor, QSize(), QString())))
        singleViews[SlotMidiOutMonitor]->setGeometry(editViewWidth, 0, editViewWidth, editViewHeight);
    if (QMdiSubWindow* editor = openEditView(systemExclusiveMenuText, EditSystemExclusive, QSize(), QString()))
        editor->setGeometry(0, editViewHeight, editViewWidth, editViewHeight);
}

QMdiSubWindow* MainWindow::restoreView(qint32 kind, bool stayOnTop, const QRect& geometry, Qt::WindowStates state,
                                       const QList<QVariant>& extraValues)
{
    Q_UNUSED(extraValues) // the Control Change view's controller number, when that view exists
    QMdiSubWindow* subWindow = nullptr;
    switch (kind) {
    case 1:
        // A restored layout replaces whatever the slot held.
        subWindow = singleViews[SlotMidiInMonitor] = openEditView(inMonitorMenuText, EditInMonitor, QSize(), QString());
        break;
    case 2:
        subWindow = singleViews[SlotMidiOutMonitor] =
            openEditView(outMonitorMenuText, EditOutMonitor, QSize(), QString());
        break;
    case 3:
        subWindow = openEditView(systemExclusiveMenuText, EditSystemExclusive, QSize(), QString());
        break;
    default:
        // Kinds of views that do not exist (yet) restore nothing.
        break;
    }
    if (!subWindow)
        return nullptr;
    applyGeometry(subWindow, geometry);
    if (stayOnTop)
        subWindow->setWindowFlags(subWindow->windowFlags() | Qt::WindowStaysOnTopHint);
    subWindow->setWindowState(subWindow->windowState() | state);
    return subWindow;
}

void MainWindow::applyGeometry(QWidget* window, const QRect& rectangle)
{
    if ((window->windowFlags() & Qt::WindowMaximizeButtonHint) || window->size() != window->minimumSize() ||
        window->size() != window->maximumSize())
        window->setGeometry(rectangle);
    else
        window->move(rectangle.topLeft());
}

QRect MainWindow::fitToScreens(const QRect& rectangle)
{
    QRect result;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect overlap = screen->availableGeometry().intersected(rectangle);
        if (overlap.width() >= 100 && overlap.height() >= 100)
            result = rectangle;
    }
    if (result.isNull()) {
        if (const QScreen* primary = QGuiApplication::primaryScreen())
            result = QRect(primary->availableGeometry().topLeft() + QPoint(50, 50), rectangle.size());
        else
            result = rectangle;
    }
    return result;
}

bool MainWindow::isNormalState(const QWidget* window)
{
    if (window->isMinimized() || window->isMaximized() || window->isFullScreen())
        return false;
    const auto* subWindow = qobject_cast<const QMdiSubWindow*>(window);
    if (!subWindow || !subWindow->systemMenu())
        return true;
    // A sub-window shaded (rolled up to its title) is not maximised or minimised but offers
    // "Restore"; it is in normal state exactly when there is nothing to restore.
    for (const QAction* action : subWindow->systemMenu()->actions())
        if (action->text() == QLatin1String("&Restore"))
            return !action->isEnabled();
    return true;
}

QRect MainWindow::normalGeometry(const QWidget* window) const
{
    if (window == this)
        return QMainWindow::normalGeometry();
    const auto* subWindow = qobject_cast<const QMdiSubWindow*>(window);
    if (!subWindow)
        return window->geometry();
    return normalGeometryTable.value(subWindow, subWindow->geometry());
}

void MainWindow::rememberGeometry(QMdiSubWindow* subWindow)
{
    if (!normalGeometryTable.contains(subWindow))
        normalGeometryTable.insert(subWindow, subWindow->geometry());
}

bool MainWindow::mayMaximize(const QMdiSubWindow* subWindow)
{
    static const QStringList resizable = {QStringLiteral("MidiEditViewSubWindow"),
                                          QStringLiteral("ControlChangeViewSubWindow"),
                                          QStringLiteral("TimingClockViewSubWindow"),
                                          QStringLiteral("ActivesenseViewSubWindow"),
                                          QStringLiteral("PitchbendViewSubWindow"),
                                          QStringLiteral("MIDISettingsViewSubWindow"),
                                          QStringLiteral("CustomMIDIMessageViewSubWindow")};
    return resizable.contains(subWindow->objectName(), Qt::CaseSensitive);
}

void MainWindow::applyMaximizeRule()
{
    const QList<QMdiSubWindow*> subWindows = area->subWindowList();
    for (QMdiSubWindow* subWindow : subWindows)
        if (!mayMaximize(subWindow) && (subWindow->windowState() & Qt::WindowMaximized))
            subWindow->setWindowState(subWindow->windowState() & ~Qt::WindowMaximized);
}

// --- Event filter ---------------------------------------------------------------------------------

bool MainWindow::isMdiAreaObject(const QObject* object) const
{
    return object == area || object == area->viewport();
}

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
        applyMaximizeRule();

    if (singleViews[SlotAbout] && watched == singleViews[SlotAbout])
        return false;

    if (type == QEvent::Wheel)
        return true;

    if (auto* subWindow = qobject_cast<QMdiSubWindow*>(watched)) {
        auto entry = normalGeometryTable.find(subWindow);
        if (type == QEvent::Resize && entry != normalGeometryTable.end() && isNormalState(subWindow))
            entry->setSize(static_cast<QResizeEvent*>(event)->size());
        else if (type == QEvent::Move && entry != normalGeometryTable.end() && isNormalState(subWindow))
            entry->moveTopLeft(static_cast<QMoveEvent*>(event)->pos());
        else if (type == QEvent::Close)
            normalGeometryTable.remove(subWindow);
    }

    if (!isMdiAreaObject(watched))
        return false;
    return mdiAreaEvent(event);
}

bool MainWindow::mdiAreaEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter: {
        auto* drag = static_cast<QDragEnterEvent*>(event);
        const QString suffix = droppedSuffix(drag->mimeData());
        // Project files are accepted once project files can be loaded; until then a dropped one
        // would be taken and then ignored, so the drag shows no drop cursor for it.
        const bool wanted = suffix == QLatin1String("txt");
        if (QApplication::activeModalWidget() || vantelModel->getValue(ParamTransmissionState) == 1 || !wanted) {
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
        const QMimeData* data = drop->mimeData();
        if (!data->hasFormat(QStringLiteral("text/uri-list")))
            return false;
        if (droppedSuffix(data) != QLatin1String("txt"))
            return false;
        const QList<QUrl> urls = data->urls();
        const QString path = urls.isEmpty() ? QString() : urls.first().toLocalFile();
        // An unreadable file gives an empty editor.
        QString text;
        QFile file(path);
        if (!path.isEmpty() && file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            QTextStream stream(&file);
            stream.setCodec("UTF-8");
            text = stream.readAll();
        }
        if (!path.isEmpty())
            vantelModel->setString(ParamDumpFileWorkingDirectory, QFileInfo(path).absolutePath());
        openEditView(systemExclusiveMenuText, EditSystemExclusive, QSize(), text);
        drop->acceptProposedAction();
        return true;
    }
    default:
        return false;
    }
}
