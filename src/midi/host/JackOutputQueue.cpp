#include "JackOutputQueue.h"

#include <jack/midiport.h>

namespace {

constexpr quint32 headerSize = 8; // length, target frame
// Longer messages go out as several events (continuations of one system-exclusive message): many
// JACK clients take no larger event, and it bounds what one cycle's buffer must hold.
constexpr size_t maxEventSize = 4096;

} // namespace

qint32 JackOutputQueue::open(const std::function<bool(JackConnectionTracker& connection)>& connect)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_connection.isOpen() || !connect(m_connection))
        return 1;
    m_scheduler.reset();
    return 0;
}

qint32
JackOutputQueue::close(const std::function<QStringList(const JackConnectionTracker& connection)>& disconnect)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_connection.isOpen())
        return 1;
    // What is still queued is dropped, not sent to the next device (nor, after a virtual port, to
    // the port's usual peers).
    m_flushCompleted.store(m_queued, std::memory_order_relaxed);
    m_flushTo.store(m_ring.writePosition(), std::memory_order_release);
    m_connection.close(disconnect(m_connection));
    return 0;
}

qint32 JackOutputQueue::queue(const quint8* bytes, quint32 length, quint64* ticket,
                              const std::function<bool(JackFrameScheduler& scheduler, quint32* frame)>& place)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    // A connection that went takes the data nowhere: that is a failed send.
    if (!m_connection.isOpen() || m_connection.lost() || m_ring.writeSpace() < headerSize + length)
        return 1;
    quint32 target = 0;
    if (!place(m_scheduler, &target))
        return 1;
    const quint32 header[2] = {length, target};
    m_ring.stage(0, header, headerSize);
    m_ring.stage(headerSize, bytes, length);
    m_ring.publish(headerSize + length);
    m_queued += length;
    *ticket = m_queued;
    return 0;
}

bool JackOutputQueue::idle()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_completed.load(std::memory_order_acquire) >= m_queued;
}

void JackOutputQueue::withConnection(const std::function<void(JackConnectionTracker& connection)>& use)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    use(m_connection);
}

void JackOutputQueue::writeCycle(void* buffer, jack_nframes_t frames, jack_nframes_t cycleStart,
                                 jack_nframes_t sampleRate, quint64 cycle)
{
    if (!buffer)
        return;
    jack_midi_clear_buffer(buffer);
    const quint64 flushTo = m_flushTo.load(std::memory_order_acquire);
    if (flushTo > m_ring.readPosition()) {
        m_ring.consume(quint32(flushTo - m_ring.readPosition()));
        m_remaining = 0;
        m_completed.store(m_flushCompleted.load(std::memory_order_relaxed), std::memory_order_release);
    }
    if (cycle < m_holdUntilCycle.load(std::memory_order_acquire))
        return;
    jack_nframes_t lastOffset = 0;
    for (;;) {
        if (m_remaining == 0) {
            if (m_ring.readAvailable() < headerSize)
                return;
            quint32 header[2];
            m_ring.peek(0, header, headerSize);
            m_ring.consume(headerSize);
            m_length = header[0];
            m_remaining = header[0];
            m_targetFrame = header[1];
        }
        qint32 due = qint32(m_targetFrame - cycleStart);
        // A message is due about a period after its send, later when cycles run late; a frame more
        // than a second ahead means the server's clock jumped, and the message goes now rather than
        // waiting for it.
        if (due >= qint32(sampleRate))
            due = 0;
        if (due >= qint32(frames))
            return; // belongs to the next cycle
        jack_nframes_t offset = due < 0 ? 0 : jack_nframes_t(due);
        if (offset < lastOffset)
            offset = lastOffset;
        const size_t room = qMin(jack_midi_max_event_size(buffer), maxEventSize);
        quint32 n = quint32(qMin<size_t>(m_remaining, room));
        // A short message goes out whole or waits for the next cycle.
        if (n == 0 || (m_length <= 3 && n < m_remaining))
            return;
        jack_midi_data_t* data = jack_midi_event_reserve(buffer, offset, n);
        if (!data)
            return;
        m_ring.peek(0, data, n);
        m_ring.consume(n);
        m_remaining -= n;
        lastOffset = offset;
        if (m_remaining == 0)
            m_completed.fetch_add(m_length, std::memory_order_release);
    }
}
