#pragma once

#include "MidiBulkIntervalManager.h"
#include "MidiHub.h"

#include <QString>

#include <memory>

struct CliContext;
class MidiEditTransmittionThread;
class Model;

// The output of a command: one device opened as Port1 of the program's send operation (the hub),
// with the bulk pause of the model's settings, and the editor's transmission worker to send
// hexadecimal text by the editor's rules.
class CliOutput
{
public:
    // What a send achieved. complete: exactly the bytes of the text left the port.
    struct Outcome
    {
        bool complete = false;
        quint32 total = 0;   // bytes the text stands for
        quint32 sent = 0;    // bytes that went out
        quint32 leftOut = 0; // bytes that made no complete message and were not sent
        QString problem;     // why it is not complete
    };

    // service and model must outlive the output.
    CliOutput(HostMidiService* service, Model* model);
    ~CliOutput();

    CliOutput(const CliOutput&) = delete;
    CliOutput& operator=(const CliOutput&) = delete;

    // Opens the device of that exact name; false with a message in *error.
    bool open(const QString& device, QString* error);
    // Opens Port1 as a virtual port of our own named name, which other programs connect to; false
    // with a message in *error.
    bool openVirtual(const QString& name, QString* error);
    // The device, or the name other programs see the virtual port under.
    QString device() const { return deviceName; }
    bool isVirtual() const { return virtualPort; }
    // True while the output is a virtual port nobody is connected to.
    bool unconnected();
    // True once the device went away, or the virtual port with the server.
    bool deviceLost() { return hub.outputPort(0)->deviceLost(); }

    // Sends the text and returns once its bytes have left the port, or the send failed, or
    // context.interrupted was set (the worker then stops at the next message or piece).
    Outcome send(const QString& text, const CliContext& context);

private:
    Model* model;
    MidiBulkIntervalManager bulk;
    MidiHub hub;
    QString deviceName;
    bool virtualPort = false;
    std::unique_ptr<MidiEditTransmittionThread> worker;
};
