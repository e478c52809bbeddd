#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdio>

class HostMidiService;

// What every subcommand is handed: the MIDI system chosen for the run, where it writes, and the
// flag a SIGINT or SIGTERM sets (the commands look at it between waits and end cleanly).
struct CliContext
{
    HostMidiService* service = nullptr;
    std::FILE* out = stdout;
    std::FILE* err = stderr;
    const std::atomic<bool>* interrupted = nullptr;
    // The MIDI system asked for on the command line; null for the default choice.
    QString midiApi;

    // Sets up the MIDI system (once) and points service at it; false after a message on standard
    // error when that system is not there.
    bool startMidi();

    bool isInterrupted() const { return interrupted != nullptr && interrupted->load(); }

    // "vantel-midi-cli: <text>" and a line feed on standard error.
    void error(const QString& text) const
    {
        std::fprintf(err, "vantel-midi-cli: %s\n", qUtf8Printable(text));
        std::fflush(err);
    }
};

// Exit statuses shared by the subcommands.
namespace CliStatus {
constexpr int Success = 0;
// The command ran but did not get what it was asked for: a reply that did not come, a send that
// did not leave whole, a case that failed.
constexpr int Failure = 1;
// The command could not run: a usage error, a device that is not there or that went away.
constexpr int UsageOrDevice = 2;
} // namespace CliStatus
