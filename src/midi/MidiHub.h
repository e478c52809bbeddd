#pragma once

#include "MidiInputPort.h"
#include "MidiOutputPort.h"
#include "MidiSender.h"

#include <QStringList>

#include <atomic>
#include <memory>

class HostMidiService;
class MidiBulkIntervalManager;
class MidiClient;
class MidiOutMonitor;

// The program's four MIDI endpoints and its one send operation. It owns the client, the Port1 and
// Port2 input ports and the Port1 and Port2 output ports, all created with the same time-stamp base
// values, and it offers what the port menus and the MIDI settings view need to list, open and close
// devices.
//
// Threads: the port operations (choices, open, close, receiver) run on the GUI thread.
// sendToOutputPorts may be called from any thread at any time: it holds no lock of its own; each
// output port serialises its sends, the Out monitor serialises itself, and the bulk pause runs on
// the caller's thread. The bulk interval manager and the Out monitor are set on the GUI thread and
// read atomically by the senders.
class MidiHub : public MidiSender
{
public:
    static constexpr quint32 PieceSize = 4096;
    static constexpr quint32 NoDevice = 0xFFFFFFFFu;

    // service: not owned; it must outlive the hub.
    explicit MidiHub(HostMidiService* service, quint16 maxLongMessage = 16384);
    ~MidiHub() override;

    MidiHub(const MidiHub&) = delete;
    MidiHub& operator=(const MidiHub&) = delete;

    // Until a manager is set, every send fails. Both may be set to null again before they go away.
    void setBulkIntervalManager(MidiBulkIntervalManager* manager);
    void setOutMonitor(MidiOutMonitor* monitor);
    // Installs the receiver of both input ports.
    void setReceiver(MidiInputPort::Receiver receiver, void* context);

    MidiInputPort* inputPort(quint32 port) const;
    MidiOutputPort* outputPort(quint32 port) const;

    // The choice list of a port: "Not Connected", then the host's devices of that direction in
    // device-index order (enumerated now). position receives the place of the port's current name
    // in it (the first of equal names), or 0. With closeWhenMissing, a port whose device is no
    // longer listed is closed (the rule of the port menus).
    QStringList inputPortChoices(quint32 port, qint32* position, bool closeWhenMissing = false);
    QStringList outputPortChoices(quint32 port, qint32* position, bool closeWhenMissing = false);

    // Closes the port, then opens the device of that index in the last choice list (position - 1);
    // NoDevice leaves it closed. false exactly when an open failed; the port is then not
    // connected.
    bool openInputPort(quint32 port, quint32 deviceIndex);
    bool openOutputPort(quint32 port, quint32 deviceIndex);
    // true when an open port was closed.
    bool closeInputPort(quint32 port);
    bool closeOutputPort(quint32 port);

    // Start-up: opens the first device of that name, if any is listed, silently; closes the port
    // when its name is then not in the choice list. Returns the choice position (0 = none), the
    // value of the port's index parameter.
    qint32 reopenInputPort(quint32 port, const QString& name);
    qint32 reopenOutputPort(quint32 port, const QString& name);

    QString inputPortName(quint32 port) const;
    QString outputPortName(quint32 port) const;

    // Pieces of at most PieceSize bytes; for both ports each piece goes to Port1, then Port2. A port
    // whose send of a piece fails gets nothing more of that transmission. One port: true when every
    // piece was sent; both ports: true when at least one port sent every piece. Direct: one port,
    // one piece, no Out monitor line, no pause, at most 65535 bytes.
    bool sendToOutputPorts(const quint8* bytes, quint32 length, quint8 labelKind, quint32 portSelection,
                           bool skipPacing = false, bool forceLong = false, quint64 passThrough = 0,
                           bool direct = false, quint32* sendTimeOut = nullptr) override;

private:
    std::unique_ptr<MidiClient> m_client;
    std::unique_ptr<MidiInputPort> m_inputs[2];
    std::unique_ptr<MidiOutputPort> m_outputs[2];
    std::atomic<MidiBulkIntervalManager*> m_bulk{nullptr};
    std::atomic<MidiOutMonitor*> m_monitor{nullptr};
};
