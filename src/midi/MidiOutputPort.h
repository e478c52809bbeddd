#pragma once

#include "HostMidiService.h"
#include "Midi.h"

#include <QByteArray>
#include <QRecursiveMutex>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// An output endpoint (Port1 or Port2). It opens one host output device and sends short messages
// (1 to 3 bytes) and long messages (system-exclusive data, or anything sent with force long).
//
// One message at a time. A sender takes the port's turn (takeTurn) for a whole message and gives
// it back (endTurn) after its last piece; a system-exclusive message sent in several calls (the
// editor's pieces, the pieces thru forwards) keeps the turn from its F0 to its F7, so nothing of
// another sender lands inside it. Real-time messages (F8-FF) need no turn: MIDI lets them pass
// between the pieces of a dump. A sender that finds the port busy either waits for the turn
// (worker threads: the editor, thru, the generators) or leaves a copy of its message in the port's
// queue and goes on (the GUI thread, which must not wait for a dump of seconds); whoever holds the
// turn sends the queued messages, in order, before it gives the turn back. A turn held by an open
// system-exclusive message that has not moved for CompletionTimeoutMs is taken over: its sender
// stopped in the middle (a cut input dump, a sender that went away).
//
// Threads: open, close and enumeration run on the GUI thread under the state mutex; sends run on
// any thread. The state mutex is only ever held for a moment (never across the wait for a long
// message's completion); senders are serialised by the turn, which has its own mutex.
class MidiOutputPort : public Midi
{
public:
    MidiOutputPort(MidiClient* client, quint16 maxLongMessage, quint32 portNumber, quint32 baseCounter,
                   quint32 baseTimeOfDay);
    ~MidiOutputPort() override;

    QStringList enumerateDevices(qint32* error = nullptr);
    qint32 open(qint32 index);
    qint32 open(const QString& name);
    // Opens the port as a virtual port of its own named name, which other programs connect to (see
    // HostMidiService::openVirtualOutput); its port name is then the name they see it under.
    qint32 openVirtual(const QString& name);
    qint32 close();
    // The programs connected to the port while it is open as a virtual port; 0 otherwise.
    int virtualConnections();
    // True while the port is open on a device that has gone away (see HostMidiService::outputLost).
    bool deviceLost();
    // True once everything sent on the open port, short messages included, has left it (the host
    // may still hold short messages for its next cycle after send returned).
    bool sendsDone();
    // Sends one piece, without regard to turns (callers that take turns, and tests). 0 on success,
    // 1 on failure. The stamp of the moment the data was handed to the host is written to stampOut
    // (may be null). Fails without contacting the host when the port is not connected, length is
    // 0, or more than 3 bytes not beginning with 0xF0 are sent without forceLong. A passThrough
    // made by MidiSender::dueAt hands a short message's due time to the host; one made by
    // MidiSender::forwardedAt hands it the host stamp of the input it forwards. A send during which
    // the device went away or the port was closed fails, also when the host took all of its bytes:
    // they may have gone nowhere.
    qint32 send(const quint8* bytes, quint32 length, quint32* stampOut, bool forceLong = false,
                quint64 passThrough = 0);

    // A message left in the queue, sent by the holder of the turn. piece is called for every piece
    // that was sent, on the sending thread, with the piece and its stamp.
    struct Deferred
    {
        QByteArray bytes;
        bool forceLong = false;
        quint64 passThrough = 0;
        std::function<void(const quint8* piece, quint32 length, quint32 stamp)> piece;
    };
    enum class Turn
    {
        Taken,  // the caller sends its message and calls endTurn (or keepTurn) afterwards
        Queued, // the message was left in the queue; it goes out after the message on its way
        Own,    // the caller already holds the turn (its open system-exclusive message)
        Refused // the port no longer sends (refuseSends): the message fails
    };
    // wait: block until the turn is free; else queue deferred when the port is busy. A caller
    // that holds the turn gets Own and sends on.
    Turn takeTurn(bool wait, Deferred* deferred);
    // Gives the turn back after the sending of a message; sends what was queued meanwhile first.
    // openSysEx: the message sent was the beginning of a system-exclusive message without its
    // end: the caller keeps the turn until it sends the piece with the F7.
    void endTurn(bool openSysEx);
    // Messages waiting in the queue (tests, diagnostics).
    int queuedMessages();
    // From now on every turn is refused, waiting senders give up, the queue is dropped and a
    // message on its way stops after its current piece. For the end of the port's life.
    void refuseSends();

    // How long send waits for the host to finish a long message, and how often it looks.
    static constexpr qint64 CompletionTimeoutMs = 1000;
    static constexpr unsigned long CompletionPollMicroseconds = 1000;
    // Pieces a long message is cut into (on the wire and on the Out monitor).
    static constexpr quint32 PieceSize = 4096;

    // Sends a whole message in pieces of PieceSize, calling piece after each one sent; false when
    // a piece failed (nothing more is sent then).
    bool sendPieces(const quint8* bytes, quint32 length, bool forceLong, quint64 passThrough,
                    const std::function<void(const quint8*, quint32, quint32)>& piece);

private:
    void sendQueued();
    // Closes the port and opens it on the host with openOnHost (a device or a port of our own); the
    // new handle, or InvalidHandle when that failed (the port is then not connected). Under the
    // state mutex.
    HostMidiService::Handle
    reopen(const std::function<qint32(HostMidiService*, HostMidiService::Handle*)>& openOnHost);

    // Open, close, enumeration and the handle.
    QRecursiveMutex m_mutex;
    // Bumped by every open and close, so that a send that waited knows whether its port changed.
    quint64 m_generation = 0;

    // The turn and the queue.
    std::mutex m_turnMutex;
    std::condition_variable m_turnFree;
    bool m_busy = false;
    bool m_sysExOpen = false;
    std::atomic<bool> m_refusing{false};
    std::thread::id m_owner;
    qint64 m_lastActivityMs = 0;
    std::deque<Deferred> m_queue;
};
