#pragma once

#include <QStringList>

#include <atomic>
#include <cstdio>

// The command-line program: the MIDI system option, the choice of subcommand and the program's
// own help. main() is a thin shell around run().
class CliProgram
{
public:
    // arguments as QCoreApplication::arguments() gives them: the program name first. Returns the
    // exit status. interrupted: set by a signal handler to end a running command cleanly.
    static int run(const QStringList& arguments, std::FILE* out, std::FILE* err,
                   const std::atomic<bool>* interrupted);
    // Installs SIGINT and SIGTERM handlers that set the returned flag (and ignores SIGPIPE, so that
    // a reader that goes away ends the output with a failed write instead of killing the program).
    static const std::atomic<bool>* installSignalHandlers();
};
