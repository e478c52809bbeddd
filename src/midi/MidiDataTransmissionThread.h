#pragma once

#include "SpscByteRing.h"

#include <QThread>
#include <QtGlobal>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

// Receives the records of one input port and hands them to the receiver.
//
// Threads: the host's input thread calls enqueue, which writes one record (length, bytes, stamp,
// host stamp) into the ring and wakes this thread; when the ring has no room it waits, in steps of
// at most 50 ms, until this thread has made room, so large system-exclusive input proceeds at the
// pace of the receiver and nothing is lost. This thread (run) drains the ring record by record and
// calls the receiver outside the lock, so the host thread can enqueue meanwhile. setReceiver and
// the destructor run on the owner's thread.
//
// One mutex guards the ring, the receiver and the flags, and both waits use it, so a wake-up can
// never fall between this thread's emptiness check and its wait. The ring counts its positions in
// 64 bits, so full and empty never look alike; it holds at least the capacity, and the records in
// it never fill more than the capacity. After
// setReceiver or the destructor returns, the previous receiver is not running and is never called
// again.
class MidiDataTransmissionThread : public QThread
{
    Q_OBJECT

public:
    using Receiver = void (*)(void* context, const quint8* bytes, quint16 length, quint32 stamp,
                              quint64 hostStamp, quint32 port);

    // Starts the thread at once, with the creating thread's priority.
    MidiDataTransmissionThread(QObject* parent, quint16 capacity, quint32 portNumber);
    ~MidiDataTransmissionThread() override;

    // Null removes the receiver; records already queued for it are dropped.
    void setReceiver(Receiver receiver, void* context);
    // Called on the host's input thread. A record longer than the ring, or one that arrives while
    // no receiver is installed, is dropped.
    void enqueue(const quint8* bytes, quint16 length, quint32 stamp, quint64 hostStamp);

    // Bytes free in the ring (for tests and diagnostics).
    quint32 freeSpace();

protected:
    void run() override;

private:
    quint32 freeSpaceLocked() const;
    bool emptyLocked() const;

    std::mutex m_ringMutex;
    std::condition_variable m_wakeUp;       // a record arrived, or stop
    std::condition_variable m_spaceFreed;   // a record left the ring, or stop
    std::condition_variable m_receiverIdle; // the receiver call in progress returned
    bool m_stop = false;
    bool m_calling = false;
    Receiver m_receiver = nullptr;
    void* m_receiverContext = nullptr;
    SpscByteRing m_ring;
    quint16 m_capacity;
    quint32 m_portNumber;
    std::vector<quint8> m_record;
};
