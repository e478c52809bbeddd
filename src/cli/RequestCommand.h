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
        return QStringLiteral(
            "request (--out DEVICE --in DEVICE | --virtual NAME) --send HEX --expect PATTERN "
            "[--timeout MS] [--raw] [--time] [--details]");
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
    // The ends of a conversation as the options name them: devices (--in, --out) or virtual ports
    // of our own (--virtual-in, --virtual-out, or --virtual NAME for "NAME In" and "NAME Out").
    struct Ends
    {
        QString in;
        bool inVirtual = false;
        QString out;
        bool outVirtual = false;
    };
    // Declares the options of virtual ends and their --connect-timeout.
    static void describeVirtual(QCommandLineParser& parser);
    // Reads the ends; false after a message that names command.
    static bool readEnds(const QCommandLineParser& parser, const QString& command, Ends* ends,
                         const CliContext& context);
    // Opens the conversation's ends: the input first, so that no reply can come too early, then the
    // output; once this returns, every virtual end has a peer (waiting for one at most
    // --connect-timeout) and the connections carry data. -1 then, else the exit status after a
    // message.
    static int openConversation(const QCommandLineParser& parser, const Ends& ends, CliContext& context,
                                CliInput* input, CliOutput* output);
    // "nothing arrived" or the lines of the messages that did, for a message on a timeout.
    static QString arrivedText(MonitorPrinter& printer, const QList<CliMessage>& others);

protected:
    void describe(QCommandLineParser& parser) const override;
    int run(const QCommandLineParser& parser, CliContext& context) override;
    QString moreHelp() const override;
};
