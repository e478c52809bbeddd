#pragma once

#include "MidiInputPort.h"
#include "MidiOutputPort.h"
#include "MidiSender.h"

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVector>

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
// Devices that come and go. The device a port was opened on through the hub (a choice from the
// menus, or the saved name at start-up) is its chosen device, remembered by name until another
// choice, "Not Connected" or closeInputPort/closeOutputPort replaces it. When the chosen device
// goes away (it leaves the host's list, its connection is removed by someone else, or the server
// stops), the hub closes the port; when a device of that name is listed again, the hub reopens the
// port on it. portDeviceChanged tells of both; serverRunningChanged tells of a server that
// stopped or came back. Ports closed because the server stopped get no portDeviceChanged of their
// own: serverRunningChanged(false) stands for them all; each reopen afterwards is told as usual.
//
// Threads: the port operations (choices, open, close, receiver) run on the hub's thread, the GUI
// thread. The host service tells the hub of changes on a thread of its own; that call only posts
// one look (rescan) to the hub's thread, where closing, reopening and the signals happen.
// sendToOutputPorts may be called from any thread at any time: it holds no lock of its own; each
// output port sends one message at a time (see MidiOutputPort: a worker waits for its turn, the
// GUI thread leaves its message in the port's queue), the Out monitor serialises itself, and the
// bulk pause runs on the caller's thread. The bulk interval manager and the Out monitor are set on the GUI
// thread and read atomically by the senders.
class MidiHub : public QObject, public MidiSender
{
    Q_OBJECT

public:
    static constexpr quint32 PieceSize = MidiOutputPort::PieceSize;
    static constexpr quint32 NoDevice = 0xFFFFFFFFu;

    // service: not owned; it must outlive the hub.
    explicit MidiHub(HostMidiService* service, quint16 maxLongMessage = 16384, QObject* parent = nullptr);
    ~MidiHub() override;

    MidiHub(const MidiHub&) = delete;
    MidiHub& operator=(const MidiHub&) = delete;

    // Until a manager is set, every send fails. Both may be set to null again before they go away.
    void setBulkIntervalManager(MidiBulkIntervalManager* manager);
    void setOutMonitor(MidiOutMonitor* monitor);
    // Every further send fails, senders waiting for a port give up, and a send in progress ends
    // after the piece on its way (within the output ports' completion timeout). For shutdown.
    void refuseSends();
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
    // connected. The device opened becomes the port's chosen device; NoDevice or a failed open
    // leaves the port without one.
    bool openInputPort(quint32 port, quint32 deviceIndex);
    bool openOutputPort(quint32 port, quint32 deviceIndex);
    // true when an open port was closed. The port has no chosen device afterwards.
    bool closeInputPort(quint32 port);
    bool closeOutputPort(quint32 port);

    // Start-up: opens the first device of that name, if any is listed, silently; closes the port
    // when its name is then not in the choice list. Returns the choice position (0 = none), the
    // value of the port's index parameter. A name other than "" and "Not Connected" becomes the
    // port's chosen device even when it is not listed now: the port opens when it appears.
    qint32 reopenInputPort(quint32 port, const QString& name);
    qint32 reopenOutputPort(quint32 port, const QString& name);

    QString inputPortName(quint32 port) const;
    QString outputPortName(quint32 port) const;

    // The chosen device of a port by name; "" when it has none.
    QString chosenInputDevice(quint32 port) const;
    QString chosenOutputDevice(quint32 port) const;
    // True when the port has a chosen device and is open on it; false while it waits for it (and
    // when nothing is chosen).
    bool inputDevicePresent(quint32 port) const;
    bool outputDevicePresent(quint32 port) const;
    // False while the host's MIDI server is away (JACK); always true for hosts without a server.
    bool serverRunning() const;

    // What the window's status bar says of a change: "Port1 In: seq:out is gone, waiting for it",
    // "Port2 Out: synth:in is back".
    static QString deviceChangeText(bool input, quint32 port, const QString& device, bool present);
    // "The JACK server stopped; MIDI ports are closed." and "The JACK server is back; MIDI ports
    // reopen by name."
    QString serverChangeText(bool running) const;
    // "Port1 In: messages lost (input overflow)".
    static QString overflowText(quint32 port);

    // Looks at every chosen device now (the host's notifications call it through the event loop;
    // tests and a caller that knows better may call it directly).
    void rescan();

Q_SIGNALS:
    // input: an input port (else an output port); port: 0 Port1, 1 Port2; device: the chosen
    // device's name; present false: it went away and the port is closed, waiting for it; true: it
    // is back and the port is open on it again.
    void portDeviceChanged(bool input, quint32 port, const QString& device, bool present);
    // The host's MIDI server stopped (false: every port is closed, choices kept) or is back (true).
    void serverRunningChanged(bool running);
    // The host dropped data received at this input port because it was read too late.
    void inputOverflowed(quint32 port);

public:
    // Pieces of at most PieceSize bytes; for both ports each piece goes to Port1, then Port2. A port
    // whose send of a piece fails gets nothing more of that transmission. One port: true when every
    // piece was sent; both ports: true when at least one port sent every piece. A message the GUI
    // thread (or thru, direct) sends while a port is busy with another sender's message is queued
    // there and counts as sent; its Out monitor lines are written when it leaves. Real-time messages (one
    // byte, F8-FF) go at once, also between the pieces of a dump. Direct: one port, one piece, no Out monitor
    // line, no pause, at most 65535 bytes.
    bool sendToOutputPorts(const quint8* bytes, quint32 length, quint8 labelKind, quint32 portSelection,
                           bool skipPacing = false, bool forceLong = false, quint64 passThrough = 0,
                           bool direct = false, quint32* sendTimeOut = nullptr) override;

private:
    // Per port and direction: the chosen device and how many reopens failed since it was listed.
    struct Choice
    {
        QString device;
        int failedOpens = 0;
        // Its connection was removed while the device stayed listed (someone else disconnected
        // it): the port waits for the device to leave the list and come back.
        bool awaitRelisting = false;
    };
    struct Change
    {
        bool input;
        quint32 port;
        QString device;
        bool present;
    };
    // Index 0 and 1 inputs, 2 and 3 outputs.
    static int slot(bool input, quint32 port) { return (input ? 0 : 2) + int(port); }
    Midi* portAt(int slot) const;
    template <typename Port> bool openChosen(Port* port, bool input, quint32 number, quint32 deviceIndex);
    // Returns true when the port should be looked at again soon (listed, but the open failed).
    bool rescanPort(bool input, quint32 port, const QStringList& listed, bool restarted,
                    QVector<Change>* changes);

    HostMidiService* m_service;
    int m_listenerId = 0;
    quint64 m_overflowsTold[2] = {0, 0};
    std::atomic<bool> m_rescanPending{false};
    QTimer m_retry;
    bool m_serverRunning = true;
    quint64 m_serverRestarts = 0;
    Choice m_choices[4];
    // The choice lists last handed out, which openInputPort/openOutputPort indices refer to.
    QStringList m_shown[4];
    std::unique_ptr<MidiClient> m_client;
    std::unique_ptr<MidiInputPort> m_inputs[2];
    std::unique_ptr<MidiOutputPort> m_outputs[2];
    std::atomic<MidiBulkIntervalManager*> m_bulk{nullptr};
    std::atomic<MidiOutMonitor*> m_monitor{nullptr};
    std::atomic<bool> m_refusing{false};
};
