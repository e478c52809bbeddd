#include "MidiDataTransmissionThread.h"

#include <chrono>

namespace {

constexpr quint32 framing = 14; // length 2, stamp 4, host stamp 8

} // namespace

MidiDataTransmissionThread::MidiDataTransmissionThread(QObject* parent, quint16 capacity, quint32 portNumber)
    : QThread(parent), m_ring(capacity), m_capacity(capacity), m_portNumber(portNumber), m_record(capacity)
{
    start(QThread::InheritPriority);
}

MidiDataTransmissionThread::~MidiDataTransmissionThread()
{
    {
        std::lock_guard<std::mutex> lock(m_ringMutex);
        m_receiver = nullptr;
        m_receiverContext = nullptr;
        m_stop = true;
    }
    m_wakeUp.notify_all();
    m_spaceFreed.notify_all();
    wait();
}

void MidiDataTransmissionThread::setReceiver(Receiver receiver, void* context)
{
    std::unique_lock<std::mutex> lock(m_ringMutex);
    m_receiver = receiver;
    m_receiverContext = context;
    if (!receiver) {
        m_ring.consume(m_ring.readAvailable());
        m_spaceFreed.notify_all();
    }
    // The receiver may install another one from inside its own call; only other threads wait.
    if (QThread::currentThread() != this)
        m_receiverIdle.wait(lock, [this] { return !m_calling; });
}

void MidiDataTransmissionThread::enqueue(const quint8* bytes, quint16 length, quint32 stamp,
                                         quint64 hostStamp)
{
    const quint32 need = quint32(length) + framing;
    if (need > m_capacity)
        return;
    {
        std::unique_lock<std::mutex> lock(m_ringMutex);
        for (;;) {
            if (m_stop || !m_receiver)
                return;
            if (freeSpaceLocked() >= need)
                break;
            m_spaceFreed.wait_for(lock, std::chrono::milliseconds(50));
        }
        m_ring.stage(0, &length, 2);
        m_ring.stage(2, bytes, length);
        m_ring.stage(2 + quint32(length), &stamp, 4);
        m_ring.stage(6 + quint32(length), &hostStamp, 8);
        m_ring.publish(need);
    }
    m_wakeUp.notify_one();
}

quint32 MidiDataTransmissionThread::freeSpace()
{
    std::lock_guard<std::mutex> lock(m_ringMutex);
    return freeSpaceLocked();
}

quint32 MidiDataTransmissionThread::freeSpaceLocked() const
{
    return m_capacity - m_ring.readAvailable();
}

bool MidiDataTransmissionThread::emptyLocked() const
{
    return m_ring.readAvailable() == 0;
}

void MidiDataTransmissionThread::run()
{
    std::unique_lock<std::mutex> lock(m_ringMutex);
    for (;;) {
        m_wakeUp.wait(lock, [this] { return m_stop || (m_receiver && !emptyLocked()); });
        if (m_stop)
            break;
        quint16 length = 0;
        m_ring.peek(0, &length, 2);
        m_ring.peek(2, m_record.data(), length);
        quint32 stamp = 0;
        quint64 hostStamp = 0;
        m_ring.peek(2 + quint32(length), &stamp, 4);
        m_ring.peek(6 + quint32(length), &hostStamp, 8);
        m_ring.consume(quint32(length) + framing);
        const Receiver receiver = m_receiver;
        void* const context = m_receiverContext;
        m_calling = true;
        lock.unlock();
        m_spaceFreed.notify_all();
        receiver(context, m_record.data(), length, stamp, hostStamp, m_portNumber);
        lock.lock();
        m_calling = false;
        m_receiverIdle.notify_all();
    }
    m_calling = false;
    m_receiverIdle.notify_all();
}
