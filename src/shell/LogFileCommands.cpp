#include "LogFileCommands.h"

#include "MidiAnalyzer.h"
#include "MidiKeyboardView.h"
#include "ProjectCommands.h"
#include "SubWindowManager.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"
#include "ViewHost.h"

#include <QAction>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

#include <cerrno>

LogFileCommands::LogFileCommands(QWidget* aDialogParent, ViewHost* aHost, SubWindowManager* theViews,
                                 VantelMidiModel* aModel, MidiAnalyzer* anAnalyzer)
    : dialogParent(aDialogParent), host(aHost), views(theViews), model(aModel), analyzer(anAnalyzer)
{
}

void LogFileCommands::addEntries(QMenu* menu)
{
    const QString texts[] = {QStringLiteral("Write MIDI &In Data to Log File..."),
                             QStringLiteral("Write MIDI &Out Data to Log File...")};
    for (int direction = In; direction <= Out; ++direction) {
        QAction* action = menu->addAction(texts[direction]);
        action->setCheckable(true);
        entries[direction] = action;
    }
}

void LogFileCommands::writeFailed(Direction direction)
{
    const bool stillOpen =
        direction == In ? analyzer->hasReceivedLogFile() : analyzer->hasTransmittedLogFile();
    if (entries[direction] && !stillOpen)
        entries[direction]->setChecked(false);
    // A modal box takes the mouse release and the key-up events away from held notes: a key held
    // with the mouse or latched with Control would go on sounding.
    if (QMdiArea* area = views->area()) {
        for (QMdiSubWindow* subWindow : area->subWindowList())
            if (auto* keyboard = qobject_cast<MidiKeyboardView*>(subWindow->widget()))
                keyboard->releaseAllKeys();
    }
    host->releaseKeyboardKeys();
    const QString text = direction == In ? QStringLiteral("MIDI In log file write failed.")
                                         : QStringLiteral("MIDI Out log file write failed.");
    host->showErrorDetail(text, stillOpen ? QStringLiteral("An earlier log file could not be written to its "
                                                           "end; the open one is not affected.")
                                          : QString());
}

void LogFileCommands::setLogMenuItemsEnabled(bool enabled)
{
    for (const QPointer<QAction>& action : entries)
        if (action)
            action->setEnabled(enabled);
}

QString LogFileCommands::selectLogFile(const QString& suffix)
{
    const QString name = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_hhmmss")) + suffix +
                         QStringLiteral(".log");
    QString proposed = model->getString(ParamOutputLogFileWorkingDirectory) + QLatin1Char('/') + name;
    if (!QFileInfo(proposed).dir().exists())
        proposed = model->getDefaultString(ParamOutputLogFileWorkingDirectory) + QLatin1Char('/') + name;
    // The dialog takes the key-up events of notes held on the computer keyboard.
    host->releaseKeyboardKeys();
    const QString chosen =
        QFileDialog::getSaveFileName(dialogParent, QStringLiteral("Select log output file"), proposed,
                                     QCoreApplication::translate("MainWindow", "Log Files (*.log)"));
    if (!chosen.isEmpty()) {
        const QString folder = QFileInfo(chosen).absolutePath();
        if (!folder.isEmpty())
            model->setString(ParamOutputLogFileWorkingDirectory, folder);
    }
    return chosen;
}

void LogFileCommands::toggled(Direction direction)
{
    QAction* action = entries[direction];
    if (!action)
        return;
    if (!action->isChecked()) {
        const bool closed =
            direction == In ? analyzer->closeReceivedLogFile() : analyzer->closeTransmittedLogFile();
        if (!closed)
            host->showErrorMessage(QStringLiteral("File close failed."));
        return;
    }
    // Both entries wait while the dialog is open, so the other direction cannot be switched meanwhile.
    setLogMenuItemsEnabled(false);
    const QString path =
        selectLogFile(direction == In ? QStringLiteral("_MIDI_In") : QStringLiteral("_MIDI_Out"));
    setLogMenuItemsEnabled(true);
    if (path.isEmpty()) {
        action->setChecked(false);
        return;
    }
    errno = 0;
    const bool opened =
        direction == In ? analyzer->openReceivedLogFile(path) : analyzer->openTransmittedLogFile(path);
    // The reason the file could not be created is the system's, left in errno by the failed open.
    const int error = errno;
    if (!opened) {
        action->setChecked(false);
        host->showErrorDetail(
            QStringLiteral("File open failed."),
            ProjectCommands::failureDetail(path, error != 0 ? qt_error_string(error) : QString()));
    }
}
