#pragma once

#include <QString>
#include <QStringList>

// The "--midi-api NAME" option every program of the suite takes (also "-midi-api NAME" and
// "--midi-api=NAME"), read in one place so that the window program and the command-line program
// accept the same forms and say the same when the value is missing.
class MidiApiOption
{
public:
    // When arguments[*index] is the option, takes it (and its value, advancing *index past it) and
    // returns true; the value goes to *api, or a message to *problem when it is missing. False, with
    // nothing changed, for any other argument.
    static bool take(const QStringList& arguments, int* index, QString* api, QString* problem);
};
