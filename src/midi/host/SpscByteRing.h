#pragma once

#include <QtGlobal>

#include <atomic>
#include <cstring>
#include <memory>

// A lock-free byte ring for exactly one producer thread and one consumer thread. Neither side
// blocks or allocates, so it can stand between a real-time audio callback and ordinary threads.
// Positions grow without bound (64 bits) and are reduced modulo the power-of-two capacity.
class SpscByteRing
{
public:
    explicit SpscByteRing(quint32 capacityPowerOfTwo)
        : m_capacity(roundUp(capacityPowerOfTwo)), m_mask(m_capacity - 1), m_storage(new quint8[m_capacity]())
    {
    }

    quint32 capacity() const { return m_capacity; }

    // Producer side.
    quint64 writePosition() const { return m_write.load(std::memory_order_relaxed); }
    quint32 writeSpace() const
    {
        const quint64 r = m_read.load(std::memory_order_acquire);
        const quint64 w = m_write.load(std::memory_order_relaxed);
        return quint32(m_capacity - (w - r));
    }
    // Copies n bytes at offset bytes past the write position without publishing them.
    void stage(quint32 offset, const void* data, quint32 n)
    {
        copyIn(m_write.load(std::memory_order_relaxed) + offset, static_cast<const quint8*>(data), n);
    }
    void publish(quint32 n)
    {
        m_write.store(m_write.load(std::memory_order_relaxed) + n, std::memory_order_release);
    }
    bool write(const void* data, quint32 n)
    {
        if (writeSpace() < n)
            return false;
        stage(0, data, n);
        publish(n);
        return true;
    }

    // Consumer side.
    quint64 readPosition() const { return m_read.load(std::memory_order_relaxed); }
    quint32 readAvailable() const
    {
        const quint64 w = m_write.load(std::memory_order_acquire);
        const quint64 r = m_read.load(std::memory_order_relaxed);
        return quint32(w - r);
    }
    // Copies n bytes at offset bytes past the read position without consuming them.
    void peek(quint32 offset, void* out, quint32 n) const
    {
        copyOut(m_read.load(std::memory_order_relaxed) + offset, static_cast<quint8*>(out), n);
    }
    void consume(quint32 n)
    {
        m_read.store(m_read.load(std::memory_order_relaxed) + n, std::memory_order_release);
    }

private:
    static quint32 roundUp(quint32 n)
    {
        quint32 c = 1;
        while (c < n)
            c <<= 1;
        return c;
    }
    void copyIn(quint64 position, const quint8* data, quint32 n)
    {
        const quint32 at = quint32(position & m_mask);
        const quint32 first = qMin(n, m_capacity - at);
        std::memcpy(m_storage.get() + at, data, first);
        std::memcpy(m_storage.get(), data + first, n - first);
    }
    void copyOut(quint64 position, quint8* out, quint32 n) const
    {
        const quint32 at = quint32(position & m_mask);
        const quint32 first = qMin(n, m_capacity - at);
        std::memcpy(out, m_storage.get() + at, first);
        std::memcpy(out + first, m_storage.get(), n - first);
    }

    const quint32 m_capacity;
    const quint32 m_mask;
    std::unique_ptr<quint8[]> m_storage;
    alignas(64) std::atomic<quint64> m_write{0};
    alignas(64) std::atomic<quint64> m_read{0};
};
