#include "JackMidiService.h"

#include <jack/midiport.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>
#include <vector>

namespace {

const char* const clientNameWanted = "Vantel MIDI";
const char* const inputPortNames[2] = {"Port1 In", "Port2 In"};
const char* const outputPortNames[2] = {"Port1 Out", "Port2 Out"};

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
    if (!connectToServer()) {
        m_serverGone = true;
        return;
    }
    m_input.startThread();
    m_watch = std::thread([this] { watchLoop(); });
}

JackMidiService::~JackMidiService()
{
    if (m_watch.joinable()) {
        m_stopWatch = true;
        m_watchWake.post();
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
    m_input.stopThread();
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
            m_inputPorts[i] = inputs[i];
            m_outputPorts[i] = outputs[i];
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
        names = listedPorts(peerFlags);
        names.erase(std::remove_if(names.begin(), names.end(),
                                   [&own](const QString& name) { return name.startsWith(own); }),
                    names.end());
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

bool JackMidiService::connectPeer(bool input, int port, const QString& peer)
{
    std::shared_lock<std::shared_mutex> lock(m_clientLock);
    if (!m_client)
        return false;
    // Connections run from an output to an input.
    const QByteArray peerName = peer.toUtf8();
    const char* ours = jack_port_name(input ? m_inputPorts[port] : m_outputPorts[port]);
    const int rc = input ? jack_connect(m_client.get(), peerName.constData(), ours)
                         : jack_connect(m_client.get(), ours, peerName.constData());
    return rc == 0 || rc == EEXIST;
}

QStringList JackMidiService::disconnectPeer(bool input, int port, const QString& peer)
{
    // The peer may be gone already; the connection then went with it.
    std::shared_lock<std::shared_mutex> lock(m_clientLock);
    if (!m_client || m_serverGone || !listedPorts(input ? JackPortIsOutput : JackPortIsInput).contains(peer))
        return QStringList();
    const QByteArray peerName = peer.toUtf8();
    const char* ours = jack_port_name(input ? m_inputPorts[port] : m_outputPorts[port]);
    const int rc = input ? jack_disconnect(m_client.get(), peerName.constData(), ours)
                         : jack_disconnect(m_client.get(), ours, peerName.constData());
    return rc == 0 ? QStringList{peer} : QStringList();
}

qint32 JackMidiService::openInput(const QString& device, quint32 portNumber, quint32 bufferSize,
                                  InputCallback callback, void* context, Handle* handle)
{
    if (!isRunning() || portNumber > 1 || !callback || !handle)
        return 1;
    if (!peerPorts(JackPortIsOutput).contains(device))
        return 1;
    const int port = int(portNumber);
    auto connect = [&](JackConnectionTracker& connection) {
        if (!connectPeer(true, port, device))
            return false;
        connection.open(device);
        return true;
    };
    if (m_input.open(port, bufferSize, callback, context, connect) != 0)
        return 1;
    *handle = Handle(portNumber);
    return 0;
}

qint32 JackMidiService::startInput(Handle handle)
{
    return m_input.start(handle);
}

qint32 JackMidiService::stopInput(Handle handle)
{
    return m_input.stop(handle);
}

qint32 JackMidiService::closeInput(Handle handle)
{
    return m_input.close(handle, [this, handle](const JackConnectionTracker& connection) {
        return connection.isVirtual() ? unregisterVirtual(true, handle)
                                      : disconnectPeer(true, handle, connection.peer());
    });
}

qint32 JackMidiService::openOutput(const QString& device, quint32 portNumber, Handle* handle)
{
    if (!isRunning() || portNumber > 1 || !handle)
        return 1;
    if (!peerPorts(JackPortIsInput).contains(device))
        return 1;
    const int port = int(portNumber);
    auto connect = [&](JackConnectionTracker& connection) {
        if (!connectPeer(false, port, device))
            return false;
        // Sent at once after the open, a message would otherwise go out before the connection
        // carries data, and be lost.
        m_outputs[port].holdUntilCycle(m_cycles.load(std::memory_order_acquire) + 2);
        connection.open(device);
        return true;
    };
    if (m_outputs[port].open(connect) != 0)
        return 1;
    *handle = Handle(portNumber);
    return 0;
}

qint32 JackMidiService::closeOutput(Handle handle)
{
    if (handle < 0 || handle > 1)
        return 1;
    return m_outputs[handle].close([this, handle](const JackConnectionTracker& connection) {
        return connection.isVirtual() ? unregisterVirtual(false, handle)
                                      : disconnectPeer(false, handle, connection.peer());
    });
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

QStringList JackMidiService::unregisterVirtual(bool input, int port)
{
    std::shared_lock<std::shared_mutex> lock(m_clientLock);
    jack_port_t* const own = (input ? m_virtualInputs[port] : m_virtualOutputs[port]).exchange(nullptr);
    if (!own || !m_client || m_serverGone)
        return QStringList();
    if (input) {
        // Once the cycle that may still read it is over.
        settleConnections(1000);
    } else {
        // A port the process thread no longer writes keeps its last events for its peers to read
        // again: it is cleared in cycles of its own before it goes.
        m_retiredOutputs[port] = own;
        settleConnections(1000);
        m_retiredOutputs[port] = nullptr;
        settleConnections(1000);
    }
    jack_port_unregister(m_client.get(), own);
    return QStringList();
}

qint32 JackMidiService::openVirtualInput(const QString& name, quint32 portNumber, quint32 bufferSize,
                                         InputCallback callback, void* context, Handle* handle)
{
    if (!isRunning() || portNumber > 1 || !callback || !handle)
        return 1;
    const int port = int(portNumber);
    auto registerPort = [&](JackConnectionTracker& connection) {
        std::shared_lock<std::shared_mutex> lock(m_clientLock);
        jack_port_t* const own = m_client ? registerVirtual(name, JackPortIsInput) : nullptr;
        if (!own)
            return false;
        m_virtualInputs[port] = own;
        connection.openVirtual();
        return true;
    };
    if (m_input.open(port, bufferSize, callback, context, registerPort) != 0)
        return 1;
    *handle = Handle(portNumber);
    return 0;
}

qint32 JackMidiService::openVirtualOutput(const QString& name, quint32 portNumber, Handle* handle)
{
    if (!isRunning() || portNumber > 1 || !handle)
        return 1;
    const int port = int(portNumber);
    auto registerPort = [&](JackConnectionTracker& connection) {
        std::shared_lock<std::shared_mutex> lock(m_clientLock);
        jack_port_t* const own = m_client ? registerVirtual(name, JackPortIsOutput) : nullptr;
        if (!own)
            return false;
        m_virtualOutputs[port] = own;
        connection.openVirtual();
        return true;
    };
    if (m_outputs[port].open(registerPort) != 0)
        return 1;
    *handle = Handle(portNumber);
    return 0;
}

jack_port_t* JackMidiService::virtualPort(Handle handle, bool input) const
{
    if (handle < 0 || handle > 1 || !m_client)
        return nullptr;
    return input ? m_virtualInputs[handle].load() : m_virtualOutputs[handle].load();
}

QString JackMidiService::virtualPortName(Handle handle, bool input)
{
    std::shared_lock<std::shared_mutex> lock(m_clientLock);
    jack_port_t* const port = virtualPort(handle, input);
    return port ? QString::fromUtf8(jack_port_name(port)) : QString();
}

int JackMidiService::virtualPortConnections(Handle handle, bool input)
{
    std::shared_lock<std::shared_mutex> lock(m_clientLock);
    jack_port_t* const port = virtualPort(handle, input);
    return port && !m_serverGone ? jack_port_connected(port) : 0;
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

jack_nframes_t JackMidiService::outputFrame(JackFrameScheduler& scheduler, const Timing& timing)
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
        return scheduler.frameForDue(timing.dueMicroseconds, jack_time_to_frames(client, due), now);
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
    return m_outputs[handle].queue(bytes, length, ticket, [&](JackFrameScheduler& scheduler, quint32* frame) {
        std::shared_lock<std::shared_mutex> clientLock(m_clientLock);
        if (!m_client || m_serverGone)
            return false;
        *frame = quint32(outputFrame(scheduler, timing));
        return true;
    });
}

bool JackMidiService::longDone(Handle handle, quint64 ticket)
{
    if (handle < 0 || handle > 1)
        return false;
    return m_outputs[handle].done(ticket);
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
    return m_outputs[handle].idle();
}

bool JackMidiService::inputLost(Handle handle)
{
    return handle >= 0 && handle <= 1 && (m_input.lost(handle) || m_serverGone.load());
}

bool JackMidiService::outputLost(Handle handle)
{
    return handle >= 0 && handle <= 1 && (m_outputs[handle].lost() || m_serverGone.load());
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
    service->m_input.wake();
    service->m_watchWake.post();
}

void JackMidiService::portRegistrationCallback(jack_port_id_t, int, void* self)
{
    auto* service = static_cast<JackMidiService*>(self);
    service->m_graphChanged = true;
    service->m_watchWake.post();
}

void JackMidiService::portConnectCallback(jack_port_id_t a, jack_port_id_t b, int connected, void* self)
{
    auto* service = static_cast<JackMidiService*>(self);
    if (!connected) {
        std::lock_guard<std::mutex> lock(service->m_eventMutex);
        service->m_events.push_back(ConnectionEvent{a, b});
    }
    service->m_graphChanged = true;
    service->m_watchWake.post();
}

int JackMidiService::xrunCallback(void* self)
{
    ++static_cast<JackMidiService*>(self)->m_xruns;
    return 0;
}

void JackMidiService::process(jack_nframes_t frames)
{
    const quint64 cycle = m_cycles.fetch_add(1, std::memory_order_acq_rel) + 1;
    jack_client_t* const client = m_processClient.load(std::memory_order_acquire);
    if (!client)
        return;
    const jack_nframes_t cycleStart = jack_last_frame_time(client);
    m_cycleStart.store(cycleStart, std::memory_order_release);
    bool wrote = false;
    for (int i = 0; i < JackInputDelivery::PortCount; ++i) {
        jack_port_t* const virtualPort = m_virtualInputs[i].load(std::memory_order_acquire);
        void* const buffer = jack_port_get_buffer(virtualPort ? virtualPort : m_inputPorts[i], frames);
        if (m_input.readCycle(i, buffer, client, cycleStart))
            wrote = true;
    }
    for (int i = 0; i < 2; ++i) {
        // A port not written in a cycle would hand its peers its last events again: the usual port
        // while a virtual one is open, and a virtual port being given up, are cleared.
        jack_port_t* const virtualPort = m_virtualOutputs[i].load(std::memory_order_acquire);
        for (jack_port_t* idle : {virtualPort ? m_outputPorts[i] : nullptr,
                                  m_retiredOutputs[i].load(std::memory_order_acquire)}) {
            if (void* idleBuffer = idle ? jack_port_get_buffer(idle, frames) : nullptr)
                jack_midi_clear_buffer(idleBuffer);
        }
        void* const buffer = jack_port_get_buffer(virtualPort ? virtualPort : m_outputPorts[i], frames);
        m_outputs[i].writeCycle(buffer, frames, cycleStart, m_sampleRate, cycle);
    }
    if (wrote)
        m_input.wake();
}

QStringList JackMidiService::listedPorts(unsigned long flags) const
{
    QStringList names;
    if (const char** ports = jack_get_ports(m_client.get(), nullptr, JACK_DEFAULT_MIDI_TYPE, flags)) {
        for (const char** p = ports; *p; ++p)
            names.append(QString::fromUtf8(*p));
        jack_free(ports);
    }
    return names;
}

QString JackMidiService::portName(jack_port_t* port)
{
    return port ? QString::fromUtf8(jack_port_name(port)) : QString();
}

std::vector<JackConnectionTracker::Cut> JackMidiService::takeCuts()
{
    std::vector<ConnectionEvent> events;
    {
        std::lock_guard<std::mutex> lock(m_eventMutex);
        events.swap(m_events);
    }
    std::vector<JackConnectionTracker::Cut> cuts;
    std::shared_lock<std::shared_mutex> lock(m_clientLock);
    if (m_client) {
        for (const ConnectionEvent& e : events) {
            jack_port_t* a = jack_port_by_id(m_client.get(), e.a);
            jack_port_t* b = jack_port_by_id(m_client.get(), e.b);
            if (a && b)
                cuts.emplace_back(portName(a), portName(b));
        }
    }
    return cuts;
}

void JackMidiService::markLostConnections(bool serverGone)
{
    const std::vector<JackConnectionTracker::Cut> cuts = takeCuts();
    // Under our port's mutex and then the shared client lock (under which our port is read): the
    // peers listed now, asked only for an open port (with no client, none is listed).
    auto review = [&](jack_port_t* const& port, unsigned long peerFlags, JackConnectionTracker& connection) {
        std::shared_lock<std::shared_mutex> lock(m_clientLock);
        if (serverGone) {
            connection.serverGone();
            return;
        }
        // A virtual port has no peer of its own to lose.
        const QStringList listed = connection.isOpen() && !connection.isVirtual() && m_client
                                       ? listedPorts(peerFlags)
                                       : QStringList();
        connection.review(JackConnectionTracker::peersCutFrom(portName(port), cuts), listed);
    };
    for (int i = 0; i < 2; ++i) {
        m_input.withConnection(i, [&](JackConnectionTracker& connection) {
            review(m_inputPorts[i], JackPortIsOutput, connection);
        });
    }
    for (int i = 0; i < 2; ++i) {
        m_outputs[i].withConnection([&](JackConnectionTracker& connection) {
            review(m_outputPorts[i], JackPortIsInput, connection);
        });
    }
}

void JackMidiService::watchLoop()
{
    // How long to wait between notifications at most, and between two tries to reach a server
    // that went away.
    constexpr long intervalMs = 500;
    while (!m_stopWatch.load()) {
        // Several notifications in a row need one look.
        m_watchWake.waitAtMost(intervalMs);
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
                        m_inputPorts[i] = nullptr;
                        m_virtualInputs[i] = nullptr;
                        m_outputPorts[i] = nullptr;
                        m_virtualOutputs[i] = nullptr;
                        m_retiredOutputs[i] = nullptr;
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
