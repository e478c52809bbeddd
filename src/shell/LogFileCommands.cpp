#include "LogFileCommands.h"

#include "MainWindow.h"
#include "MidiAnalyzer.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"

#include <QAction>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>

LogFileCommands::LogFileCommands(MainWindow* aWindow, VantelMidiModel* aModel, MidiAnalyzer* anAnalyzer)
    : window(aWindow), model(aModel), analyzer(anAnalyzer)
{
}

void LogFileCommands::addEntries(QMenu* menu, quint32 inData, quint32 outData)
{
    const QString texts[] = {QStringLiteral("Write MIDI &In Data to Log File..."),
                             QStringLiteral("Write MIDI &Out Data to Log File...")};
    const quint32 data[] = {inData, outData};
    for (int direction = In; direction <= Out; ++direction) {
        QAction* action = menu->addAction(texts[direction]);
        action->setCheckable(true);
        action->setData(data[direction]);
        entries[direction] = action;
    }
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
    window->releaseKeyboardKeys();
    const QString chosen =
        QFileDialog::getSaveFileName(window, QStringLiteral("Select log output file"), proposed,
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
            window->showErrorMessage(QStringLiteral("File close failed."));
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
        window->showErrorMessage(QStringLiteral("File open failed."));
    }
}
