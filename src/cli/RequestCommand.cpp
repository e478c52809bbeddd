#include "RequestCommand.h"

#include "BytePattern.h"
#include "CliContext.h"
#include "CliInput.h"
#include "CliOutput.h"
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
    parser.addOption({QStringLiteral("timeout"), QStringLiteral("How long to wait, default 1000 ms."),
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
        "device error.");
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

bool RequestCommand::openConversation(const QCommandLineParser& parser, CliContext& context, CliInput* input,
                                      CliOutput* output)
{
    QString problem;
    const QString device =
        DeviceMatcher::find(context.service, true, parser.value(QStringLiteral("in")), &problem);
    if (device.isEmpty() || !input->open(device, &problem)) {
        context.error(problem);
        return false;
    }
    return SendCommand::openOutput(output, parser.value(QStringLiteral("out")), context);
}

int RequestCommand::run(const QCommandLineParser& parser, CliContext& context)
{
    qint64 timeout = 0;
    if (!number(parser, QStringLiteral("timeout"), 1000, 0x7FFFFFFF, &timeout, context))
        return CliStatus::UsageOrDevice;
    for (const char* needed : {"out", "in", "send", "expect"}) {
        if (!parser.isSet(QLatin1String(needed))) {
            context.error(QStringLiteral("request needs --out, --in, --send and --expect (missing --%1)")
                              .arg(QLatin1String(needed)));
            return CliStatus::UsageOrDevice;
        }
    }
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
    if (!openConversation(parser, context, &input, &output))
        return CliStatus::UsageOrDevice;
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
