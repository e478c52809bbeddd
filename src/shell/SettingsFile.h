#pragma once

#include <QList>
#include <QPair>
#include <QRect>
#include <QString>
#include <QVariant>

class ModelIF;

// The settings file "VantelMIDI.ini" (INI format) in "TESSIK/Vantel MIDI" below the parent of the
// first application-data folder. Each operation opens the file, reads or writes what it names and
// closes it again. Qt writes the file through a temporary file that replaces the old one, so the
// file on disk is always complete; a file that cannot be written is left as it was and nothing is
// reported (the settings are a convenience, the program goes on without them). GUI thread only.
//
// The file is the user's to edit, so what is read is checked: a number where a number belongs
// (clamped to its parameter's range), "true", "false" or a number for a switch; anything else
// gives the parameter's default.
class SettingsFile
{
public:
    // The groups of parameters; each is read and written as a whole.
    enum Group
    {
        FileWorkingDirectory,
        MidiFilter,
        MidiThru,
        Preferences
    };

    // One saved window of the "SavePosition" group.
    struct WindowPosition
    {
        qint32 kind = 0;
        QRect geometry;
        qint32 windowState = 0;
        bool stayOnTop = false;
        QList<QVariant> extraValues;
    };

    // The file's path; empty when there is no application-data folder.
    static QString path();
    // Creates the file's folder when it is missing.
    static void makeFolder();
    // Whether the file holds a saved window layout (group "SavePosition").
    static bool hasSavedWindowPositions();

    // The "PortName" key of a port: input or output, port 0 (Port1) or 1 (Port2).
    static QString portNameKey(bool input, quint32 port);
    static QString readPortName(bool input, quint32 port);
    static void writePortName(bool input, quint32 port, const QString& name);

    // Sets the group's parameters from the file; absent keys give the defaults.
    static void readGroup(ModelIF* model, Group group);
    // Writes every key of the group with its parameter's current value.
    static void writeGroup(ModelIF* model, Group group);
    // The group's keys and the parameters they hold, in the file's order.
    static QList<QPair<QString, qint32>> groupKeys(Group group);

    // Replaces the whole "SavePosition" group: the main window first, then the views. Does
    // nothing without a path.
    static void writeWindowPositions(const QList<WindowPosition>& windows);
    // The saved windows in ascending key order; entries that cannot be read are left out and
    // counted in unreadable.
    static QList<WindowPosition> readWindowPositions(int* unreadable = nullptr);
    // "0000000003-4-1": sequence number, kind, instance number.
    static QString windowPositionKey(int sequence, qint32 kind, int instance);
};
