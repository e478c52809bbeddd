#include "ListCommand.h"

#include "CliContext.h"
#include "DeviceMatcher.h"
#include "HostMidiService.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

void ListCommand::describe(QCommandLineParser& parser) const
{
    parser.addOption({QStringLiteral("json"), QStringLiteral("Prints a JSON object: api, inputs, outputs.")});
}

int ListCommand::run(const QCommandLineParser& parser, CliContext& context)
{
    if (!parser.positionalArguments().isEmpty()) {
        context.error(QStringLiteral("list takes no arguments"));
        return CliStatus::UsageOrDevice;
    }
    if (!context.startMidi())
        return CliStatus::UsageOrDevice;
    const QStringList inputs = DeviceMatcher::names(context.service, true);
    const QStringList outputs = DeviceMatcher::names(context.service, false);
    if (parser.isSet(QStringLiteral("json"))) {
        QJsonObject object;
        object.insert(QStringLiteral("api"), context.service->apiName());
        object.insert(QStringLiteral("inputs"), QJsonArray::fromStringList(inputs));
        object.insert(QStringLiteral("outputs"), QJsonArray::fromStringList(outputs));
        std::fputs(QJsonDocument(object).toJson(QJsonDocument::Indented).constData(), context.out);
        return CliStatus::Success;
    }
    for (const QString& name : inputs)
        std::fprintf(context.out, "in\t%s\n", qUtf8Printable(name));
    for (const QString& name : outputs)
        std::fprintf(context.out, "out\t%s\n", qUtf8Printable(name));
    return CliStatus::Success;
}
