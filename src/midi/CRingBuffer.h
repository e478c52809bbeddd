#pragma once

#include <QtGlobal>

#include <algorithm>
#include <memory>

// A ring of elements with separate read and write indices and no count of its own: it cannot tell
// full from empty, so its owner keeps a wrap counter beside it and checks free space before every
// write. An index may stand at exactly the capacity after an operation that ended at the end of
// the storage; the next operation then continues at 0. No lock: the owner serialises all access.
template <typename T> class CRingBuffer
{
public:
    explicit CRingBuffer(quint32 capacity) : m_storage(new T[capacity]()), m_capacity(capacity) {}
    virtual ~CRingBuffer() = default;

    CRingBuffer(const CRingBuffer&) = delete;
    CRingBuffer& operator=(const CRingBuffer&) = delete;

    quint32 capacity() const { return m_capacity; }
    quint32 writeIndex() const { return m_writeIndex; }
    quint32 readIndex() const { return m_readIndex; }

    // Forgets the contents (both indices back to 0).
    void clear()
    {
        m_writeIndex = 0;
        m_readIndex = 0;
    }

    void write(const T* source, quint32 n)
    {
        transfer(m_writeIndex, n, [&](T* at, quint32 from, quint32 count) {
            std::copy(source + from, source + from + count, at);
        });
    }

    void read(T* destination, quint32 n)
    {
        transfer(m_readIndex, n,
                 [&](T* at, quint32 to, quint32 count) { std::copy(at, at + count, destination + to); });
    }

private:
    template <typename Copy> void transfer(quint32& index, quint32 n, Copy copy)
    {
        if (index + n <= m_capacity) {
            copy(m_storage.get() + index, 0, n);
            index += n;
            return;
        }
        const quint32 toEnd = m_capacity - index;
        copy(m_storage.get() + index, 0, toEnd);
        copy(m_storage.get(), toEnd, n - toEnd);
        index = n - toEnd;
    }

    std::unique_ptr<T[]> m_storage;
    quint32 m_capacity;
    quint32 m_writeIndex = 0;
    quint32 m_readIndex = 0;
};
