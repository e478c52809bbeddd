#pragma once

#include "CliCommand.h"

class BytePattern;
class CliInput;
class CliOutput;
class MonitorPrinter;
struct CliMessage;

// "request": sends a message and waits for a reply that matches a pattern; other messages that
// arrive meanwhile do not end the wait.
class RequestCommand : public CliCommand
{
public:
    QString synopsis() const override
    {
        return QStringLiteral("request --out DEVICE --in DEVICE --send HEX --expect PATTERN [--timeout MS] "
                              "[--raw] [--time] [--details]");
    }

    // What waiting for a reply came to.
    enum class Wait
    {
        Matched,
        TimedOut,
        Interrupted,
        DeviceLost
    };
    // Waits up to timeoutMs for a message that matches, which goes to *reply; the messages that
    // came instead go to *others (the last hundred at most).
    static Wait waitFor(CliInput& input, const BytePattern& pattern, qint64 timeoutMs,
                        const CliContext& context, CliMessage* reply, QList<CliMessage>* others);
    // Opens the conversation's ends: --in first, so that no reply can come too early, then --out,
    // whose connections carry data once this returns. False after a message.
    static bool openConversation(const QCommandLineParser& parser, CliContext& context, CliInput* input,
                                 CliOutput* output);
    // "nothing arrived" or the lines of the messages that did, for a message on a timeout.
    static QString arrivedText(MonitorPrinter& printer, const QList<CliMessage>& others);

protected:
    void describe(QCommandLineParser& parser) const override;
    int run(const QCommandLineParser& parser, CliContext& context) override;
    QString moreHelp() const override;
};
