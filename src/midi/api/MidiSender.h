#pragma once

#include <QtGlobal>

// The one send operation of the program. Every sender (views on the GUI thread, the editor's
// transmission threads, the clock and active-sensing threads, the analyzer's thru path on the
// receive threads) goes through it, so it must be callable from any thread at any time.
class MidiSender
{
public:
    virtual ~MidiSender() = default;

    // bytes/length: the data, not copied. labelKind: the message kind shown on the Out monitor
    // (20 = not parsed). portSelection: 0 Port1, 1 Port2, 2 both. skipPacing: no bulk-interval
    // pause. forceLong: send the first piece as a long message even when it does not begin with
    // 0xF0. passThrough: handed to the output port; a value made by dueAt asks the host to place
    // the message at that time where it can (JACK: at the matching frame), one made by forwardedAt
    // (the thru path) asks it to keep the timing of the input it came from (JACK: the input's frame
    // plus a constant delay); any other value is unused.
    // direct: single port only, one piece, no Out monitor line, no pause; the send stamp is
    // written to sendTimeOut when given. Returns true on success.
    virtual bool sendToOutputPorts(const quint8* bytes, quint32 length, quint8 labelKind,
                                   quint32 portSelection, bool skipPacing = false, bool forceLong = false,
                                   quint64 passThrough = 0, bool direct = false,
                                   quint32* sendTimeOut = nullptr) = 0;

    // The passThrough of a message meant for a moment (timing clock, active sensing): the
    // monotonic clock (CLOCK_MONOTONIC) in microseconds, marked by the top bit, which no host stamp
    // reaches.
    static constexpr quint64 DueTimeMark = quint64(1) << 63;
    static constexpr quint64 dueAt(qint64 monotonicMicroseconds)
    {
        return DueTimeMark | (quint64(monotonicMicroseconds) & ~DueTimeMark);
    }
    static constexpr bool isDueTime(quint64 passThrough) { return (passThrough & DueTimeMark) != 0; }
    static constexpr qint64 dueTimeOf(quint64 passThrough) { return qint64(passThrough & ~DueTimeMark); }

    // The passThrough of a forwarded message: the host stamp of the input it was received with,
    // marked by the second bit from the top, which no host stamp reaches.
    static constexpr quint64 ForwardedMark = quint64(1) << 62;
    static constexpr quint64 forwardedAt(quint64 hostStamp)
    {
        return ForwardedMark | (hostStamp & ~(DueTimeMark | ForwardedMark));
    }
    static constexpr bool isForwarded(quint64 passThrough)
    {
        return (passThrough & (DueTimeMark | ForwardedMark)) == ForwardedMark;
    }
    static constexpr quint64 hostStampOf(quint64 passThrough)
    {
        return passThrough & ~(DueTimeMark | ForwardedMark);
    }
};
