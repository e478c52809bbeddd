#include "MainWindow.h"

#include "MidiControllerNames.h"
#include "VantelMidiModel.h"

#include <QAction>
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

namespace {

const QString productName = QStringLiteral("Vantel MIDI");

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

    // Place of the message analyzer and the MIDI client (with the analyzer's log-failure signals
    // connected, queued, to the error handlers).

    buildFileMenu();

    // Place of the two input and two output ports, created with the time-stamp bases taken here.

    // The port menus get their entries from the host's device list each time they open; until the
    // ports are part of the window they stay empty.
    inputPortMenu = menuBar()->addMenu(tr("&InputPort"));
    outputPortMenu = menuBar()->addMenu(tr("&OutputPort"));
    buildViewsMenu();
    buildCommandsMenu();
    buildWindowMenu();
    buildHelpMenu();

    // Place of: loading the settings file (which reopens the saved ports), handing the analyzer to
    // the input ports as their data sink, the bulk-interval manager, and the 100 ms refresh timer.

    vantelModel->addAssistant(this);
    vantelModel->unlockModified();
}

MainWindow::~MainWindow()
{
    // Place of the teardown in this order: close the analyzer's log files (Out, then In), delete
    // the note engine, stop the refresh timer; after unregistering, write the settings file and
    // delete the ports, the MIDI client, the analyzer and the bulk-interval manager.
    vantelModel->removeAssistant(this);

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
    // Place of: setting the bulk-interval manager's interval to 0 before the views go.
    vantelModel->lockModified();
    area->closeAllSubWindows();
    for (QPointer<QMdiSubWindow>& slot : singleViews)
        slot = nullptr;
    vantelModel->unlockModified();
    // Place of: the analyzer discarding its pending MIDI Out text, and reloading the bulk interval
    // from its parameter.
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
