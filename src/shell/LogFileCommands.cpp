#include "LogFileCommands.h"

#include "MidiAnalyzer.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"
#include "ViewHost.h"

#include <QAction>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>

LogFileCommands::LogFileCommands(QWidget* aDialogParent, ViewHost* aHost, VantelMidiModel* aModel,
                                 MidiAnalyzer* anAnalyzer)
    : dialogParent(aDialogParent), host(aHost), model(aModel), analyzer(anAnalyzer)
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

void LogFileCommands::writeFailed(Direction direction, const QString& text)
{
    if (entries[direction])
        entries[direction]->setChecked(false);
    // A modal box takes the key-up events away from notes held on the computer keyboard.
    host->releaseKeyboardKeys();
    host->showErrorMessage(text);
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
    const bool opened =
        direction == In ? analyzer->openReceivedLogFile(path) : analyzer->openTransmittedLogFile(path);
    if (!opened) {
        action->setChecked(false);
        host->showErrorMessage(QStringLiteral("File open failed."));
    }
}
