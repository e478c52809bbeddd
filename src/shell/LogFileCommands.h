#pragma once

#include <QPointer>
#include <QString>

class MidiAnalyzer;
class QAction;
class QMenu;
class QWidget;
class VantelMidiModel;
class ViewHost;

// The two checkable Commands entries that write the MIDI In or MIDI Out monitor lines to a log
// file: choosing the file, opening and closing it through the analyzer, which owns the files, and
// the messages when that fails. A check mark shows that a file is meant to be open. GUI thread only.
class LogFileCommands
{
public:
    enum Direction
    {
        In = 0,
        Out = 1
    };

    // None is owned; all outlive this. dialogParent parents the file dialog; host releases the
    // notes held from the computer keyboard and shows the messages.
    LogFileCommands(QWidget* dialogParent, ViewHost* host, VantelMidiModel* model, MidiAnalyzer* analyzer);

    // Appends the two entries.
    void addEntries(QMenu* menu);
    // After the user toggled the entry of a direction (Qt has already changed its check mark).
    void toggled(Direction direction);
    // The path chosen for a new log file, proposed with the date and time and the suffix
    // ("_MIDI_In"); empty when the dialog was cancelled.
    QString selectLogFile(const QString& suffix);
    void setLogMenuItemsEnabled(bool enabled);
    // Writing a direction's file failed: its check mark goes and the message is shown.
    void writeFailed(Direction direction, const QString& text);

    QAction* entry(Direction direction) const { return entries[direction]; }

private:
    QWidget* dialogParent;
    ViewHost* host;
    VantelMidiModel* model;
    MidiAnalyzer* analyzer;
    QPointer<QAction> entries[2];
};
