#include "CliProgram.h"

#include "CliContext.h"
#include "HostMidiService.h"
#include "ListCommand.h"
#include "MidiApiOption.h"
#include "MonitorCommand.h"
#include "RequestCommand.h"
#include "RunCommand.h"
#include "SendCommand.h"

#include <csignal>
#include <memory>

namespace {

std::atomic<bool> signalled{false};

void onSignal(int)
{
    signalled.store(true);
}

std::unique_ptr<CliCommand> commandNamed(const QString& name)
{
    if (name == QLatin1String("list"))
        return std::make_unique<ListCommand>();
    if (name == QLatin1String("monitor"))
        return std::make_unique<MonitorCommand>();
    if (name == QLatin1String("send"))
        return std::make_unique<SendCommand>();
    if (name == QLatin1String("request"))
        return std::make_unique<RequestCommand>();
    if (name == QLatin1String("run"))
        return std::make_unique<RunCommand>();
    return nullptr;
}

QString usage()
{
    QString text = QStringLiteral("Usage: vantel-midi-cli [--midi-api %1] COMMAND [OPTIONS]\n\nCommands:\n")
                       .arg(HostMidiService::apiNames()
                                .replace(QLatin1String(", "), QLatin1String("|"))
                                .replace(QLatin1String(" or "), QLatin1String("|")));
    for (const char* name : {"list", "monitor", "send", "request", "run"})
        text += QStringLiteral("  %1\n").arg(commandNamed(QLatin1String(name))->synopsis());
    text += QStringLiteral(
        "\nWithout --midi-api the MIDI system is ALSA when its sequencer opens, else JACK when a server "
        "runs,\n"
        "else the built-in loopback, as in the window program. Durations are in milliseconds. Device names\n"
        "match exactly first, then regardless of case, then as a part of one name.\n"
        "\"vantel-midi-cli COMMAND --help\" describes a command.\n");
    return text;
}

} // namespace

int CliProgram::run(const QStringList& arguments, std::FILE* out, std::FILE* err,
                    const std::atomic<bool>* interrupted)
{
    CliContext context;
    context.out = out;
    context.err = err;
    context.interrupted = interrupted;
    QString problem;
    QStringList rest;
    for (int i = 1; i < arguments.size(); ++i) {
        if (!MidiApiOption::take(arguments, &i, &context.midiApi, &problem))
            rest.append(arguments.at(i));
    }
    if (!problem.isEmpty()) {
        context.error(problem);
        return CliStatus::UsageOrDevice;
    }
    if (rest.isEmpty() || rest.first() == QLatin1String("--help") || rest.first() == QLatin1String("-h") ||
        rest.first() == QLatin1String("help")) {
        std::fputs(qUtf8Printable(usage()), rest.isEmpty() ? err : out);
        return rest.isEmpty() ? CliStatus::UsageOrDevice : CliStatus::Success;
    }
    std::unique_ptr<CliCommand> command = commandNamed(rest.first());
    if (!command) {
        context.error(
            QStringLiteral("unknown command \"%1\" (list, monitor, send, request or run)").arg(rest.first()));
        return CliStatus::UsageOrDevice;
    }
    const int status = command->execute(rest, context);
    command.reset();
    if (context.service != nullptr)
        HostMidiService::shutDown();
    return status;
}

const std::atomic<bool>* CliProgram::installSignalHandlers()
{
    struct sigaction action = {};
    action.sa_handler = onSignal;
    // The commands look at the flag between waits; a call the signal lands in (a JACK client
    // talking to its server, say) carries on instead of failing as if the device were not there.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return &signalled;
}
