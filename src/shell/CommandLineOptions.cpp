#include "CommandLineOptions.h"

namespace {

// Options that take a value, given as "--name value", "-name value" or "--name=value". Their values
// are read where they are used (the MIDI service reads --midi-api); here they are only kept from
// being taken for the project file.
const char* const valueOptions[] = {"midi-api"};

// 0: not an option of ours; 1: an option with its value attached; 2: an option whose value is the
// next argument.
int optionArguments(const QString& argument)
{
    for (const char* name : valueOptions) {
        const QString option = QLatin1String(name);
        if (argument == QLatin1String("--") + option || argument == QLatin1Char('-') + option)
            return 2;
        if (argument.startsWith(QLatin1String("--") + option + QLatin1Char('=')))
            return 1;
    }
    return 0;
}

} // namespace

CommandLineOptions CommandLineOptions::parse(const QStringList& arguments)
{
    CommandLineOptions options;
    bool positionalSeen = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        const int consumed = optionArguments(argument);
        if (consumed > 0) {
            i += consumed - 1;
            continue;
        }
        if (!positionalSeen) {
            // Only the first positional argument counts; when it is empty there is no project,
            // even if more arguments follow.
            positionalSeen = true;
            options.project = argument;
        }
    }
    return options;
}
