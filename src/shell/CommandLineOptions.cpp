#include "CommandLineOptions.h"

#include "HostMidiService.h"

namespace {

const QString midiApiOption = QStringLiteral("midi-api");

} // namespace

CommandLineOptions CommandLineOptions::parse(const QStringList& arguments)
{
    CommandLineOptions options;
    bool positionalSeen = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--") + midiApiOption || argument == QLatin1Char('-') + midiApiOption) {
            if (i + 1 < arguments.size() && !arguments.at(i + 1).isEmpty()) {
                options.api = arguments.at(++i);
            } else {
                options.problem =
                    QStringLiteral("--midi-api needs a value: %1.").arg(HostMidiService::apiNames());
                ++i;
            }
            continue;
        }
        if (argument.startsWith(QLatin1String("--") + midiApiOption + QLatin1Char('='))) {
            options.api = argument.mid(midiApiOption.size() + 3);
            if (options.api.isEmpty())
                options.problem =
                    QStringLiteral("--midi-api needs a value: %1.").arg(HostMidiService::apiNames());
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
