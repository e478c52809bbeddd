#include "MidiDataTransmissionThread.h"

#include <chrono>
#include <cstring>

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
        m_ring.clear();
        m_wrapCounter = 0;
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
            if (m_wrapCounter > 1)
                m_wrapCounter = 0;
            else if (freeSpaceLocked() >= need)
                break;
            m_spaceFreed.wait_for(lock, std::chrono::milliseconds(50));
        }
        if (m_ring.writeIndex() + need > m_capacity)
            ++m_wrapCounter;
        quint8 header[2];
        std::memcpy(header, &length, 2);
        m_ring.write(header, 2);
        m_ring.write(bytes, length);
        quint8 trailer[12];
        std::memcpy(trailer, &stamp, 4);
        std::memcpy(trailer + 4, &hostStamp, 8);
        m_ring.write(trailer, 12);
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
    if (m_wrapCounter == 0)
        return m_capacity - (m_ring.writeIndex() - m_ring.readIndex());
    return m_ring.readIndex() - m_ring.writeIndex();
}

bool MidiDataTransmissionThread::emptyLocked() const
{
    return m_wrapCounter == 0 && m_ring.writeIndex() == m_ring.readIndex();
}

void MidiDataTransmissionThread::readField(quint8* destination, quint32 n)
{
    if (m_ring.readIndex() + n > m_capacity && m_wrapCounter > 0)
        --m_wrapCounter;
    m_ring.read(destination, n);
}

void MidiDataTransmissionThread::run()
{
    std::unique_lock<std::mutex> lock(m_ringMutex);
    for (;;) {
        m_wakeUp.wait(lock, [this] { return m_stop || (m_receiver && !emptyLocked()); });
        if (m_stop)
            break;
        quint16 length = 0;
        readField(reinterpret_cast<quint8*>(&length), 2);
        readField(m_record.data(), length);
        quint8 trailer[12];
        readField(trailer, 12);
        quint32 stamp = 0;
        quint64 hostStamp = 0;
        std::memcpy(&stamp, trailer, 4);
        std::memcpy(&hostStamp, trailer + 4, 8);
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
