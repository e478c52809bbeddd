#include "RunCommand.h"

#include "CliContext.h"
#include "CliInput.h"
#include "CliOutput.h"
#include "ConversationScript.h"
#include "JUnitReport.h"
#include "MonitorPrinter.h"
#include "RequestCommand.h"
#include "SendCommand.h"
#include "SysExFile.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <unistd.h>

void RunCommand::describe(QCommandLineParser& parser) const
{
    parser.addOption({QStringLiteral("out"), QStringLiteral("Output device."), QStringLiteral("DEVICE")});
    parser.addOption({QStringLiteral("in"), QStringLiteral("Input device."), QStringLiteral("DEVICE")});
    RequestCommand::describeVirtual(parser);
    parser.addOption(
        {QStringLiteral("junit"), QStringLiteral("Writes a JUnit XML report."), QStringLiteral("REPORT")});
    parser.addOption(
        {QStringLiteral("details"), QStringLiteral("Detail columns in the lines of what arrived.")});
    parser.addPositionalArgument(QStringLiteral("SCRIPT"), QStringLiteral("The conversation file."));
}

QString RunCommand::moreHelp() const
{
    return QStringLiteral(
        "Script: \"case NAME\" starts a case; its steps are \"send HEX...\", \"send-file FILE\",\n"
        "\"expect PATTERN [within MS]\" (default 1000 ms) and \"wait MS\"; \"#\" starts a "
        "comment line.\nMessages left over from an earlier case are dropped when a case "
        "begins.\nWith virtual ports (see request --help) the first case begins once a program is "
        "connected to each.");
}

int RunCommand::run(const QCommandLineParser& parser, CliContext& context)
{
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        context.error(QStringLiteral("run needs one SCRIPT"));
        return CliStatus::UsageOrDevice;
    }
    RequestCommand::Ends ends;
    if (!RequestCommand::readEnds(parser, QStringLiteral("run"), &ends, context))
        return CliStatus::UsageOrDevice;
    const QString path = positional.first();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        context.error(QStringLiteral("cannot read \"%1\"").arg(path));
        return CliStatus::UsageOrDevice;
    }
    ConversationScript script;
    QString problem;
    if (!script.parse(QString::fromUtf8(file.readAll()), QFileInfo(path).absolutePath(), &problem)) {
        context.error(QStringLiteral("%1: %2").arg(path, problem));
        return CliStatus::UsageOrDevice;
    }
    if (!context.startMidi())
        return CliStatus::UsageOrDevice;
    VantelMidiModel model;
    model.setValue(ParamMessageDetail, parser.isSet(QStringLiteral("details")) ? 1 : 0);
    CliInput input(context.service);
    CliOutput output(context.service, &model);
    const int notReady = RequestCommand::openConversation(parser, ends, context, &input, &output);
    if (notReady >= 0)
        return notReady;

    MonitorPrinter printer(&model, fileno(context.out));
    JUnitReport report(QFileInfo(path).completeBaseName());
    int failed = 0;
    bool deviceGone = false;
    std::vector<CliMessage> stale;
    for (const ConversationScript::Case& conversation : script.cases()) {
        JUnitReport::Result result;
        result.name = conversation.name;
        QElapsedTimer clock;
        clock.start();
        stale.clear();
        input.take(&stale, 0);
        result.passed = !deviceGone;
        if (deviceGone)
            result.failure = QStringLiteral("not run: a device went away");
        for (int i = 0; i < conversation.steps.size() && result.passed; ++i) {
            const ConversationScript::Step& step = conversation.steps.at(i);
            const QString where =
                QStringLiteral("step %1 (line %2: %3)").arg(i + 1).arg(step.line).arg(step.text);
            QString why;
            switch (step.kind) {
            case ConversationScript::Step::Send:
            case ConversationScript::Step::SendFile: {
                QString text = step.argument;
                if (step.kind == ConversationScript::Step::SendFile) {
                    bool ok = false;
                    const QString read = SysExFile::readText(step.argument, &ok);
                    if (!ok) {
                        why = QStringLiteral("cannot read \"%1\"").arg(step.argument);
                        break;
                    }
                    text = read;
                }
                const CliOutput::Outcome sent = output.send(text, context);
                if (!sent.complete)
                    why = sent.problem;
                break;
            }
            case ConversationScript::Step::Expect: {
                CliMessage reply;
                QList<CliMessage> others;
                switch (RequestCommand::waitFor(input, step.pattern, step.milliseconds, context, &reply,
                                                &others)) {
                case RequestCommand::Wait::Matched:
                    break;
                case RequestCommand::Wait::TimedOut:
                    why = QStringLiteral("no match within %1 ms").arg(step.milliseconds);
                    result.details = RequestCommand::arrivedText(printer, others);
                    break;
                case RequestCommand::Wait::Interrupted:
                    why = QStringLiteral("interrupted");
                    result.details = RequestCommand::arrivedText(printer, others);
                    break;
                case RequestCommand::Wait::DeviceLost:
                    why = QStringLiteral("the input device \"%1\" went away").arg(input.lostDevice());
                    deviceGone = true;
                    break;
                }
                break;
            }
            case ConversationScript::Step::Wait: {
                QElapsedTimer waited;
                waited.start();
                while (waited.elapsed() < step.milliseconds && !context.isInterrupted())
                    QThread::msleep(quint32(qMin<qint64>(20, step.milliseconds - waited.elapsed())));
                if (context.isInterrupted())
                    why = QStringLiteral("interrupted");
                break;
            }
            }
            if (!why.isEmpty()) {
                result.passed = false;
                result.failure = QStringLiteral("%1: %2").arg(where, why);
            }
        }
        if (context.isInterrupted() && result.passed) {
            result.passed = false;
            result.failure = QStringLiteral("interrupted");
        }
        result.seconds = double(clock.nsecsElapsed()) / 1e9;
        if (!result.passed)
            ++failed;
        QString line =
            QStringLiteral("%1 %2 (%3 ms)")
                .arg(result.passed ? QStringLiteral("passed") : QStringLiteral("FAILED"), result.name)
                .arg(qint64(result.seconds * 1000));
        if (!result.passed)
            line += QStringLiteral(": ") + result.failure;
        if (!result.details.isEmpty())
            line += QStringLiteral("\n  ") +
                    QString(result.details).replace(QLatin1Char('\n'), QStringLiteral("\n  "));
        std::fprintf(context.out, "%s\n", qUtf8Printable(line));
        std::fflush(context.out);
        report.add(result);
    }
    std::fprintf(context.out, "%d case(s), %d failed\n", int(script.cases().size()), failed);
    std::fflush(context.out);
    if (parser.isSet(QStringLiteral("junit"))) {
        const QString written = report.write(parser.value(QStringLiteral("junit")));
        if (!written.isEmpty()) {
            context.error(written);
            return CliStatus::UsageOrDevice;
        }
    }
    if (deviceGone)
        return CliStatus::UsageOrDevice;
    return failed == 0 ? CliStatus::Success : CliStatus::Failure;
}
