#include "MainWindow.h"

#include "FileDropHandler.h"
#include "KeyboardNoteEventManager.h"
#include "LogFileCommands.h"
#include "MainMenus.h"
#include "MidiAnalyzer.h"
#include "MidiBulkIntervalManager.h"
#include "MidiEditView.h"
#include "MidiHub.h"
#include "MidiSession.h"
#include "MonitorRefresh.h"
#include "ProjectCommands.h"
#include "SettingsFile.h"
#include "SubWindowManager.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"
#include "WindowLayout.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimerEvent>

std::atomic<MainWindow*> MainWindow::eventLoopWindow{nullptr};

MainWindow::MainWindow(VantelMidiModel* model, QWidget* parent) : QMainWindow(parent), vantelModel(model)
{
    Q_ASSERT(vantelModel);
    // The host timer period (1 ms) needs no request on Linux: timers are not quantised there.

    // Nothing done while building the window is a change the user made.
    vantelModel->lockModified();

    setWindowTitle(QStringLiteral("Vantel MIDI"));
    QApplication::setFont(font());
    SettingsFile::makeFolder();

    session = std::make_unique<MidiSession>(vantelModel);
    MidiAnalyzer* analyzer = session->analyzer();
    subWindowManager = new SubWindowManager(vantelModel, this, this);
    setCentralWidget(subWindowManager->area());
    refresh = std::make_unique<MonitorRefresh>(analyzer);
    connect(subWindowManager, &SubWindowManager::viewOpened, this, [this](QMdiSubWindow* subWindow) {
        refresh->addView(qobject_cast<MidiEditView*>(subWindow->widget()));
    });
    // Transmissions still running while their views go should not pause after every dump; what the
    // closed views sent belongs to the layout that is gone.
    connect(subWindowManager, &SubWindowManager::closingAll, this,
            [this] { session->bulkManager()->setActive(false); });
    connect(subWindowManager, &SubWindowManager::closedAll, this, [this] {
        session->analyzer()->discardTransmittedText();
        session->bulkManager()->setActive(true);
    });

    projectCommands = std::make_unique<ProjectCommands>(this, subWindowManager, this, vantelModel);
    logs = std::make_unique<LogFileCommands>(this, this, vantelModel, analyzer);
    noteEngine = std::make_unique<KeyboardNoteEventManager>(vantelModel, this);
    // The analyzer reports log failures from its writer thread; the message boxes open here.
    connect(
        analyzer, &MidiAnalyzer::writeTransmittedDataFailedToTextFile, this,
        [this] {
            logs->writeFailed(LogFileCommands::Out, QStringLiteral("MIDI Out log file write failed."));
        },
        Qt::QueuedConnection);
    connect(
        analyzer, &MidiAnalyzer::writeReceivedDataFailedToTextFile, this,
        [this] { logs->writeFailed(LogFileCommands::In, QStringLiteral("MIDI In log file write failed.")); },
        Qt::QueuedConnection);

    mainMenus = new MainMenus(this, subWindowManager, projectCommands.get(), logs.get(), refresh.get(),
                              session->hub(), vantelModel, this);
    connect(mainMenus, &MainMenus::newChosen, this, &MainWindow::newProject);
    connect(mainMenus, &MainMenus::closeAllChosen, this, &MainWindow::closeProject);
    addStatusBar();

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
    // destroyed without being closed still has them).
    subWindowManager->deleteArea();

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

QMdiArea* MainWindow::mdiArea() const
{
    return subWindowManager->area();
}

void MainWindow::addStatusBar()
{
    // Devices and the MIDI server coming and going are told in the status bar, there from the
    // start so that the area does not jump when the first news comes; the port menus show it when
    // they open next. The news is a label of its own, not a status message: the menus' status tips
    // would wipe a message whenever the mouse crosses an entry.
    statusBar()->setSizeGripEnabled(false);
    auto* deviceNews = new QLabel(statusBar());
    deviceNews->setObjectName(QStringLiteral("deviceNews"));
    statusBar()->addWidget(deviceNews, 1);
    MidiHub* hub = session->hub();
    connect(hub, &MidiHub::portDeviceChanged, deviceNews,
            [deviceNews](bool input, quint32 port, const QString& device, bool present) {
                deviceNews->setText(MidiHub::deviceChangeText(input, port, device, present));
            });
    connect(hub, &MidiHub::serverRunningChanged, deviceNews,
            [hub, deviceNews](bool running) { deviceNews->setText(hub->serverChangeText(running)); });
    connect(hub, &MidiHub::inputOverflowed, deviceNews,
            [deviceNews](quint32 port) { deviceNews->setText(MidiHub::overflowText(port)); });
}

void MainWindow::parameterChanged(qint32 id)
{
    if (id == ParamModified)
        updateWindowTitle();
}

void MainWindow::updateWindowTitle()
{
    setWindowTitle(ProjectCommands::windowTitle(vantelModel));
}

void MainWindow::resizeToDefault()
{
    resize(DefaultWidth, DefaultHeightBelowMenuBar + menuBar()->height() + statusBar()->height());
}

bool MainWindow::openProject(const QString& path)
{
    return projectCommands->openProject(path);
}

void MainWindow::newProject()
{
    if (!projectCommands->settleUnsavedChanges())
        return;
    vantelModel->lockModified();
    setUpdatesEnabled(false);
    if (isMaximized() || isMinimized() || isFullScreen())
        showNormal();
    resizeToDefault();
    subWindowManager->openDefaultLayout();
    setUpdatesEnabled(true);
    vantelModel->unlockModified();
    vantelModel->setProjectFilePath(QString());
    vantelModel->setModified(0);
    updateWindowTitle();
}

void MainWindow::closeProject()
{
    if (!projectCommands->settleUnsavedChanges())
        return;
    subWindowManager->closeAll();
    vantelModel->setProjectFilePath(QString());
    vantelModel->setModified(0);
    updateWindowTitle();
}

bool MainWindow::pcKeyPress(quint8 key, bool autoRepeat, quint64 timestamp)
{
    return noteEngine && noteEngine->keyPressed(key, autoRepeat, timestamp);
}

bool MainWindow::pcKeyRelease(quint8 key, bool autoRepeat, quint64 timestamp)
{
    return noteEngine && noteEngine->keyReleased(key, autoRepeat, timestamp);
}

// --- Window events --------------------------------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (vantelModel->isModified()) {
        if (!projectCommands->settleUnsavedChanges()) {
            event->ignore();
            return;
        }
        vantelModel->setModified(0);
    }
    if (!closing) {
        WindowLayout::saveWindowPositions(this, subWindowManager);
        subWindowManager->closeAll();
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
            WindowLayout::restoreWindowPositions(this, subWindowManager, vantelModel);
        new FileDropHandler(mdiArea(), subWindowManager, projectCommands.get(), vantelModel);
    }
}

void MainWindow::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != timerId) {
        QMainWindow::timerEvent(event);
        return;
    }
    refresh->tick();
    refresh->showReceivedTempo(subWindowManager->singleView(ViewKind::TimingClock));
}

// --- View host ------------------------------------------------------------------------------------

bool MainWindow::sendToOutputPorts(const quint8* bytes, quint32 length, quint8 labelKind,
                                   quint32 portSelection, bool skipPacing, bool forceLong,
                                   quint64 passThrough, bool direct, quint32* sendTimeOut)
{
    return session->sendToOutputPorts(bytes, length, labelKind, portSelection, skipPacing, forceLong,
                                      passThrough, direct, sendTimeOut);
}

QMdiSubWindow* MainWindow::openEditView(qint32 editKind, const QSize& contentSize, const QString& initialText)
{
    return subWindowManager->openEditView(editKind, contentSize, initialText);
}

void MainWindow::releaseKeyboardKeys()
{
    if (noteEngine)
        noteEngine->releaseAllNotes();
}

bool MainWindow::isLoadingProject() const
{
    return projectCommands->isLoading();
}

void MainWindow::showErrorMessage(const QString& text)
{
    subWindowManager->closeAbout();
    QMessageBox::critical(this, QStringLiteral("Vantel MIDI"), text, QMessageBox::Ok);
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
    const QStringList list = session->hub()->inputPortChoices(port, &position, true);
    if (choices)
        *choices = list;
    if (index)
        *index = position;
}

void MainWindow::outputPortChoices(quint32 port, QStringList* choices, qint32* index)
{
    qint32 position = 0;
    const QStringList list = session->hub()->outputPortChoices(port, &position, true);
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
