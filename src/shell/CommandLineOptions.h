#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for, read in one place. The only positional argument is the project
// file to open; an empty argument counts as none, so a launcher that passes "" for "no file"
// starts normally. "--midi-api NAME" (also "-midi-api NAME" and "--midi-api=NAME") chooses the
// MIDI system and may come before or after the project file.
class CommandLineOptions
{
public:
    // arguments as QCoreApplication::arguments() gives them: the program name first.
    static CommandLineOptions parse(const QStringList& arguments);

    bool hasProjectFile() const { return !project.isEmpty(); }
    QString projectFile() const { return project; }
    // The MIDI system asked for; a null text when the option was not given.
    QString midiApi() const { return api; }
    // A message for a command line that cannot be followed (an option without its value); empty
    // when it can.
    QString error() const { return problem; }

private:
    QString project;
    QString api;
    QString problem;
};
