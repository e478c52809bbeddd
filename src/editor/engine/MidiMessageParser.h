#pragma once

#include "MidiMessage.h"

#include <QByteArray>
#include <QtGlobal>

// Cuts a MIDI byte stream into whole messages.
//
// A message may be split over any number of feeds: the accumulation buffer survives between them,
// and after a complete channel message it keeps the status byte for running status. Rules:
// - A status byte other than F7 starts a new message and drops whatever was incomplete (a
//   partial message, a kept running status, an unfinished system-exclusive message).
// - Data bytes, and F7, with nothing to complete are dropped; so are the undefined status bytes
//   F4 and F5 (after dropping the incomplete message, as any status byte does).
// - System real-time bytes may appear anywhere, even inside another message or a
//   system-exclusive dump. A defined one (F8, FA, FB, FC, FE, FF) is yielded at once on its own;
//   the undefined F9 and FD are dropped. Either way the message in progress and the running status
//   stay untouched, so "F0 01 F8 02 F7" yields a Timing Clock and then F0 01 02 F7.
// - The buffer grows in blocks of 16384 bytes; when growing fails the partial message is dropped.
// Every input byte that ends up in no yielded message is counted, so that a sender can tell the
// user how much of a text was left out.
//
// No lock: the owner serialises access.
class MidiMessageParser
{
public:
    static constexpr int GrowthBlock = 16384;

    MidiMessageParser() = default;
    ~MidiMessageParser();
    MidiMessageParser(const MidiMessageParser&) = delete;
    MidiMessageParser& operator=(const MidiMessageParser&) = delete;

    // Replaces the input view (the bytes are not copied and must stay valid until nextMessage
    // returns false); keeps the accumulation buffer.
    void feed(const quint8* bytes, quint32 count);
    // The next complete message of the input view; false when the view is used up.
    bool nextMessage(MidiMessage& message);
    // Drops the input view and frees the accumulation buffer (partial message and running status).
    void reset();

    static QByteArray encode(const MidiMessage& message) { return message.encode(); }

    // Expected whole length of a message that starts with this byte: 0 for data bytes and F7,
    // 2147483647 for F0, -1 for undefined status bytes.
    static qint32 expectedLength(quint8 byte);

    // Bytes held for an incomplete message (running status included); for tests and diagnostics.
    quint32 pendingBytes() const { return writePosition; }
    // Input bytes dropped since construction or the last reset (bytes of messages cut short,
    // stray data bytes, undefined status bytes).
    quint64 droppedBytes() const { return dropped; }
    // Input bytes held for a message that is not complete yet; a status byte kept for running
    // status is not among them, it went out with its message.
    quint32 incompleteBytes() const { return heldInput; }

private:
    bool append(quint8 byte);
    void emptyBuffer()
    {
        dropped += heldInput;
        heldInput = 0;
        writePosition = 0;
    }
    void releaseBuffer();
    bool decode(MidiMessage& message);

    const quint8* input = nullptr;
    quint32 inputCount = 0;
    quint32 readPosition = 0;

    quint8* buffer = nullptr;
    quint32 capacity = 0;
    quint32 writePosition = 0;

    quint32 heldInput = 0;
    quint64 dropped = 0;
};
