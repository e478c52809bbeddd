#pragma once

#include <QString>

// The settings file "VantelMIDI.ini" (INI format) in "TESSIK/Vantel MIDI" below the parent of the
// first application-data folder. Each operation opens the file, reads or writes what it names and
// closes it again, so the file on disk is always complete. GUI thread only.
class SettingsFile
{
public:
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
};
