#pragma once

#include <QString>
#include <QStringList>

class HostMidiService;

// Finds the device a name given on the command line stands for, in a list as the MIDI system
// gives it: the exact name first (as the window program reopens its saved devices), then the one
// name equal regardless of case, then the one name that contains the text regardless of case.
class DeviceMatcher
{
public:
    // The matching device name; an empty string and a message in *error (naming the devices there
    // are) when none or more than one match. kind: "input" or "output", for the message.
    static QString match(const QStringList& devices, const QString& wanted, const QString& kind,
                         QString* error);
    // The same against the service's current input or output devices.
    static QString find(HostMidiService* service, bool input, const QString& wanted, QString* error);
    // The names of the service's devices, in the order it lists them.
    static QStringList names(HostMidiService* service, bool input);
};
