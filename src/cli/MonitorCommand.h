#pragma once

#include "CliCommand.h"

// "monitor": prints every received message as a line of the MIDI In monitor until a count, a time
// or a signal ends it; optionally stores the system-exclusive messages as a .syx file.
class MonitorCommand : public CliCommand
{
public:
    QString synopsis() const override
    {
        return QStringLiteral("monitor --in DEVICE|--virtual NAME [--in DEVICE|--virtual NAME] [--time] "
                              "[--details] [--filter SPEC] [--count N] [--timeout MS] [--syx FILE]");
    }

protected:
    void describe(QCommandLineParser& parser) const override;
    int run(const QCommandLineParser& parser, CliContext& context) override;
    QString moreHelp() const override;
};
