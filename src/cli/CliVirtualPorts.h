#pragma once

#include <QString>
#include <QtGlobal>

class CliInput;
class CliOutput;
struct CliContext;

// What the commands share about --virtual: a port of our own that the instrument or another program
// connects to, instead of a device we connect to.
class CliVirtualPorts
{
public:
    // True when the MIDI system has virtual ports; else false after a message (status 2).
    static bool supported(CliContext& context);
    // A name given to --virtual that no system takes; false after a message.
    static bool validName(const QString& name, const CliContext& context);
    // Waits until each virtual port of input and output (either may be null) has a peer, saying
    // "waiting for a connection to NAME" on standard error while one has none; then until the new
    // connections carry data. Ends early after timeoutMs (0: no limit), on SIGINT/SIGTERM or when a
    // port went away. Returns -1 when every port has its peer, else the exit status after a message.
    static int waitForPeers(CliInput* input, CliOutput* output, qint64 timeoutMs, CliContext& context);
};
