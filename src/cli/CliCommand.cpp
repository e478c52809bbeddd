#include "CliCommand.h"

#include "CliContext.h"

int CliCommand::execute(const QStringList& arguments, CliContext& context)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    parser.addOption(help);
    describe(parser);
    if (!parser.parse(arguments)) {
        context.error(parser.errorText() + QStringLiteral(" (see %1 --help)").arg(arguments.value(0)));
        return 2;
    }
    if (parser.isSet(help)) {
        QString text =
            QStringLiteral("Usage: vantel-midi-cli [--midi-api jack|alsa|loopback] %1\n\n").arg(synopsis());
        // The parser's own text begins with a usage line of its own; only the option table is kept.
        const QString options = parser.helpText();
        const int table = options.indexOf(QLatin1String("Options:"));
        text += table >= 0 ? options.mid(table) : options;
        const QString more = moreHelp();
        if (!more.isEmpty())
            text += QLatin1Char('\n') + more + QLatin1Char('\n');
        std::fputs(qUtf8Printable(text), context.out);
        return 0;
    }
    return run(parser, context);
}

bool CliCommand::number(const QCommandLineParser& parser, const QString& option, qint64 fallback,
                        qint64 maximum, qint64* value, const CliContext& context)
{
    *value = fallback;
    if (!parser.isSet(option))
        return true;
    bool ok = false;
    const qint64 read = parser.value(option).toLongLong(&ok);
    if (!ok || read < 0 || read > maximum) {
        context.error(QStringLiteral("--%1 takes a whole number from 0 to %2, not \"%3\"")
                          .arg(option)
                          .arg(maximum)
                          .arg(parser.value(option)));
        return false;
    }
    *value = read;
    return true;
}
