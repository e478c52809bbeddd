#include "JackMidiService.h"

#include <jack/midiport.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <thread>
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

// A client whose server went away is closed only this long after the shutdown notification:
// closing it cancels JACK's own threads of that client, and one still on its way out (printing its
// error) would leave a lock of the C library held for good.
constexpr qint64 deadClientSettleMs = 500;

qint64 steadyMilliseconds()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

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
    sem_init(&m_watchWake, 0, 0);
    if (!connectToServer()) {
        m_serverGone = true;
        return;
    }
    m_delivery = std::thread([this] { deliveryLoop(); });
    m_watch = std::thread([this] { watchLoop(); });
}

JackMidiService::~JackMidiService()
{
    if (m_watch.joinable()) {
        m_stopWatch = true;
        sem_post(&m_watchWake);
        m_watch.join();
    }
    std::unique_ptr<jack_client_t, ClientCloser> client;
    {
        std::unique_lock<std::shared_mutex> lock(m_clientLock);
        client = std::move(m_client);
    }
    if (client && !m_serverGone)
        jack_deactivate(client.get());
    m_processClient = nullptr;
    if (!client)
        client = std::move(m_deadClient);
    if (client && m_serverGone) {
        while (!deadClientSettled())
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    client.reset();
    if (m_delivery.joinable()) {
        m_stopDelivery = true;
        sem_post(&m_wake);
        m_delivery.join();
    }
    sem_destroy(&m_watchWake);
    sem_destroy(&m_wake);
}

bool JackMidiService::connectToServer()
{
    jack_status_t status{};
    // Looking for a server that is not there is no error worth printing; once connected, the
    // server's complaints are.
    jack_set_error_function(&quiet);
    jack_set_info_function(&quiet);
    std::unique_ptr<jack_client_t, ClientCloser> client(
        jack_client_open(clientNameWanted, JackNoStartServer, &status));
    jack_set_error_function(&toStandardError);
    if (!client)
        return false;
    jack_port_t* inputs[2] = {nullptr, nullptr};
    jack_port_t* outputs[2] = {nullptr, nullptr};
    for (int i = 0; i < 2; ++i) {
        inputs[i] =
            jack_port_register(client.get(), inputPortNames[i], JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        outputs[i] =
            jack_port_register(client.get(), outputPortNames[i], JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        if (!inputs[i] || !outputs[i])
            return false;
    }
    jack_set_process_callback(client.get(), &JackMidiService::processCallback, this);
    jack_on_shutdown(client.get(), &JackMidiService::shutdownCallback, this);
    jack_set_xrun_callback(client.get(), &JackMidiService::xrunCallback, this);
    jack_set_port_registration_callback(client.get(), &JackMidiService::portRegistrationCallback, this);
    jack_set_port_connect_callback(client.get(), &JackMidiService::portConnectCallback, this);
    jack_client_t* const raw = client.get();
    {
        std::unique_lock<std::shared_mutex> lock(m_clientLock);
        for (int i = 0; i < 2; ++i) {
            m_inputs[i].port = inputs[i];
            m_outputs[i].port = outputs[i];
        }
        m_clientName = QString::fromUtf8(jack_get_client_name(raw));
        m_sampleRate = jack_get_sample_rate(raw);
        m_processClient = raw;
        m_client = std::move(client);
    }
    m_serverGone = false;
    if (jack_activate(raw) == 0)
        return true;
    std::unique_ptr<jack_client_t, ClientCloser> failed;
    {
        std::unique_lock<std::shared_mutex> lock(m_clientLock);
        m_processClient = nullptr;
        failed = std::move(m_client);
    }
    m_serverGone = true;
    return false;
}

bool JackMidiService::deadClientSettled() const
{
    return steadyMilliseconds() - m_serverGoneAt.load() >= deadClientSettleMs;
}

bool JackMidiService::isRunning() const
{
    return m_processClient.load() && !m_serverGone;
}

bool JackMidiService::serverRunning() const
{
    return isRunning();
}

quint64 JackMidiService::serverRestarts() const
{
    return m_restarts.load();
}

QString JackMidiService::clientName() const
{
    std::shared_lock<std::shared_mutex> lock(m_clientLock);
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
    std::shared_lock<std::shared_mutex> lock(m_clientLock);
    if (m_client && !m_serverGone) {
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
    return sortedByName(namedDevices(peerPorts(JackPortIsOutput)));
}

QVector<HostMidiDevice> JackMidiService::outputDevices()
{
    return sortedByName(namedDevices(peerPorts(JackPortIsInput)));
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
    {
        std::shared_lock<std::shared_mutex> lock(m_clientLock);
        if (!m_client)
            return 1;
        const int rc = jack_connect(m_client.get(), peer.toUtf8().constData(), jack_port_name(in.port));
        if (rc != 0 && rc != EEXIST)
            return 1;
    }
    in.lost = false;
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
        {
            std::shared_lock<std::shared_mutex> lock(m_clientLock);
            if (in.isVirtual) {
                // Once the cycle that may still read it is over, the port goes, and every
                // connection to it with it.
                jack_port_t* const port = in.virtualPort.exchange(nullptr);
                if (port && m_client && !m_serverGone) {
                    settleConnections(1000);
                    jack_port_unregister(m_client.get(), port);
                }
            } else if (m_client && !m_serverGone && peerListed(in.peer, JackPortIsOutput) &&
                       jack_disconnect(m_client.get(), in.peer.toUtf8().constData(),
                                       jack_port_name(in.port)) == 0) {
                in.ownDisconnects.append(in.peer);
            }
        }
        in.lost = false;
        in.open = false;
        in.isVirtual = false;
        in.peer.clear();
        in.callback = nullptr;
        in.context = nullptr;
        in.framer.reset();
    });
}

template <typename Change> qint32 JackMidiService::changeOpenInput(Handle handle, Change change)
{
    std::unique_lock<std::mutex> delivery(m_deliveryMutex);
    if (handle < 0 || handle > 1 || !m_inputs[handle].open)
        return 1;
    InputPort& in = m_inputs[handle];
    // A callback in progress ends first (unless this is it, changing its own port).
    if (std::this_thread::get_id() != m_delivery.get_id())
        m_deliveryIdle.wait(delivery, [&in] { return !in.calling; });
    if (!in.open)
        return 1;
    change(in);
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
    {
        std::shared_lock<std::shared_mutex> clientLock(m_clientLock);
        if (!m_client)
            return 1;
        const int rc = jack_connect(m_client.get(), jack_port_name(out.port), peer.toUtf8().constData());
        if (rc != 0 && rc != EEXIST)
            return 1;
    }
    out.lost = false;
    out.open = true;
    out.scheduler.reset();
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
    // What is still queued is dropped, not sent to the next device (nor, after a virtual port, to
    // the port's usual peers).
    out.flushCompleted.store(out.queued, std::memory_order_relaxed);
    out.flushTo.store(out.ring.writePosition(), std::memory_order_release);
    {
        std::shared_lock<std::shared_mutex> clientLock(m_clientLock);
        if (out.isVirtual) {
            // A port the process thread no longer writes keeps its last events for its peers to
            // read again: it is cleared in cycles of its own before it goes.
            jack_port_t* const port = out.virtualPort.exchange(nullptr);
            if (port && m_client && !m_serverGone) {
                out.retiredPort = port;
                settleConnections(1000);
                out.retiredPort = nullptr;
                settleConnections(1000);
                jack_port_unregister(m_client.get(), port);
            }
        } else if (m_client && !m_serverGone && peerListed(out.peer, JackPortIsInput) &&
                   jack_disconnect(m_client.get(), jack_port_name(out.port), out.peer.toUtf8().constData()) ==
                       0) {
            out.ownDisconnects.append(out.peer);
        }
    }
    out.lost = false;
    out.open = false;
    out.isVirtual = false;
    out.peer.clear();
    return 0;
}

jack_port_t* JackMidiService::registerVirtual(const QString& name, unsigned long flags)
{
    if (name.isEmpty() || name.contains(QLatin1Char(':')))
        return nullptr;
    const QByteArray full = (m_clientName + QLatin1Char(':') + name).toUtf8();
    if (full.size() >= jack_port_name_size() || jack_port_by_name(m_client.get(), full.constData()))
        return nullptr;
    return jack_port_register(m_client.get(), name.toUtf8().constData(), JACK_DEFAULT_MIDI_TYPE, flags, 0);
}

qint32 JackMidiService::openVirtualInput(const QString& name, quint32 portNumber, quint32 bufferSize,
                                         InputCallback callback, void* context, Handle* handle)
{
    if (!isRunning() || portNumber > 1 || !callback || !handle)
        return 1;
    std::lock_guard<std::mutex> delivery(m_deliveryMutex);
    InputPort& in = m_inputs[portNumber];
    if (in.open)
        return 1;
    {
        std::shared_lock<std::shared_mutex> lock(m_clientLock);
        jack_port_t* const port = m_client ? registerVirtual(name, JackPortIsInput) : nullptr;
        if (!port)
            return 1;
        in.virtualPort = port;
    }
    in.lost = false;
    in.ring.consume(in.ring.readAvailable());
    in.open = true;
    in.isVirtual = true;
    in.peer.clear();
    in.callback = callback;
    in.context = context;
    in.framer = std::make_unique<HostInputFramer>(bufferSize);
    *handle = Handle(portNumber);
    return 0;
}

qint32 JackMidiService::openVirtualOutput(const QString& name, quint32 portNumber, Handle* handle)
{
    if (!isRunning() || portNumber > 1 || !handle)
        return 1;
    OutputPort& out = m_outputs[portNumber];
    std::lock_guard<std::mutex> lock(out.mutex);
    if (out.open)
        return 1;
    {
        std::shared_lock<std::shared_mutex> clientLock(m_clientLock);
        jack_port_t* const port = m_client ? registerVirtual(name, JackPortIsOutput) : nullptr;
        if (!port)
            return 1;
        out.virtualPort = port;
    }
    out.lost = false;
    out.open = true;
    out.isVirtual = true;
    out.scheduler.reset();
    out.peer.clear();
    *handle = Handle(portNumber);
    return 0;
}

QString JackMidiService::virtualPortName(Handle handle, bool input)
{
    if (handle < 0 || handle > 1)
        return QString();
    std::shared_lock<std::shared_mutex> lock(m_clientLock);
    jack_port_t* const port =
        input ? m_inputs[handle].virtualPort.load() : m_outputs[handle].virtualPort.load();
    return m_client && port ? QString::fromUtf8(jack_port_name(port)) : QString();
}

int JackMidiService::virtualPortConnections(Handle handle, bool input)
{
    if (handle < 0 || handle > 1)
        return 0;
    std::shared_lock<std::shared_mutex> lock(m_clientLock);
    jack_port_t* const port =
        input ? m_inputs[handle].virtualPort.load() : m_outputs[handle].virtualPort.load();
    return m_client && !m_serverGone && port ? jack_port_connected(port) : 0;
}

qint32 JackMidiService::sendShort(Handle handle, const quint8* bytes, quint32 length)
{
    if (length < 1 || length > 3)
        return 1;
    quint64 ticket = 0;
    return queueOutput(handle, bytes, length, &ticket, Timing());
}

qint32 JackMidiService::sendShortAt(Handle handle, const quint8* bytes, quint32 length,
                                    qint64 dueMicroseconds)
{
    if (length < 1 || length > 3)
        return 1;
    quint64 ticket = 0;
    Timing timing;
    timing.kind = Timing::Due;
    timing.dueMicroseconds = qMax<qint64>(0, dueMicroseconds);
    return queueOutput(handle, bytes, length, &ticket, timing);
}

qint32 JackMidiService::sendShortForwarded(Handle handle, const quint8* bytes, quint32 length,
                                           quint64 hostStamp)
{
    if (length < 1 || length > 3)
        return 1;
    quint64 ticket = 0;
    Timing timing;
    timing.kind = Timing::Forwarded;
    timing.inputFrame = quint32(hostStamp);
    return queueOutput(handle, bytes, length, &ticket, timing);
}

qint32 JackMidiService::sendLong(Handle handle, const quint8* bytes, quint32 length, quint64* ticket)
{
    if (length == 0 || !ticket)
        return 1;
    return queueOutput(handle, bytes, length, ticket, Timing());
}

jack_nframes_t JackMidiService::outputFrame(OutputPort& out, const Timing& timing)
{
    jack_client_t* client = m_client.get();
    JackFrameScheduler::Now now;
    now.period = jack_get_buffer_size(client);
    now.sampleRate = m_sampleRate;
    now.frame = jack_frame_time(client);
    now.cycleStart = m_cycleStart.load(std::memory_order_acquire);
    // Before the first cycle the process thread has not told its frame yet.
    if (qint32(now.frame - now.cycleStart) < 0 || qint32(now.frame - now.cycleStart) > qint32(4 * now.period))
        now.cycleStart = now.frame;
    switch (timing.kind) {
    case Timing::Forwarded:
        return JackFrameScheduler::frameForForwarded(timing.inputFrame, now);
    case Timing::Due: {
        // The server keeps its own time; the due time is carried over as a distance from now. A
        // distance beyond a second is no timing the sender can mean (the clock jumped): such a
        // message goes now.
        timespec monotonic{};
        clock_gettime(CLOCK_MONOTONIC, &monotonic);
        const qint64 nowUs = qint64(monotonic.tv_sec) * 1000000 + monotonic.tv_nsec / 1000;
        const qint64 ahead = timing.dueMicroseconds - nowUs;
        if (ahead > 1000000 || ahead < -1000000)
            return JackFrameScheduler::frameForNow(now);
        const jack_time_t due = jack_time_t(qint64(jack_get_time()) + ahead);
        return out.scheduler.frameForDue(timing.dueMicroseconds, jack_time_to_frames(client, due), now);
    }
    case Timing::Now:
        break;
    }
    return JackFrameScheduler::frameForNow(now);
}

qint32 JackMidiService::queueOutput(Handle handle, const quint8* bytes, quint32 length, quint64* ticket,
                                    const Timing& timing)
{
    if (!isRunning() || handle < 0 || handle > 1)
        return 1;
    OutputPort& out = m_outputs[handle];
    std::lock_guard<std::mutex> lock(out.mutex);
    // A connection that went takes the data nowhere: that is a failed send.
    if (!out.open || out.lost || out.ring.writeSpace() < outputHeaderSize + length)
        return 1;
    std::shared_lock<std::shared_mutex> clientLock(m_clientLock);
    if (!m_client || m_serverGone)
        return 1;
    const quint32 target = quint32(outputFrame(out, timing));
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

void JackMidiService::settleConnections(int msecs)
{
    // A connection made before this call is in the graph of the cycle after the next at the latest.
    const quint64 wanted = m_cycles.load(std::memory_order_acquire) + 2;
    const qint64 deadline = steadyMilliseconds() + msecs;
    while (m_cycles.load(std::memory_order_acquire) < wanted && steadyMilliseconds() < deadline &&
           isRunning())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

bool JackMidiService::outputIdle(Handle handle)
{
    if (handle < 0 || handle > 1)
        return true;
    OutputPort& out = m_outputs[handle];
    std::lock_guard<std::mutex> lock(out.mutex);
    return out.completed.load(std::memory_order_acquire) >= out.queued;
}

bool JackMidiService::inputLost(Handle handle)
{
    return handle >= 0 && handle <= 1 && (m_inputs[handle].lost.load() || m_serverGone.load());
}

bool JackMidiService::outputLost(Handle handle)
{
    return handle >= 0 && handle <= 1 && (m_outputs[handle].lost.load() || m_serverGone.load());
}

int JackMidiService::processCallback(jack_nframes_t frames, void* self)
{
    static_cast<JackMidiService*>(self)->process(frames);
    return 0;
}

void JackMidiService::shutdownCallback(void* self)
{
    auto* service = static_cast<JackMidiService*>(self);
    service->m_serverGoneAt = steadyMilliseconds();
    service->m_serverGone = true;
    sem_post(&service->m_wake);
    sem_post(&service->m_watchWake);
}

void JackMidiService::portRegistrationCallback(jack_port_id_t, int, void* self)
{
    auto* service = static_cast<JackMidiService*>(self);
    service->m_graphChanged = true;
    sem_post(&service->m_watchWake);
}

void JackMidiService::portConnectCallback(jack_port_id_t a, jack_port_id_t b, int connected, void* self)
{
    auto* service = static_cast<JackMidiService*>(self);
    if (!connected) {
        std::lock_guard<std::mutex> lock(service->m_eventMutex);
        service->m_events.push_back(ConnectionEvent{a, b});
    }
    service->m_graphChanged = true;
    sem_post(&service->m_watchWake);
}

int JackMidiService::xrunCallback(void* self)
{
    ++static_cast<JackMidiService*>(self)->m_xruns;
    return 0;
}

void JackMidiService::process(jack_nframes_t frames)
{
    m_cycles.fetch_add(1, std::memory_order_release);
    jack_client_t* const client = m_processClient.load(std::memory_order_acquire);
    if (!client)
        return;
    const jack_nframes_t cycleStart = jack_last_frame_time(client);
    m_cycleStart.store(cycleStart, std::memory_order_release);
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
    jack_port_t* const virtualPort = in.virtualPort.load(std::memory_order_acquire);
    void* buffer = jack_port_get_buffer(virtualPort ? virtualPort : in.port, frames);
    if (!buffer || !in.started.load(std::memory_order_acquire))
        return;
    const jack_nframes_t count = jack_midi_get_event_count(buffer);
    if (count == 0)
        return;
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
        const jack_time_t eventUs =
            jack_frames_to_time(m_processClient.load(std::memory_order_relaxed), cycleStart + event.time);
        const qint64 ageUs = qint64(jackNowUs) - qint64(eventUs);
        const quint32 counter = quint32(quint64(nowUs - ageUs) / 1000u);
        quint32 header[4] = {quint32(event.size), counter, 0, 0};
        const quint64 hostStamp = quint64(quint32(cycleStart + event.time));
        std::memcpy(&header[2], &hostStamp, sizeof hostStamp);
        in.ring.stage(0, header, inputHeaderSize);
        in.ring.stage(inputHeaderSize, event.buffer, quint32(event.size));
        in.ring.publish(inputHeaderSize + quint32(event.size));
    }
}

void JackMidiService::writeOutput(OutputPort& out, jack_nframes_t frames, jack_nframes_t cycleStart)
{
    // A port not written in a cycle would hand its peers its last events again: the usual port
    // while a virtual one is open, and a virtual port being given up, are cleared.
    jack_port_t* const virtualPort = out.virtualPort.load(std::memory_order_acquire);
    for (jack_port_t* idle :
         {virtualPort ? out.port : nullptr, out.retiredPort.load(std::memory_order_acquire)}) {
        if (void* idleBuffer = idle ? jack_port_get_buffer(idle, frames) : nullptr)
            jack_midi_clear_buffer(idleBuffer);
    }
    void* buffer = jack_port_get_buffer(virtualPort ? virtualPort : out.port, frames);
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

bool JackMidiService::peerListed(const QString& peer, unsigned long peerFlags) const
{
    bool found = false;
    if (const char** ports = jack_get_ports(m_client.get(), nullptr, JACK_DEFAULT_MIDI_TYPE, peerFlags)) {
        const QByteArray name = peer.toUtf8();
        for (const char** p = ports; *p && !found; ++p)
            found = name == *p;
        jack_free(ports);
    }
    return found;
}

void JackMidiService::markLostConnections(bool all)
{
    // The connections that went, as JACK announced them, by the full names of both ends. The
    // graph itself is not asked whether a connection is there: a client may read it a cycle
    // behind the server, and a connection just made would look gone.
    std::vector<std::pair<QString, QString>> cuts;
    {
        std::vector<ConnectionEvent> events;
        {
            std::lock_guard<std::mutex> lock(m_eventMutex);
            events.swap(m_events);
        }
        std::shared_lock<std::shared_mutex> lock(m_clientLock);
        if (m_client) {
            for (const ConnectionEvent& e : events) {
                jack_port_t* a = jack_port_by_id(m_client.get(), e.a);
                jack_port_t* b = jack_port_by_id(m_client.get(), e.b);
                if (a && b)
                    cuts.emplace_back(QString::fromUtf8(jack_port_name(a)),
                                      QString::fromUtf8(jack_port_name(b)));
            }
        }
    }
    // True when one of the cuts is ours: this port and that peer; a cut we made ourselves is
    // crossed off instead.
    auto cutFrom = [&cuts](const QString& ownName, const QString& peer, QStringList& ownDisconnects) {
        bool lost = false;
        for (const auto& cut : cuts) {
            if (!((cut.first == ownName && cut.second == peer) ||
                  (cut.second == ownName && cut.first == peer)))
                continue;
            if (ownDisconnects.contains(peer))
                ownDisconnects.removeOne(peer);
            else
                lost = true;
        }
        return lost;
    };
    {
        std::lock_guard<std::mutex> delivery(m_deliveryMutex);
        std::shared_lock<std::shared_mutex> lock(m_clientLock);
        for (InputPort& in : m_inputs) {
            const QString ownName = in.port ? QString::fromUtf8(jack_port_name(in.port)) : QString();
            const bool cut = cutFrom(ownName, in.peer, in.ownDisconnects);
            if (all)
                in.ownDisconnects.clear(); // their announcements went with the server
            // A virtual port has no peer of its own to lose; only the server takes it.
            if (in.open &&
                (all || !m_client || (!in.isVirtual && (cut || !peerListed(in.peer, JackPortIsOutput)))))
                in.lost = true;
        }
    }
    for (OutputPort& out : m_outputs) {
        std::lock_guard<std::mutex> outputLock(out.mutex);
        std::shared_lock<std::shared_mutex> lock(m_clientLock);
        const QString ownName = out.port ? QString::fromUtf8(jack_port_name(out.port)) : QString();
        const bool cut = cutFrom(ownName, out.peer, out.ownDisconnects);
        if (all)
            out.ownDisconnects.clear();
        if (out.open &&
            (all || !m_client || (!out.isVirtual && (cut || !peerListed(out.peer, JackPortIsInput)))))
            out.lost = true;
    }
}

void JackMidiService::watchLoop()
{
    // How long to wait between notifications at most, and between two tries to reach a server
    // that went away.
    constexpr long intervalNs = 500L * 1000L * 1000L;
    while (!m_stopWatch.load()) {
        timespec deadline{};
        clock_gettime(CLOCK_REALTIME, &deadline);
        deadline.tv_nsec += intervalNs;
        if (deadline.tv_nsec >= 1000000000L) {
            deadline.tv_nsec -= 1000000000L;
            deadline.tv_sec += 1;
        }
        while (sem_timedwait(&m_watchWake, &deadline) != 0 && errno == EINTR) {
        }
        // Several notifications in a row need one look.
        while (sem_trywait(&m_watchWake) == 0) {
        }
        if (m_stopWatch.load())
            return;
        bool changed = false;
        if (m_serverGone.load()) {
            {
                std::unique_lock<std::shared_mutex> lock(m_clientLock);
                if (m_client) {
                    m_processClient = nullptr;
                    m_deadClient = std::move(m_client);
                    for (int i = 0; i < 2; ++i) {
                        m_inputs[i].port = nullptr;
                        m_inputs[i].virtualPort = nullptr;
                        m_outputs[i].port = nullptr;
                        m_outputs[i].virtualPort = nullptr;
                        m_outputs[i].retiredPort = nullptr;
                    }
                }
            }
            if (m_deadClient && !m_deadClientSeen) {
                m_deadClientSeen = true;
                markLostConnections(true);
                changed = true;
            } else if (m_deadClient) {
                if (deadClientSettled())
                    m_deadClient.reset();
            } else if (connectToServer()) {
                {
                    std::lock_guard<std::mutex> lock(m_eventMutex);
                    m_events.clear();
                }
                m_deadClientSeen = false;
                ++m_restarts;
                m_graphChanged = false;
                changed = true;
            }
        } else if (m_graphChanged.exchange(false)) {
            markLostConnections(false);
            changed = true;
        }
        if (changed)
            notifyChanged();
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
        for (InputPort& in : m_inputs)
            deliverInput(in);
    }
}

void JackMidiService::deliverInput(InputPort& in)
{
    std::unique_lock<std::mutex> lock(m_deliveryMutex);
    while (in.ring.readAvailable() >= inputHeaderSize) {
        quint32 header[4];
        in.ring.peek(0, header, inputHeaderSize);
        const quint32 size = header[0];
        const quint32 counter = header[1];
        quint64 hostStamp = 0;
        std::memcpy(&hostStamp, &header[2], sizeof hostStamp);
        in.event.resize(size);
        in.ring.peek(inputHeaderSize, in.event.data(), size);
        in.ring.consume(inputHeaderSize + size);
        if (!in.open || !in.started.load() || !in.callback || !in.framer)
            continue;
        // The callback runs without the lock: it may block (a full receive ring), and stop, close
        // and the watch thread must not wait for it meanwhile. Stop and close wait for calling to
        // end before they change what it uses.
        const InputCallback callback = in.callback;
        void* const context = in.context;
        HostInputFramer* const framer = in.framer.get();
        in.calling = true;
        lock.unlock();
        auto deliver = [&](InputMessage message, quint32 packed, const quint8* bytes, quint32 length) {
            callback(context, message, packed, bytes, length, counter, hostStamp);
        };
        if (size == 0)
            framer->reset(deliver); // events were lost here
        else
            framer->feed(in.event.data(), size, deliver);
        lock.lock();
        in.calling = false;
        m_deliveryIdle.notify_all();
    }
}
