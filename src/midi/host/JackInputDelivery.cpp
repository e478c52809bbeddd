#include "JackInputDelivery.h"

#include <jack/midiport.h>

#include <cstring>
#include <ctime>

namespace {

constexpr quint32 headerSize = 16; // size, counter, host stamp

} // namespace

JackInputDelivery::JackInputDelivery() {}

JackInputDelivery::~JackInputDelivery()
{
    stopThread();
}

void JackInputDelivery::startThread()
{
    m_stop = false;
    m_thread = std::thread([this] { deliveryLoop(); });
}

void JackInputDelivery::stopThread()
{
    if (!m_thread.joinable())
        return;
    m_stop = true;
    m_wake.post();
    m_thread.join();
}

void JackInputDelivery::wake()
{
    m_wake.post();
}

bool JackInputDelivery::readCycle(int port, void* buffer, jack_client_t* client, jack_nframes_t cycleStart)
{
    Port& in = m_ports[port];
    if (!buffer || !in.started.load(std::memory_order_acquire))
        return false;
    const jack_nframes_t count = jack_midi_get_event_count(buffer);
    if (count == 0)
        return false;
    bool wrote = false;
    // The counter value of an event is taken from its frame, not from when this callback runs; its
    // host stamp is the frame itself.
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const qint64 nowUs = qint64(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
    const jack_time_t jackNowUs = jack_get_time();
    for (jack_nframes_t i = 0; i < count; ++i) {
        jack_midi_event_t event{};
        if (jack_midi_event_get(&event, buffer, i) != 0 || event.size == 0)
            continue;
        // After a dropped event an empty record marks the gap, in its place in the stream, so that
        // a system-exclusive message it cut is not joined across it.
        const quint32 gap = in.gapPending ? headerSize : 0;
        if (in.ring.writeSpace() < gap + headerSize + event.size) {
            in.gapPending = true;
            continue;
        }
        if (gap) {
            const quint32 marker[4] = {0, 0, 0, 0};
            in.ring.stage(0, marker, headerSize);
            in.ring.publish(headerSize);
            in.gapPending = false;
            wrote = true;
        }
        const jack_time_t eventUs = jack_frames_to_time(client, cycleStart + event.time);
        const qint64 ageUs = qint64(jackNowUs) - qint64(eventUs);
        const quint32 counter = quint32(quint64(nowUs - ageUs) / 1000u);
        quint32 header[4] = {quint32(event.size), counter, 0, 0};
        const quint64 hostStamp = quint64(quint32(cycleStart + event.time));
        std::memcpy(&header[2], &hostStamp, sizeof hostStamp);
        in.ring.stage(0, header, headerSize);
        in.ring.stage(headerSize, event.buffer, quint32(event.size));
        in.ring.publish(headerSize + quint32(event.size));
        wrote = true;
    }
    return wrote;
}

qint32 JackInputDelivery::open(int port, quint32 bufferSize, HostMidiService::InputCallback callback,
                               void* context,
                               const std::function<bool(JackConnectionTracker& connection)>& connect)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Port& in = m_ports[port];
    if (in.connection.isOpen() || !connect(in.connection))
        return 1;
    // Whatever came in while the port was closed belongs to nobody.
    in.ring.consume(in.ring.readAvailable());
    in.callback = callback;
    in.context = context;
    in.framer = std::make_unique<HostInputFramer>(bufferSize);
    return 0;
}

qint32 JackInputDelivery::start(int port)
{
    return changeOpen(port, [](Port& in) { in.started = true; });
}

qint32 JackInputDelivery::stop(int port)
{
    return changeOpen(port, [](Port& in) { in.started = false; });
}

qint32 JackInputDelivery::close(
    int port, const std::function<QStringList(const JackConnectionTracker& connection)>& disconnect)
{
    return changeOpen(port, [&disconnect](Port& in) {
        in.started = false;
        in.connection.close(disconnect(in.connection));
        in.callback = nullptr;
        in.context = nullptr;
        in.framer.reset();
    });
}

bool JackInputDelivery::lost(int port) const
{
    return m_ports[port].connection.lost();
}

void JackInputDelivery::withConnection(int port,
                                       const std::function<void(JackConnectionTracker& connection)>& use)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    use(m_ports[port].connection);
}

template <typename Change> qint32 JackInputDelivery::changeOpen(int port, Change change)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (port < 0 || port >= PortCount || !m_ports[port].connection.isOpen())
        return 1;
    Port& in = m_ports[port];
    // A callback in progress ends first (unless this is it, changing its own port).
    if (std::this_thread::get_id() != m_thread.get_id())
        m_idle.wait(lock, [&in] { return !in.calling; });
    if (!in.connection.isOpen())
        return 1;
    change(in);
    return 0;
}

void JackInputDelivery::deliveryLoop()
{
    while (!m_stop.load()) {
        m_wake.waitAtMost(100);
        for (Port& in : m_ports)
            deliver(in);
    }
}

void JackInputDelivery::deliver(Port& in)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (in.ring.readAvailable() >= headerSize) {
        quint32 header[4];
        in.ring.peek(0, header, headerSize);
        const quint32 size = header[0];
        const quint32 counter = header[1];
        quint64 hostStamp = 0;
        std::memcpy(&hostStamp, &header[2], sizeof hostStamp);
        in.event.resize(size);
        in.ring.peek(headerSize, in.event.data(), size);
        in.ring.consume(headerSize + size);
        if (!in.connection.isOpen() || !in.started.load() || !in.callback || !in.framer)
            continue;
        // The callback runs without the lock: it may block (a full receive ring), and stop, close
        // and the watch thread must not wait for it meanwhile. Stop and close wait for calling to
        // end before they change what it uses.
        const HostMidiService::InputCallback callback = in.callback;
        void* const context = in.context;
        HostInputFramer* const framer = in.framer.get();
        in.calling = true;
        lock.unlock();
        auto deliverMessage = [&](HostMidiService::InputMessage message, quint32 packed, const quint8* bytes,
                                  quint32 length) {
            callback(context, message, packed, bytes, length, counter, hostStamp);
        };
        if (size == 0)
            framer->reset(deliverMessage); // events were lost here
        else
            framer->feed(in.event.data(), size, deliverMessage);
        lock.lock();
        in.calling = false;
        m_idle.notify_all();
    }
}
