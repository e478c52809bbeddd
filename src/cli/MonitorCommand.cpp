#include "MonitorCommand.h"

#include "CliContext.h"
#include "CliInput.h"
#include "CliVirtualPorts.h"
#include "DeviceMatcher.h"
#include "MonitorFilterText.h"
#include "MonitorPrinter.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"

#include <QElapsedTimer>
#include <QFile>

#include <unistd.h>

namespace {

// How long one wait lasts at most, so that a signal or a vanished device is noticed soon.
constexpr int waitSliceMs = 50;

} // namespace

void MonitorCommand::describe(QCommandLineParser& parser) const
{
    parser.addOption({QStringLiteral("in"),
                      QStringLiteral("Input device to listen to (twice for two: Port1, Port2)."),
                      QStringLiteral("DEVICE")});
    parser.addOption({QStringLiteral("virtual"),
                      QStringLiteral("Instead of an --in: listens at an input port of our own named NAME, "
                                     "which other programs connect to (after the --in devices)."),
                      QStringLiteral("NAME")});
    parser.addOption({QStringLiteral("time"), QStringLiteral("Time stamp column (hh:mm:ss:ms).")});
    parser.addOption(
        {QStringLiteral("details"), QStringLiteral("Port, channel, name and parsed value columns.")});
    parser.addOption(
        {QStringLiteral("filter"), QStringLiteral("What to hide (see below)."), QStringLiteral("SPEC")});
    parser.addOption(
        {QStringLiteral("count"), QStringLiteral("Ends after N shown messages."), QStringLiteral("N")});
    parser.addOption(
        {QStringLiteral("timeout"), QStringLiteral("Ends after MS milliseconds."), QStringLiteral("MS")});
    parser.addOption({QStringLiteral("syx"),
                      QStringLiteral("Also stores every received system-exclusive message in FILE."),
                      QStringLiteral("FILE")});
}

QString MonitorCommand::moreHelp() const
{
    return MonitorFilterText::help() +
           QStringLiteral(
               "\n\nEnds after --count messages, after --timeout milliseconds, or on SIGINT/SIGTERM, "
               "with everything received printed and the .syx file complete. Status 0, or 2 when a "
               "device is missing or goes away.\n"
               "--virtual NAME: JACK lists the port as \"Vantel MIDI:NAME\" (jack_lsp, jack_connect), ALSA "
               "as "
               "port NAME of\n"
               "the client \"Vantel MIDI\" (aconnect -l). It hears every program connected to it, as they "
               "come "
               "and go.");
}

int MonitorCommand::run(const QCommandLineParser& parser, CliContext& context)
{
    qint64 count = 0;
    qint64 timeout = 0;
    if (!number(parser, QStringLiteral("count"), 0, 0x7FFFFFFF, &count, context) ||
        !number(parser, QStringLiteral("timeout"), 0, 0x7FFFFFFF, &timeout, context))
        return CliStatus::UsageOrDevice;
    const QStringList wanted = parser.values(QStringLiteral("in"));
    const QStringList virtualNames = parser.values(QStringLiteral("virtual"));
    const int inputs = wanted.size() + virtualNames.size();
    if (inputs == 0 || inputs > int(CliInput::MaximumInputs) || !parser.positionalArguments().isEmpty()) {
        context.error(QStringLiteral(
            "monitor needs one or two inputs (--in DEVICE or --virtual NAME) and no other arguments"));
        return CliStatus::UsageOrDevice;
    }
    for (const QString& name : virtualNames) {
        if (!CliVirtualPorts::validName(name, context))
            return CliStatus::UsageOrDevice;
    }
    VantelMidiModel model;
    model.setValue(ParamTimeStamp, parser.isSet(QStringLiteral("time")) ? 1 : 0);
    model.setValue(ParamMessageDetail, parser.isSet(QStringLiteral("details")) ? 1 : 0);
    QString problem;
    if (parser.isSet(QStringLiteral("filter")) &&
        !MonitorFilterText::apply(parser.value(QStringLiteral("filter")), &model, &problem)) {
        context.error(problem);
        return CliStatus::UsageOrDevice;
    }
    QFile syx;
    if (parser.isSet(QStringLiteral("syx"))) {
        syx.setFileName(parser.value(QStringLiteral("syx")));
        if (!syx.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            context.error(QStringLiteral("cannot write \"%1\": %2").arg(syx.fileName(), syx.errorString()));
            return CliStatus::UsageOrDevice;
        }
    }
    if (!context.startMidi() || (!virtualNames.isEmpty() && !CliVirtualPorts::supported(context)))
        return CliStatus::UsageOrDevice;
    CliInput input(context.service);
    for (const QString& name : wanted) {
        const QString device = DeviceMatcher::find(context.service, true, name, &problem);
        if (device.isEmpty() || !input.open(device, &problem)) {
            context.error(problem);
            return CliStatus::UsageOrDevice;
        }
    }
    for (const QString& name : virtualNames) {
        if (!input.openVirtual(name, &problem)) {
            context.error(problem);
            return CliStatus::UsageOrDevice;
        }
    }

    std::fflush(context.out);
    MonitorPrinter printer(&model, fileno(context.out));
    QElapsedTimer clock;
    clock.start();
    std::vector<CliMessage> batch;
    qint64 shown = 0;
    int status = CliStatus::Success;
    bool syxFailed = false;
    bool done = false;
    // One message: into the .syx file when it is system exclusive, then onto the screen; true when
    // the count is reached.
    const auto handle = [&](const CliMessage& message) {
        if (syx.isOpen() && !message.bytes.isEmpty() && quint8(message.bytes.at(0)) == 0xF0 &&
            syx.write(message.bytes) != message.bytes.size())
            syxFailed = true;
        return printer.print(message) > 0 && count > 0 && ++shown >= count;
    };
    while (!done) {
        int wait = waitSliceMs;
        if (timeout > 0)
            wait = int(qBound<qint64>(0, timeout - clock.elapsed(), waitSliceMs));
        batch.clear();
        input.take(&batch, wait);
        for (const CliMessage& message : batch) {
            if (handle(message)) {
                done = true;
                break;
            }
            if (!printer.flushIfLarge())
                done = true;
        }
        // Nothing more waiting: what there is goes out now.
        if ((input.isIdle() || done) && !printer.flush())
            done = true;
        if (syxFailed) {
            context.error(QStringLiteral("cannot write \"%1\": %2").arg(syx.fileName(), syx.errorString()));
            status = CliStatus::Failure;
            done = true;
        }
        if (context.isInterrupted() || (timeout > 0 && clock.elapsed() >= timeout))
            done = true;
        const QString lost = done ? QString() : input.lostDevice();
        if (!lost.isEmpty()) {
            // What arrived before it went is printed first.
            batch.clear();
            input.take(&batch, 0);
            for (const CliMessage& message : batch) {
                if (handle(message))
                    break;
            }
            printer.flush();
            context.error(QStringLiteral("the input device \"%1\" went away").arg(lost));
            status = CliStatus::UsageOrDevice;
            done = true;
        }
    }
    printer.flush();
    if (syx.isOpen() && (!syx.flush() || syx.error() != QFileDevice::NoError) &&
        status == CliStatus::Success) {
        context.error(QStringLiteral("cannot write \"%1\": %2").arg(syx.fileName(), syx.errorString()));
        status = CliStatus::Failure;
    }
    syx.close();
    return status;
}
