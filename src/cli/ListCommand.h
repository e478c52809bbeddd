#pragma once

#include "CliCommand.h"

// "list": the input and output devices of the MIDI system, one per line ("in" or "out", a tab and
// the name), in the order of the port menus; --json for a JSON object.
class ListCommand : public CliCommand
{
public:
    QString synopsis() const override { return QStringLiteral("list [--json]"); }

protected:
    void describe(QCommandLineParser& parser) const override;
    int run(const QCommandLineParser& parser, CliContext& context) override;
};
