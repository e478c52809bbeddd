#include "RequestCommand.h"

#include "BytePattern.h"
#include "CliContext.h"
#include "CliInput.h"
#include "CliOutput.h"
#include "CliVirtualPorts.h"
#include "DeviceMatcher.h"
#include "MonitorPrinter.h"
#include "SendCommand.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"

#include <QElapsedTimer>

#include <unistd.h>

namespace {

constexpr int waitSliceMs = 50;
constexpr int keptOthers = 100;

} // namespace

void RequestCommand::describe(QCommandLineParser& parser) const
{
    parser.addOption({QStringLiteral("out"), QStringLiteral("Output device the request goes to."),
                      QStringLiteral("DEVICE")});
    parser.addOption({QStringLiteral("in"), QStringLiteral("Input device the reply comes from."),
                      QStringLiteral("DEVICE")});
    parser.addOption(
        {QStringLiteral("send"), QStringLiteral("The request, hexadecimal bytes."), QStringLiteral("HEX")});
    parser.addOption({QStringLiteral("expect"),
                      QStringLiteral("The reply: bytes, .. for any byte, * for any run."),
                      QStringLiteral("PATTERN")});
    describeVirtual(parser);
    parser.addOption({QStringLiteral("timeout"),
                      QStringLiteral("How long to wait for the reply, default 1000 ms."),
                      QStringLiteral("MS")});
    parser.addOption(
        {QStringLiteral("raw"), QStringLiteral("Prints the reply's bytes as they are instead of a line.")});
    parser.addOption({QStringLiteral("time"), QStringLiteral("Time stamp column in the reply's line.")});
    parser.addOption({QStringLiteral("details"), QStringLiteral("Detail columns in the reply's line.")});
}

QString RequestCommand::moreHelp() const
{
    return QStringLiteral(
        "An identity request: --send \"F0 7E 7F 06 01 F7\" --expect \"F0 7E .. 06 02 * F7\".\n"
        "Status 0 on a match, 1 on a timeout (saying what arrived instead), 2 on a usage or "
        "device error.\n"
        "Virtual ports: JACK lists them as \"Vantel MIDI:NAME In\" and \"Vantel MIDI:NAME Out\" "
        "(--virtual NAME)\n"
        "or by the names given, ALSA as ports of the client \"Vantel MIDI\" (aconnect -l). The request "
        "goes once\n"
        "a program is connected to each (\"waiting for a connection\" on standard error meanwhile); "
        "status 1 when\n"
        "nobody connected within --connect-timeout.");
}

void RequestCommand::describeVirtual(QCommandLineParser& parser)
{
    parser.addOption({QStringLiteral("virtual"),
                      QStringLiteral("Instead of --in and --out: ports of our own, \"NAME In\" and \"NAME "
                                     "Out\", for the instrument or another program to connect to."),
                      QStringLiteral("NAME")});
    parser.addOption({QStringLiteral("virtual-in"),
                      QStringLiteral("Instead of --in: an input port of our own named NAME."),
                      QStringLiteral("NAME")});
    parser.addOption({QStringLiteral("virtual-out"),
                      QStringLiteral("Instead of --out: an output port of our own named NAME."),
                      QStringLiteral("NAME")});
    SendCommand::describeConnectTimeout(parser);
}

bool RequestCommand::readEnds(const QCommandLineParser& parser, const QString& command, Ends* ends,
                              const CliContext& context)
{
    const bool both = parser.isSet(QStringLiteral("virtual"));
    const QString name = parser.value(QStringLiteral("virtual"));
    struct Direction
    {
        const char* device;
        const char* virtualOption;
        const char* suffix;
        QString* end;
        bool* isVirtual;
    };
    const Direction directions[] = {{"in", "virtual-in", " In", &ends->in, &ends->inVirtual},
                                    {"out", "virtual-out", " Out", &ends->out, &ends->outVirtual}};
    for (const Direction& d : directions) {
        const QString device = QLatin1String(d.device);
        const QString virtualOption = QLatin1String(d.virtualOption);
        const int given = int(parser.isSet(device)) + int(parser.isSet(virtualOption)) + int(both);
        if (given != 1) {
            context.error(
                QStringLiteral("%1 needs one %2: --%3 DEVICE, --%4 NAME or --virtual NAME")
                    .arg(command,
                         device == QLatin1String("in") ? QStringLiteral("input") : QStringLiteral("output"),
                         device, virtualOption));
            return false;
        }
        *d.isVirtual = !parser.isSet(device);
        *d.end = parser.isSet(device)          ? parser.value(device)
                 : parser.isSet(virtualOption) ? parser.value(virtualOption)
                                               : name + QLatin1String(d.suffix);
        if (*d.isVirtual && !CliVirtualPorts::validName(both ? name : *d.end, context))
            return false;
    }
    return true;
}

RequestCommand::Wait RequestCommand::waitFor(CliInput& input, const BytePattern& pattern, qint64 timeoutMs,
                                             const CliContext& context, CliMessage* reply,
                                             QList<CliMessage>* others)
{
    QElapsedTimer clock;
    clock.start();
    std::vector<CliMessage> batch;
    for (;;) {
        batch.clear();
        input.take(&batch, int(qBound<qint64>(0, timeoutMs - clock.elapsed(), waitSliceMs)));
        for (CliMessage& message : batch) {
            if (pattern.matches(message.bytes)) {
                *reply = std::move(message);
                return Wait::Matched;
            }
            others->append(std::move(message));
            if (others->size() > keptOthers)
                others->removeFirst();
        }
        if (!batch.empty())
            continue;
        if (context.isInterrupted())
            return Wait::Interrupted;
        if (!input.lostDevice().isEmpty())
            return Wait::DeviceLost;
        if (clock.elapsed() >= timeoutMs)
            return Wait::TimedOut;
    }
}

QString RequestCommand::arrivedText(MonitorPrinter& printer, const QList<CliMessage>& others)
{
    if (others.isEmpty())
        return QStringLiteral("nothing arrived");
    QString text = QStringLiteral("%1 other message(s) arrived:").arg(others.size());
    for (const CliMessage& message : others)
        text += QStringLiteral("\n  ") +
                printer.linesOf(message).trimmed().replace(QLatin1Char('\n'), QStringLiteral("\n  "));
    return text;
}

int RequestCommand::openConversation(const QCommandLineParser& parser, const Ends& ends, CliContext& context,
                                     CliInput* input, CliOutput* output)
{
    qint64 connectTimeout = 0;
    if (!number(parser, QStringLiteral("connect-timeout"), 0, 0x7FFFFFFF, &connectTimeout, context) ||
        ((ends.inVirtual || ends.outVirtual) && !CliVirtualPorts::supported(context)))
        return CliStatus::UsageOrDevice;
    QString problem;
    const QString device =
        ends.inVirtual ? ends.in : DeviceMatcher::find(context.service, true, ends.in, &problem);
    const bool opened = !device.isEmpty() && (ends.inVirtual ? input->openVirtual(device, &problem)
                                                             : input->open(device, &problem));
    if (!opened) {
        context.error(problem);
        return CliStatus::UsageOrDevice;
    }
    if (ends.outVirtual) {
        if (!output->openVirtual(ends.out, &problem)) {
            context.error(problem);
            return CliStatus::UsageOrDevice;
        }
    } else if (!SendCommand::openOutput(output, ends.out, context)) {
        return CliStatus::UsageOrDevice;
    }
    return CliVirtualPorts::waitForPeers(input, output, connectTimeout, context);
}

int RequestCommand::run(const QCommandLineParser& parser, CliContext& context)
{
    qint64 timeout = 0;
    if (!number(parser, QStringLiteral("timeout"), 1000, 0x7FFFFFFF, &timeout, context))
        return CliStatus::UsageOrDevice;
    for (const char* needed : {"send", "expect"}) {
        if (!parser.isSet(QLatin1String(needed))) {
            context.error(QStringLiteral("request needs --send and --expect (missing --%1)")
                              .arg(QLatin1String(needed)));
            return CliStatus::UsageOrDevice;
        }
    }
    Ends ends;
    if (!readEnds(parser, QStringLiteral("request"), &ends, context))
        return CliStatus::UsageOrDevice;
    BytePattern pattern;
    QString problem;
    if (!pattern.parse(parser.value(QStringLiteral("expect")), &problem)) {
        context.error(problem);
        return CliStatus::UsageOrDevice;
    }
    if (!context.startMidi())
        return CliStatus::UsageOrDevice;
    VantelMidiModel model;
    model.setValue(ParamTimeStamp, parser.isSet(QStringLiteral("time")) ? 1 : 0);
    model.setValue(ParamMessageDetail, parser.isSet(QStringLiteral("details")) ? 1 : 0);
    CliInput input(context.service);
    CliOutput output(context.service, &model);
    const int notReady = openConversation(parser, ends, context, &input, &output);
    if (notReady >= 0)
        return notReady;
    const CliOutput::Outcome sent = output.send(parser.value(QStringLiteral("send")), context);
    if (!sent.complete) {
        context.error(QStringLiteral("the request was not sent whole: %1").arg(sent.problem));
        return sent.sent == 0 && sent.total == 0 ? CliStatus::UsageOrDevice : CliStatus::Failure;
    }
    CliMessage reply;
    QList<CliMessage> others;
    std::fflush(context.out);
    MonitorPrinter printer(&model, fileno(context.out));
    switch (waitFor(input, pattern, timeout, context, &reply, &others)) {
    case Wait::Matched:
        if (parser.isSet(QStringLiteral("raw"))) {
            std::fwrite(reply.bytes.constData(), 1, size_t(reply.bytes.size()), context.out);
            std::fflush(context.out);
        } else {
            printer.print(reply);
            printer.flush();
        }
        return CliStatus::Success;
    case Wait::TimedOut:
        context.error(QStringLiteral("no reply matching \"%1\" within %2 ms; %3")
                          .arg(pattern.text())
                          .arg(timeout)
                          .arg(arrivedText(printer, others)));
        return CliStatus::Failure;
    case Wait::Interrupted:
        context.error(
            QStringLiteral("interrupted before a reply came; %1").arg(arrivedText(printer, others)));
        return CliStatus::Failure;
    case Wait::DeviceLost:
        break;
    }
    context.error(QStringLiteral("the input device \"%1\" went away").arg(input.lostDevice()));
    return CliStatus::UsageOrDevice;
}
