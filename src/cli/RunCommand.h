#pragma once

#include "CliCommand.h"

// "run": a conversation script of named cases against one output and one input device; a line per
// case, an optional JUnit XML report, status 1 when any case failed.
class RunCommand : public CliCommand
{
public:
    QString synopsis() const override
    {
        return QStringLiteral(
            "run SCRIPT (--out DEVICE --in DEVICE | --virtual NAME) [--junit REPORT.xml] [--details]");
    }

protected:
    void describe(QCommandLineParser& parser) const override;
    int run(const QCommandLineParser& parser, CliContext& context) override;
    QString moreHelp() const override;
};
