#pragma once

#include "CliCommand.h"

class CliOutput;

// "send": hexadecimal text (arguments, or a .txt file with // comments) or a .syx file to an output
// device, by the editor's rules; returns when the bytes have left the port.
class SendCommand : public CliCommand
{
public:
    QString synopsis() const override
    {
        return QStringLiteral("send --out DEVICE|--virtual NAME [HEX...] [--file FILE.syx|FILE.txt] "
                              "[--interval MS] [--connect-timeout MS]");
    }

    // The text of a file to send: a .syx file as hexadecimal text, any other read as UTF-8 text.
    // False after a message when it cannot be read.
    static bool readFile(const QString& path, QString* text, const CliContext& context);
    // Opens the output device a command names with --out and waits until the connections made so
    // far carry data; false after a message.
    static bool openOutput(CliOutput* output, const QString& wanted, CliContext& context);
    // Declares --connect-timeout, for commands with virtual ports.
    static void describeConnectTimeout(QCommandLineParser& parser);

protected:
    void describe(QCommandLineParser& parser) const override;
    int run(const QCommandLineParser& parser, CliContext& context) override;
    QString moreHelp() const override;
};
