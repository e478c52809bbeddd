#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for. The only positional argument is the project file to open; an
// empty argument counts as none, so a launcher that passes "" for "no file" starts normally.
// Options of the program (such as "--midi-api jack") may come before or after it.
class CommandLineOptions
{
public:
    // arguments as QCoreApplication::arguments() gives them: the program name first.
    static CommandLineOptions parse(const QStringList& arguments);

    bool hasProjectFile() const { return !project.isEmpty(); }
    QString projectFile() const { return project; }

private:
    QString project;
};
