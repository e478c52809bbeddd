#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

struct CliContext;

// The common frame of a subcommand: its options, its --help, and reading its arguments.
class CliCommand
{
public:
    virtual ~CliCommand() = default;

    // Reads the arguments (the subcommand's name first) and runs; returns the exit status.
    int execute(const QStringList& arguments, CliContext& context);

    // The synopsis line, for the program's own help.
    virtual QString synopsis() const = 0;

protected:
    // Declares the options and positional arguments on parser.
    virtual void describe(QCommandLineParser& parser) const = 0;
    // Runs with the parsed arguments.
    virtual int run(const QCommandLineParser& parser, CliContext& context) = 0;
    // More text after the options in --help.
    virtual QString moreHelp() const { return QString(); }

    // A non-negative whole number of an option; false (after a message) when it is not one.
    static bool number(const QCommandLineParser& parser, const QString& option, qint64 fallback,
                       qint64 maximum, qint64* value, const CliContext& context);
};
