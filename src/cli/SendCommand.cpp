#include "SendCommand.h"

#include "CliContext.h"
#include "CliOutput.h"
#include "CliVirtualPorts.h"
#include "DeviceMatcher.h"
#include "HexText.h"
#include "SysExFile.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"

namespace {

constexpr int settleMs = 1000;

} // namespace

void SendCommand::describe(QCommandLineParser& parser) const
{
    parser.addOption({QStringLiteral("out"), QStringLiteral("Output device."), QStringLiteral("DEVICE")});
    parser.addOption({QStringLiteral("virtual"),
                      QStringLiteral("Instead of --out: opens an output port of our own named NAME and "
                                     "sends once a program has connected to it."),
                      QStringLiteral("NAME")});
    describeConnectTimeout(parser);
    parser.addOption({QStringLiteral("file"),
                      QStringLiteral("A .syx file, or a text file of hexadecimal bytes."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("interval"),
                      QStringLiteral("Pause after each system-exclusive message, 0 to 1000 ms (default 0)."),
                      QStringLiteral("MS")});
    parser.addPositionalArgument(QStringLiteral("HEX"), QStringLiteral("Bytes, e.g. F0 7E 7F 06 01 F7."),
                                 QStringLiteral("[HEX...]"));
}

QString SendCommand::moreHelp() const
{
    return QStringLiteral(
        "Text: pairs of hexadecimal digits; blanks, commas, tabs and line ends between bytes; // starts a "
        "comment\n"
        "to the end of the line. An odd number of digits or another character sends nothing. Status 0 only "
        "when\n"
        "exactly those bytes left the port; otherwise a message saying what was and was not sent.\n"
        "--virtual NAME: JACK lists the port as \"Vantel MIDI:NAME\" (jack_lsp, jack_connect), ALSA as port "
        "NAME\n"
        "of the client \"Vantel MIDI\" (aconnect -l). It says \"waiting for a connection\" on standard error "
        "until\n"
        "a program connects, then sends to whatever is connected; status 1 when nobody connected within\n"
        "--connect-timeout or nobody was connected any more when the bytes had left.");
}

void SendCommand::describeConnectTimeout(QCommandLineParser& parser)
{
    parser.addOption({QStringLiteral("connect-timeout"),
                      QStringLiteral("With a virtual port: how long to wait for a program to connect "
                                     "(default: until one does, or SIGINT/SIGTERM)."),
                      QStringLiteral("MS")});
}

bool SendCommand::readFile(const QString& path, QString* text, const CliContext& context)
{
    bool ok = false;
    *text = SysExFile::readText(path, &ok);
    if (!ok)
        context.error(QStringLiteral("cannot read \"%1\"").arg(path));
    return ok;
}

bool SendCommand::openOutput(CliOutput* output, const QString& wanted, CliContext& context)
{
    QString problem;
    const QString device = DeviceMatcher::find(context.service, false, wanted, &problem);
    if (device.isEmpty() || !output->open(device, &problem)) {
        context.error(problem);
        return false;
    }
    // Whatever is sent next must not go out before the new connections carry it.
    context.service->settleConnections(settleMs);
    return true;
}

int SendCommand::run(const QCommandLineParser& parser, CliContext& context)
{
    qint64 interval = 0;
    qint64 connectTimeout = 0;
    if (!number(parser, QStringLiteral("interval"), 0, 1000, &interval, context) ||
        !number(parser, QStringLiteral("connect-timeout"), 0, 0x7FFFFFFF, &connectTimeout, context))
        return CliStatus::UsageOrDevice;
    const QStringList hex = parser.positionalArguments();
    const bool fromFile = parser.isSet(QStringLiteral("file"));
    const bool isVirtual = parser.isSet(QStringLiteral("virtual"));
    if (parser.isSet(QStringLiteral("out")) == isVirtual || hex.isEmpty() == !fromFile) {
        context.error(QStringLiteral(
            "send needs --out DEVICE or --virtual NAME, and either hexadecimal bytes or --file FILE"));
        return CliStatus::UsageOrDevice;
    }
    const QString virtualName = parser.value(QStringLiteral("virtual"));
    if (isVirtual && !CliVirtualPorts::validName(virtualName, context))
        return CliStatus::UsageOrDevice;
    QString text = hex.join(QLatin1Char(' '));
    if (fromFile && !readFile(parser.value(QStringLiteral("file")), &text, context))
        return CliStatus::UsageOrDevice;
    if (!context.startMidi() || (isVirtual && !CliVirtualPorts::supported(context)))
        return CliStatus::UsageOrDevice;
    VantelMidiModel model;
    model.setValue(ParamBulkInterval, qint32(interval));
    CliOutput output(context.service, &model);
    if (isVirtual) {
        QString problem;
        if (!output.openVirtual(virtualName, &problem)) {
            context.error(problem);
            return CliStatus::UsageOrDevice;
        }
        // A text that sends nothing is refused (or done) without waiting for anyone.
        const int status = HexText::countBytes(text) > 0
                               ? CliVirtualPorts::waitForPeers(nullptr, &output, connectTimeout, context)
                               : -1;
        if (status >= 0)
            return status;
    } else if (!openOutput(&output, parser.value(QStringLiteral("out")), context)) {
        return CliStatus::UsageOrDevice;
    }
    const CliOutput::Outcome outcome = output.send(text, context);
    if (!outcome.complete) {
        context.error(outcome.problem);
        return CliStatus::Failure;
    }
    return CliStatus::Success;
}
