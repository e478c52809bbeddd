#include "JackMidiService.h"

#include <jack/midiport.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

const char* const clientNameWanted = "Vantel MIDI";
const char* const inputPortNames[2] = {"Port1 In", "Port2 In"};
const char* const outputPortNames[2] = {"Port1 Out", "Port2 Out"};

constexpr quint32 inputHeaderSize = 16; // size, counter, host stamp
constexpr quint32 outputHeaderSize = 8; // length, target frame
// Longer messages go out as several events (continuations of one system-exclusive message): many
// JACK clients take no larger event, and it bounds what one cycle's buffer must hold.
constexpr size_t maxEventSize = 4096;

void quiet(const char*) {}

void toStandardError(const char* message)
{
    std::fprintf(stderr, "JACK: %s\n", message);
}

} // namespace

void JackMidiService::ClientCloser::operator()(jack_client_t* client) const
{
    jack_client_close(client);
}

JackMidiService::JackMidiService()
{
    sem_init(&m_wake, 0, 0);
    jack_status_t status{};
    // Looking for a server that is not there is no error worth printing; once connected, the
    // server's complaints are.
    jack_set_error_function(&quiet);
    jack_set_info_function(&quiet);
    jack_client_t* client = jack_client_open(clientNameWanted, JackNoStartServer, &status);
    jack_set_error_function(&toStandardError);
    if (!client) {
        m_serverGone = true;
        return;
    }
    m_client.reset(client);
    m_clientName = QString::fromUtf8(jack_get_client_name(client));
    m_sampleRate = jack_get_sample_rate(client);
    for (int i = 0; i < 2; ++i) {
        m_inputs[i].port =
            jack_port_register(client, inputPortNames[i], JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        m_outputs[i].port =
            jack_port_register(client, outputPortNames[i], JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        if (!m_inputs[i].port || !m_outputs[i].port) {
            m_client.reset();
            m_serverGone = true;
            return;
        }
    }
    jack_set_process_callback(client, &JackMidiService::processCallback, this);
    jack_on_shutdown(client, &JackMidiService::shutdownCallback, this);
    jack_set_xrun_callback(client, &JackMidiService::xrunCallback, this);
    m_delivery = std::thread([this] { deliveryLoop(); });
    if (jack_activate(client) != 0) {
        m_serverGone = true;
        m_client.reset();
    }
}

JackMidiService::~JackMidiService()
{
    if (m_client && !m_serverGone)
        jack_deactivate(m_client.get());
    m_client.reset();
    if (m_delivery.joinable()) {
        m_stopDelivery = true;
        sem_post(&m_wake);
        m_delivery.join();
    }
    sem_destroy(&m_wake);
}

bool JackMidiService::isRunning() const
{
    return m_client && !m_serverGone;
}

QString JackMidiService::clientName() const
{
    return m_clientName;
}

quint64 JackMidiService::xruns() const
{
    return m_xruns.load();
}

QString JackMidiService::apiName() const
{
    return QStringLiteral("jack");
}

QStringList JackMidiService::peerPorts(unsigned long peerFlags)
{
    QStringList names;
    if (isRunning()) {
        const QString own = m_clientName + QLatin1Char(':');
        if (const char** ports = jack_get_ports(m_client.get(), nullptr, JACK_DEFAULT_MIDI_TYPE, peerFlags)) {
            for (const char** p = ports; *p; ++p) {
                const QString name = QString::fromUtf8(*p);
                if (!name.startsWith(own))
                    names.append(name);
            }
            jack_free(ports);
        }
    }
    return names;
}

QVector<HostMidiDevice> JackMidiService::inputDevices()
{
    return namedDevices(peerPorts(JackPortIsOutput));
}

QVector<HostMidiDevice> JackMidiService::outputDevices()
{
    return namedDevices(peerPorts(JackPortIsInput));
}

qint32 JackMidiService::openInput(const QString& device, quint32 portNumber, quint32 bufferSize,
                                  InputCallback callback, void* context, Handle* handle)
{
    if (!isRunning() || portNumber > 1 || !callback || !handle)
        return 1;
    if (!peerPorts(JackPortIsOutput).contains(device))
        return 1;
    const QString peer = device;
    std::lock_guard<std::mutex> delivery(m_deliveryMutex);
    InputPort& in = m_inputs[portNumber];
    if (in.open)
        return 1;
    const int rc = jack_connect(m_client.get(), peer.toUtf8().constData(), jack_port_name(in.port));
    if (rc != 0 && rc != EEXIST)
        return 1;
    // Whatever came in while the port was closed belongs to nobody.
    in.ring.consume(in.ring.readAvailable());
    in.open = true;
    in.peer = peer;
    in.callback = callback;
    in.context = context;
    in.framer = std::make_unique<HostInputFramer>(bufferSize);
    *handle = Handle(portNumber);
    return 0;
}

qint32 JackMidiService::startInput(Handle handle)
{
    return changeOpenInput(handle, [](InputPort& in) { in.started = true; });
}

qint32 JackMidiService::stopInput(Handle handle)
{
    return changeOpenInput(handle, [](InputPort& in) { in.started = false; });
}

qint32 JackMidiService::closeInput(Handle handle)
{
    return changeOpenInput(handle, [this](InputPort& in) {
        in.started = false;
        // The peer may be gone already; the connection then went with it.
        if (isRunning())
            jack_disconnect(m_client.get(), in.peer.toUtf8().constData(), jack_port_name(in.port));
        in.open = false;
        in.peer.clear();
        in.callback = nullptr;
        in.context = nullptr;
        in.framer.reset();
    });
}

template <typename Change> qint32 JackMidiService::changeOpenInput(Handle handle, Change change)
{
    std::lock_guard<std::mutex> delivery(m_deliveryMutex);
    if (handle < 0 || handle > 1 || !m_inputs[handle].open)
        return 1;
    change(m_inputs[handle]);
    return 0;
}

qint32 JackMidiService::openOutput(const QString& device, quint32 portNumber, Handle* handle)
{
    if (!isRunning() || portNumber > 1 || !handle)
        return 1;
    if (!peerPorts(JackPortIsInput).contains(device))
        return 1;
    const QString peer = device;
    OutputPort& out = m_outputs[portNumber];
    std::lock_guard<std::mutex> lock(out.mutex);
    if (out.open)
        return 1;
    const int rc = jack_connect(m_client.get(), jack_port_name(out.port), peer.toUtf8().constData());
    if (rc != 0 && rc != EEXIST)
        return 1;
    out.open = true;
    out.peer = peer;
    *handle = Handle(portNumber);
    return 0;
}

qint32 JackMidiService::closeOutput(Handle handle)
{
    if (handle < 0 || handle > 1)
        return 1;
    OutputPort& out = m_outputs[handle];
    std::lock_guard<std::mutex> lock(out.mutex);
    if (!out.open)
        return 1;
    if (isRunning())
        jack_disconnect(m_client.get(), jack_port_name(out.port), out.peer.toUtf8().constData());
    out.flushCompleted.store(out.queued, std::memory_order_relaxed);
    out.flushTo.store(out.ring.writePosition(), std::memory_order_release);
    out.open = false;
    out.peer.clear();
    return 0;
}

qint32 JackMidiService::sendShort(Handle handle, const quint8* bytes, quint32 length)
{
    if (length < 1 || length > 3)
        return 1;
    quint64 ticket = 0;
    return queueOutput(handle, bytes, length, &ticket);
}

qint32 JackMidiService::sendShortAt(Handle handle, const quint8* bytes, quint32 length,
                                    qint64 dueMicroseconds)
{
    if (length < 1 || length > 3)
        return 1;
    quint64 ticket = 0;
    return queueOutput(handle, bytes, length, &ticket, qMax<qint64>(0, dueMicroseconds));
}

qint32 JackMidiService::sendLong(Handle handle, const quint8* bytes, quint32 length, quint64* ticket)
{
    if (length == 0 || !ticket)
        return 1;
    return queueOutput(handle, bytes, length, ticket);
}

jack_nframes_t JackMidiService::outputFrame(qint64 dueMicroseconds)
{
    jack_client_t* client = m_client.get();
    const jack_nframes_t period = jack_get_buffer_size(client);
    if (dueMicroseconds < 0)
        return jack_frame_time(client) + period;
    // The server keeps its own time; the due time is carried over as a distance from now. A distance
    // beyond a second is no timing the sender can mean (the clock jumped): such a message goes now.
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const qint64 nowUs = qint64(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
    const qint64 ahead = dueMicroseconds - nowUs;
    if (ahead > 1000000 || ahead < -1000000)
        return jack_frame_time(client) + period;
    const jack_time_t due = jack_time_t(qint64(jack_get_time()) + ahead);
    return jack_time_to_frames(client, due) + period;
}

qint32 JackMidiService::queueOutput(Handle handle, const quint8* bytes, quint32 length, quint64* ticket,
                                    qint64 dueMicroseconds)
{
    if (!isRunning() || handle < 0 || handle > 1)
        return 1;
    OutputPort& out = m_outputs[handle];
    std::lock_guard<std::mutex> lock(out.mutex);
    if (!out.open || out.ring.writeSpace() < outputHeaderSize + length)
        return 1;
    // One period after now (or after its due time): the process cycle that follows writes it at the
    // matching frame. The period is the slack that lets a sender arrive a little late and still
    // hit the frame of its due time.
    const quint32 target = quint32(outputFrame(dueMicroseconds));
    const quint32 header[2] = {length, target};
    out.ring.stage(0, header, outputHeaderSize);
    out.ring.stage(outputHeaderSize, bytes, length);
    out.ring.publish(outputHeaderSize + length);
    out.queued += length;
    *ticket = out.queued;
    return 0;
}

bool JackMidiService::longDone(Handle handle, quint64 ticket)
{
    if (handle < 0 || handle > 1)
        return false;
    return m_outputs[handle].completed.load(std::memory_order_acquire) >= ticket;
}

int JackMidiService::processCallback(jack_nframes_t frames, void* self)
{
    static_cast<JackMidiService*>(self)->process(frames);
    return 0;
}

void JackMidiService::shutdownCallback(void* self)
{
    auto* service = static_cast<JackMidiService*>(self);
    service->m_serverGone = true;
    sem_post(&service->m_wake);
}

int JackMidiService::xrunCallback(void* self)
{
    ++static_cast<JackMidiService*>(self)->m_xruns;
    return 0;
}

void JackMidiService::process(jack_nframes_t frames)
{
    const jack_nframes_t cycleStart = jack_last_frame_time(m_client.get());
    bool wrote = false;
    for (InputPort& in : m_inputs) {
        const quint32 before = in.ring.readAvailable();
        readInput(in, frames, cycleStart);
        wrote = wrote || in.ring.readAvailable() != before;
    }
    for (OutputPort& out : m_outputs)
        writeOutput(out, frames, cycleStart);
    if (wrote)
        sem_post(&m_wake);
}

void JackMidiService::readInput(InputPort& in, jack_nframes_t frames, jack_nframes_t cycleStart)
{
    void* buffer = jack_port_get_buffer(in.port, frames);
    if (!buffer || !in.started.load(std::memory_order_acquire))
        return;
    const jack_nframes_t count = jack_midi_get_event_count(buffer);
    if (count == 0)
        return;
    // The counter value of an event is taken from its frame, not from when this callback runs.
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
        const quint32 gap = in.gapPending ? inputHeaderSize : 0;
        if (in.ring.writeSpace() < gap + inputHeaderSize + event.size) {
            in.gapPending = true;
            continue;
        }
        if (gap) {
            const quint32 marker[4] = {0, 0, 0, 0};
            in.ring.stage(0, marker, inputHeaderSize);
            in.ring.publish(inputHeaderSize);
            in.gapPending = false;
        }
        const jack_time_t eventUs = jack_frames_to_time(m_client.get(), cycleStart + event.time);
        const qint64 ageUs = qint64(jackNowUs) - qint64(eventUs);
        const quint32 counter = quint32(quint64(nowUs - ageUs) / 1000u);
        quint32 header[4] = {quint32(event.size), counter, 0, 0};
        const quint64 hostStamp = quint64(eventUs);
        std::memcpy(&header[2], &hostStamp, sizeof hostStamp);
        in.ring.stage(0, header, inputHeaderSize);
        in.ring.stage(inputHeaderSize, event.buffer, quint32(event.size));
        in.ring.publish(inputHeaderSize + quint32(event.size));
    }
}

void JackMidiService::writeOutput(OutputPort& out, jack_nframes_t frames, jack_nframes_t cycleStart)
{
    void* buffer = jack_port_get_buffer(out.port, frames);
    if (!buffer)
        return;
    jack_midi_clear_buffer(buffer);
    const quint64 flushTo = out.flushTo.load(std::memory_order_acquire);
    if (flushTo > out.ring.readPosition()) {
        out.ring.consume(quint32(flushTo - out.ring.readPosition()));
        out.remaining = 0;
        out.completed.store(out.flushCompleted.load(std::memory_order_relaxed), std::memory_order_release);
    }
    jack_nframes_t lastOffset = 0;
    for (;;) {
        if (out.remaining == 0) {
            if (out.ring.readAvailable() < outputHeaderSize)
                return;
            quint32 header[2];
            out.ring.peek(0, header, outputHeaderSize);
            out.ring.consume(outputHeaderSize);
            out.length = header[0];
            out.remaining = header[0];
            out.targetFrame = header[1];
        }
        qint32 due = qint32(out.targetFrame - cycleStart);
        // A message is due about a period after its send, later when cycles run late; a frame more
        // than a second ahead means the server's clock jumped, and the message goes now rather than
        // waiting for it.
        if (due >= qint32(m_sampleRate))
            due = 0;
        if (due >= qint32(frames))
            return; // belongs to the next cycle
        jack_nframes_t offset = due < 0 ? 0 : jack_nframes_t(due);
        if (offset < lastOffset)
            offset = lastOffset;
        const size_t room = qMin(jack_midi_max_event_size(buffer), maxEventSize);
        quint32 n = quint32(qMin<size_t>(out.remaining, room));
        // A short message goes out whole or waits for the next cycle.
        if (n == 0 || (out.length <= 3 && n < out.remaining))
            return;
        jack_midi_data_t* data = jack_midi_event_reserve(buffer, offset, n);
        if (!data)
            return;
        out.ring.peek(0, data, n);
        out.ring.consume(n);
        out.remaining -= n;
        lastOffset = offset;
        if (out.remaining == 0)
            out.completed.fetch_add(out.length, std::memory_order_release);
    }
}

void JackMidiService::deliveryLoop()
{
    while (!m_stopDelivery.load()) {
        timespec deadline{};
        clock_gettime(CLOCK_REALTIME, &deadline);
        deadline.tv_nsec += 100 * 1000 * 1000;
        if (deadline.tv_nsec >= 1000000000) {
            deadline.tv_nsec -= 1000000000;
            deadline.tv_sec += 1;
        }
        sem_timedwait(&m_wake, &deadline);
        std::lock_guard<std::mutex> delivery(m_deliveryMutex);
        for (InputPort& in : m_inputs)
            deliverInput(in);
    }
}

void JackMidiService::deliverInput(InputPort& in)
{
    std::vector<quint8> event;
    while (in.ring.readAvailable() >= inputHeaderSize) {
        quint32 header[4];
        in.ring.peek(0, header, inputHeaderSize);
        const quint32 size = header[0];
        const quint32 counter = header[1];
        quint64 hostStamp = 0;
        std::memcpy(&hostStamp, &header[2], sizeof hostStamp);
        event.resize(size);
        in.ring.peek(inputHeaderSize, event.data(), size);
        in.ring.consume(inputHeaderSize + size);
        if (!in.open || !in.started.load() || !in.callback || !in.framer)
            continue;
        auto deliver = [&](InputMessage message, quint32 packed, const quint8* bytes, quint32 length) {
            in.callback(in.context, message, packed, bytes, length, counter, hostStamp);
        };
        if (size == 0)
            in.framer->reset(deliver); // events were lost here
        else
            in.framer->feed(event.data(), size, deliver);
    }
}
