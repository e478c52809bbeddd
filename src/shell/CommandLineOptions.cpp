#include "CommandLineOptions.h"

#include "MidiApiOption.h"

CommandLineOptions CommandLineOptions::parse(const QStringList& arguments)
{
    CommandLineOptions options;
    bool positionalSeen = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (MidiApiOption::take(arguments, &i, &options.api, &options.problem))
            continue;
        if (!positionalSeen) {
            // Only the first positional argument counts; when it is empty there is no project,
            // even if more arguments follow.
            positionalSeen = true;
            options.project = argument;
        }
    }
    return options;
}
