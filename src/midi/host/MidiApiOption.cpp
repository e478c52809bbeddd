#include "MidiApiOption.h"

#include "HostMidiService.h"

namespace {

const QString optionName = QStringLiteral("midi-api");

QString missingValue()
{
    return QStringLiteral("--midi-api needs a value: %1.").arg(HostMidiService::apiNames());
}

} // namespace

bool MidiApiOption::take(const QStringList& arguments, int* index, QString* api, QString* problem)
{
    const QString& argument = arguments.at(*index);
    if (argument == QLatin1String("--") + optionName || argument == QLatin1Char('-') + optionName) {
        if (*index + 1 < arguments.size() && !arguments.at(*index + 1).isEmpty())
            *api = arguments.at(++*index);
        else {
            *problem = missingValue();
            ++*index;
        }
        return true;
    }
    if (argument.startsWith(QLatin1String("--") + optionName + QLatin1Char('='))) {
        *api = argument.mid(optionName.size() + 3);
        if (api->isEmpty())
            *problem = missingValue();
        return true;
    }
    return false;
}
