#include "AlsaMidiService.h"

#include <alsa/asoundlib.h>

#include <QRegularExpression>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>
#include <vector>

// alsa-lib's opaque records live in zeroed heap storage of their size here, not on the stack
// through the library's alloca macros, which trip the address sanitizer's stack checks.
namespace {

const char* const clientNameWanted = "Vantel MIDI";
const char* const inputPortNames[2] = {"Port1 In", "Port2 In"};
const char* const outputPortNames[2] = {"Port1 Out", "Port2 Out"};

// The most cells the kernel gives one client's input and output queues.
constexpr int poolCells = 2000;
// The library's buffers between us and the kernel.
constexpr size_t libraryBuffer = 256 * 1024;
// System-exclusive pieces: what the kernel's MIDI drivers take as one event.
constexpr quint32 sysexPiece = 256;
// How long a send waits for a full destination to take a piece, without progress.
constexpr auto refusedLimit = std::chrono::seconds(2);

constexpr unsigned int readable = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
constexpr unsigned int writable = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;

qint64 nowMicroseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

bool isAnnouncement(int type)
{
    switch (type) {
    case SND_SEQ_EVENT_CLIENT_START:
    case SND_SEQ_EVENT_CLIENT_EXIT:
    case SND_SEQ_EVENT_CLIENT_CHANGE:
    case SND_SEQ_EVENT_PORT_START:
    case SND_SEQ_EVENT_PORT_EXIT:
    case SND_SEQ_EVENT_PORT_CHANGE:
    case SND_SEQ_EVENT_PORT_SUBSCRIBED:
    case SND_SEQ_EVENT_PORT_UNSUBSCRIBED:
        return true;
    default:
        return false;
    }
}

} // namespace

QString AlsaMidiService::deviceName(const char* clientName, const char* portName)
{
    return QString::fromUtf8(clientName).trimmed() + QLatin1Char(':') + QString::fromUtf8(portName).trimmed();
}

QString AlsaMidiService::withoutAddress(const QString& name)
{
    static const QRegularExpression address(QStringLiteral("^(.*:.*) \\d{1,3}:\\d{1,3}$"));
    const QRegularExpressionMatch match = address.match(name);
    return match.hasMatch() ? match.captured(1) : name;
}

AlsaMidiService::AlsaMidiService(quint32 inputRingBytes)
{
    for (Input& in : m_inputs)
        in.ring = std::make_unique<SpscByteRing>(inputRingBytes);
    // Without the sequencer device there is nothing to open, and the library would only print its
    // failure.
    if (::access("/dev/snd/seq", R_OK | W_OK) != 0)
        return;
    snd_seq_t* seq = nullptr;
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0)
        return;
    snd_seq_set_client_name(seq, clientNameWanted);
    snd_seq_set_client_pool_input(seq, poolCells);
    snd_seq_set_client_pool_output(seq, poolCells);
    snd_seq_set_input_buffer_size(seq, libraryBuffer);
    snd_seq_set_output_buffer_size(seq, libraryBuffer);
    m_client = snd_seq_client_id(seq);

    m_queue = snd_seq_alloc_named_queue(seq, clientNameWanted);
    if (m_queue >= 0) {
        // The high-resolution timer where the kernel has it; the system timer ticks in jiffies.
        snd_seq_queue_timer_t* timer = nullptr;
        std::vector<char> timerStorage(snd_seq_queue_timer_sizeof());
        timer = reinterpret_cast<snd_seq_queue_timer_t*>(timerStorage.data());
        if (snd_seq_get_queue_timer(seq, m_queue, timer) == 0) {
            snd_timer_id_t* id = nullptr;
            std::vector<char> idStorage(snd_timer_id_sizeof());
            id = reinterpret_cast<snd_timer_id_t*>(idStorage.data());
            snd_timer_id_set_class(id, SND_TIMER_CLASS_GLOBAL);
            snd_timer_id_set_sclass(id, SND_TIMER_SCLASS_NONE);
            snd_timer_id_set_card(id, -1);
            snd_timer_id_set_device(id, SND_TIMER_GLOBAL_HRTIMER);
            snd_timer_id_set_subdevice(id, 0);
            snd_seq_queue_timer_set_id(timer, id);
            snd_seq_set_queue_timer(seq, m_queue, timer);
        }
        snd_seq_start_queue(seq, m_queue, nullptr);
        snd_seq_drain_output(seq);
        snd_seq_sync_output_queue(seq);
        snd_seq_queue_status_t* status = nullptr;
        std::vector<char> statusStorage(snd_seq_queue_status_sizeof());
        status = reinterpret_cast<snd_seq_queue_status_t*>(statusStorage.data());
        if (snd_seq_get_queue_status(seq, m_queue, status) == 0) {
            const snd_seq_real_time_t* rt = snd_seq_queue_status_get_real_time(status);
            m_queueStartMicroseconds =
                nowMicroseconds() - (qint64(rt->tv_sec) * 1000000 + rt->tv_nsec / 1000);
        } else {
            m_queueStartMicroseconds = nowMicroseconds();
        }
    }

    bool ok = true;
    for (int i = 0; i < 2 && ok; ++i) {
        snd_seq_port_info_t* info = nullptr;
        std::vector<char> infoStorage(snd_seq_port_info_sizeof());
        info = reinterpret_cast<snd_seq_port_info_t*>(infoStorage.data());
        snd_seq_port_info_set_name(info, inputPortNames[i]);
        snd_seq_port_info_set_capability(info, writable);
        snd_seq_port_info_set_type(info, SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
        if (m_queue >= 0) {
            snd_seq_port_info_set_timestamping(info, 1);
            snd_seq_port_info_set_timestamp_real(info, 1);
            snd_seq_port_info_set_timestamp_queue(info, m_queue);
        }
        ok = snd_seq_create_port(seq, info) == 0;
        m_inputPorts[i] = snd_seq_port_info_get_port(info);
        m_outputPorts[i] =
            snd_seq_create_simple_port(seq, outputPortNames[i], readable,
                                       SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
        ok = ok && m_outputPorts[i] >= 0;
    }
    // Announcements go to a port nobody else sees or subscribes to.
    m_announcePort =
        snd_seq_create_simple_port(seq, "Announcements", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT,
                                   SND_SEQ_PORT_TYPE_APPLICATION);
    ok = ok && m_announcePort >= 0 &&
         snd_seq_connect_from(seq, m_announcePort, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE) == 0;
    for (Output& out : m_outputs)
        ok = ok && snd_midi_event_new(sysexPiece, &out.encoder) == 0;
    ok = ok && ::pipe2(m_wakePipe, O_CLOEXEC | O_NONBLOCK) == 0;
    if (!ok) {
        snd_seq_close(seq);
        m_client = -1;
        return;
    }
    for (Output& out : m_outputs)
        snd_midi_event_no_status(out.encoder, 1);
    m_seq = seq;
    m_delivery = std::thread([this] { deliveryLoop(); });
    m_reader = std::thread([this] { readLoop(); });
}

AlsaMidiService::~AlsaMidiService()
{
    if (m_reader.joinable()) {
        m_stop = true;
        const char wake = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wakePipe[1], &wake, 1);
        m_reader.join();
    }
    if (m_delivery.joinable()) {
        m_stopDelivery = true;
        m_deliveryWake.post();
        m_delivery.join();
    }
    for (int i = 0; i < 2; ++i) {
        closeInput(i);
        closeOutput(i);
    }
    for (Output& out : m_outputs) {
        if (out.encoder)
            snd_midi_event_free(out.encoder);
    }
    if (m_seq)
        snd_seq_close(m_seq);
    for (int fd : m_wakePipe) {
        if (fd >= 0)
            ::close(fd);
    }
}

bool AlsaMidiService::isAvailable() const
{
    return m_seq != nullptr;
}

int AlsaMidiService::clientId() const
{
    return m_seq ? m_client : -1;
}

QString AlsaMidiService::apiName() const
{
    return QStringLiteral("alsa");
}

std::vector<AlsaMidiService::Peer> AlsaMidiService::peers(unsigned int capabilities) const
{
    std::vector<Peer> found;
    snd_seq_client_info_t* client = nullptr;
    snd_seq_port_info_t* port = nullptr;
    std::vector<char> clientStorage(snd_seq_client_info_sizeof());
    client = reinterpret_cast<snd_seq_client_info_t*>(clientStorage.data());
    std::vector<char> portStorage(snd_seq_port_info_sizeof());
    port = reinterpret_cast<snd_seq_port_info_t*>(portStorage.data());
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(m_seq, client) >= 0) {
        const int id = snd_seq_client_info_get_client(client);
        if (id == m_client || id == SND_SEQ_CLIENT_SYSTEM)
            continue;
        snd_seq_port_info_set_client(port, id);
        snd_seq_port_info_set_port(port, -1);
        while (snd_seq_query_next_port(m_seq, port) >= 0) {
            const unsigned int caps = snd_seq_port_info_get_capability(port);
            if ((caps & capabilities) != capabilities || (caps & SND_SEQ_PORT_CAP_NO_EXPORT))
                continue;
            found.push_back(
                Peer{deviceName(snd_seq_client_info_get_name(client), snd_seq_port_info_get_name(port)),
                     Address{id, snd_seq_port_info_get_port(port)}});
        }
    }
    return found;
}

bool AlsaMidiService::findPeer(const QString& device, unsigned int capabilities, Address* address) const
{
    const std::vector<Peer> listed = peers(capabilities);
    for (const QString& name : {device, withoutAddress(device)}) {
        for (const Peer& p : listed) {
            if (p.name == name) {
                *address = p.address;
                return true;
            }
        }
    }
    return false;
}

QVector<HostMidiDevice> AlsaMidiService::inputDevices()
{
    if (!m_seq)
        return {};
    QStringList names;
    {
        std::lock_guard<std::mutex> lock(m_seqMutex);
        for (const Peer& p : peers(readable))
            names.append(p.name);
    }
    return sortedByName(namedDevices(names));
}

QVector<HostMidiDevice> AlsaMidiService::outputDevices()
{
    if (!m_seq)
        return {};
    QStringList names;
    {
        std::lock_guard<std::mutex> lock(m_seqMutex);
        for (const Peer& p : peers(writable))
            names.append(p.name);
    }
    return sortedByName(namedDevices(names));
}

QString AlsaMidiService::listedName(const QString& savedName) const
{
    return withoutAddress(savedName);
}

qint32 AlsaMidiService::openInput(const QString& device, quint32 portNumber, quint32 bufferSize,
                                  InputCallback callback, void* context, Handle* handle)
{
    return openInputPort(device, QString(), portNumber, bufferSize, callback, context, handle);
}

qint32 AlsaMidiService::openInputPort(const QString& device, const QString& virtualName, quint32 portNumber,
                                      quint32 bufferSize, InputCallback callback, void* context,
                                      Handle* handle)
{
    if (!m_seq || portNumber > 1 || !callback || !handle)
        return 1;
    Input& in = m_inputs[portNumber];
    std::lock_guard<std::mutex> delivery(in.delivery);
    if (in.open)
        return 1;
    {
        std::lock_guard<std::mutex> lock(m_seqMutex);
        if (!virtualName.isEmpty()) {
            if (!renameForVirtual(m_inputPorts[portNumber], virtualName))
                return 1;
            in.peer = Address();
            in.isVirtual = true;
        } else {
            Address peer;
            if (!findPeer(device, readable, &peer))
                return 1;
            const int rc = snd_seq_connect_from(m_seq, m_inputPorts[portNumber], peer.client, peer.port);
            if (rc < 0 && rc != -EBUSY)
                return 1;
            in.peer = peer;
        }
    }
    in.device = virtualName.isEmpty() ? withoutAddress(device) : virtualName;
    in.lost = false;
    in.overflows = 0;
    in.started = false;
    in.open = true;
    in.callback = callback;
    in.context = context;
    in.framer = std::make_unique<HostInputFramer>(bufferSize);
    // Whatever came in while the port was closed belongs to nobody.
    in.ring->consume(in.ring->readAvailable());
    *handle = Handle(portNumber);
    return 0;
}

qint32 AlsaMidiService::startInput(Handle handle)
{
    if (handle < 0 || handle > 1)
        return 1;
    Input& in = m_inputs[handle];
    std::lock_guard<std::mutex> delivery(in.delivery);
    if (!in.open)
        return 1;
    in.started = true;
    return 0;
}

qint32 AlsaMidiService::stopInput(Handle handle)
{
    if (handle < 0 || handle > 1)
        return 1;
    Input& in = m_inputs[handle];
    std::lock_guard<std::mutex> delivery(in.delivery);
    if (!in.open)
        return 1;
    in.started = false;
    return 0;
}

qint32 AlsaMidiService::closeInput(Handle handle)
{
    if (handle < 0 || handle > 1 || !m_seq)
        return 1;
    Input& in = m_inputs[handle];
    std::lock_guard<std::mutex> delivery(in.delivery);
    if (!in.open)
        return 1;
    {
        std::lock_guard<std::mutex> lock(m_seqMutex);
        // The peer may be gone already; the subscription then went with it.
        if (in.isVirtual)
            releaseVirtual(m_inputPorts[handle], inputPortNames[handle], true);
        else
            snd_seq_disconnect_from(m_seq, m_inputPorts[handle], in.peer.client, in.peer.port);
        in.peer = Address();
        in.isVirtual = false;
    }
    in.started = false;
    in.open = false;
    in.lost = false;
    in.device.clear();
    in.callback = nullptr;
    in.context = nullptr;
    in.framer.reset();
    return 0;
}

qint32 AlsaMidiService::openOutput(const QString& device, quint32 portNumber, Handle* handle)
{
    return openOutputPort(device, QString(), portNumber, handle);
}

qint32 AlsaMidiService::openOutputPort(const QString& device, const QString& virtualName, quint32 portNumber,
                                       Handle* handle)
{
    if (!m_seq || portNumber > 1 || !handle)
        return 1;
    Output& out = m_outputs[portNumber];
    std::lock_guard<std::mutex> outputLock(out.mutex);
    if (out.open)
        return 1;
    std::lock_guard<std::mutex> lock(m_seqMutex);
    if (!virtualName.isEmpty()) {
        if (!renameForVirtual(m_outputPorts[portNumber], virtualName))
            return 1;
        out.peer = Address();
        out.isVirtual = true;
    } else {
        Address peer;
        if (!findPeer(device, writable, &peer))
            return 1;
        const int rc = snd_seq_connect_to(m_seq, m_outputPorts[portNumber], peer.client, peer.port);
        if (rc < 0 && rc != -EBUSY)
            return 1;
        out.peer = peer;
    }
    out.lost = false;
    out.open = true;
    out.inSysex = false;
    snd_midi_event_reset_encode(out.encoder);
    *handle = Handle(portNumber);
    return 0;
}

qint32 AlsaMidiService::closeOutput(Handle handle)
{
    if (handle < 0 || handle > 1 || !m_seq)
        return 1;
    Output& out = m_outputs[handle];
    std::lock_guard<std::mutex> outputLock(out.mutex);
    if (!out.open)
        return 1;
    std::lock_guard<std::mutex> lock(m_seqMutex);
    // Scheduled messages not yet due are dropped rather than sent to the next device.
    snd_seq_remove_events_t* remove = nullptr;
    std::vector<char> removeStorage(snd_seq_remove_events_sizeof());
    remove = reinterpret_cast<snd_seq_remove_events_t*>(removeStorage.data());
    snd_seq_remove_events_set_condition(remove, SND_SEQ_REMOVE_OUTPUT | SND_SEQ_REMOVE_IGNORE_OFF |
                                                    SND_SEQ_REMOVE_TAG_MATCH);
    snd_seq_remove_events_set_queue(remove, m_queue);
    snd_seq_remove_events_set_tag(remove, handle + 1);
    snd_seq_remove_events(m_seq, remove);
    if (out.isVirtual)
        releaseVirtual(m_outputPorts[handle], outputPortNames[handle], false);
    else
        snd_seq_disconnect_to(m_seq, m_outputPorts[handle], out.peer.client, out.peer.port);
    out.peer = Address();
    out.isVirtual = false;
    out.open = false;
    out.lost = false;
    return 0;
}

bool AlsaMidiService::renameForVirtual(int port, const QString& name)
{
    const QByteArray wanted = name.toUtf8();
    // The sequencer keeps port names of at most 63 bytes.
    if (name.isEmpty() || name.contains(QLatin1Char(':')) || wanted.size() > 63 || port < 0)
        return false;
    std::vector<char> infoStorage(snd_seq_port_info_sizeof());
    auto* info = reinterpret_cast<snd_seq_port_info_t*>(infoStorage.data());
    // The sequencer lets ports share a name; a client that names its peers as "client:port" could
    // not tell them apart.
    for (int own : {m_inputPorts[0], m_inputPorts[1], m_outputPorts[0], m_outputPorts[1]}) {
        if (snd_seq_get_port_info(m_seq, own, info) == 0 && wanted == snd_seq_port_info_get_name(info))
            return false;
    }
    if (snd_seq_get_port_info(m_seq, port, info) < 0)
        return false;
    snd_seq_port_info_set_name(info, wanted.constData());
    return snd_seq_set_port_info(m_seq, port, info) == 0;
}

void AlsaMidiService::releaseVirtual(int port, const char* usualName, bool input)
{
    std::vector<char> queryStorage(snd_seq_query_subscribe_sizeof());
    auto* query = reinterpret_cast<snd_seq_query_subscribe_t*>(queryStorage.data());
    snd_seq_addr_t root{};
    root.client = static_cast<unsigned char>(m_client);
    root.port = static_cast<unsigned char>(port);
    snd_seq_query_subscribe_set_root(query, &root);
    snd_seq_query_subscribe_set_type(query, input ? SND_SEQ_QUERY_SUBS_WRITE : SND_SEQ_QUERY_SUBS_READ);
    // Always the first one that is left, as long as removing works; the port takes no more than
    // the sequencer's own limit of subscriptions.
    for (int removed = 0; removed < 4096; ++removed) {
        snd_seq_query_subscribe_set_index(query, 0);
        if (snd_seq_query_port_subscribers(m_seq, query) < 0)
            break;
        const snd_seq_addr_t* other = snd_seq_query_subscribe_get_addr(query);
        const int rc = input ? snd_seq_disconnect_from(m_seq, port, other->client, other->port)
                             : snd_seq_disconnect_to(m_seq, port, other->client, other->port);
        if (rc < 0)
            break;
    }
    std::vector<char> infoStorage(snd_seq_port_info_sizeof());
    auto* info = reinterpret_cast<snd_seq_port_info_t*>(infoStorage.data());
    if (snd_seq_get_port_info(m_seq, port, info) == 0) {
        snd_seq_port_info_set_name(info, usualName);
        snd_seq_set_port_info(m_seq, port, info);
    }
}

int AlsaMidiService::subscriptions(int port, bool input) const
{
    std::vector<char> infoStorage(snd_seq_port_info_sizeof());
    auto* info = reinterpret_cast<snd_seq_port_info_t*>(infoStorage.data());
    if (snd_seq_get_port_info(m_seq, port, info) < 0)
        return 0;
    return input ? snd_seq_port_info_get_write_use(info) : snd_seq_port_info_get_read_use(info);
}

qint32 AlsaMidiService::openVirtualInput(const QString& name, quint32 portNumber, quint32 bufferSize,
                                         InputCallback callback, void* context, Handle* handle)
{
    return name.isEmpty() ? 1
                          : openInputPort(QString(), name, portNumber, bufferSize, callback, context, handle);
}

qint32 AlsaMidiService::openVirtualOutput(const QString& name, quint32 portNumber, Handle* handle)
{
    return name.isEmpty() ? 1 : openOutputPort(QString(), name, portNumber, handle);
}

QString AlsaMidiService::virtualPortName(Handle handle, bool input)
{
    if (!m_seq || handle < 0 || handle > 1)
        return QString();
    const int port = input ? m_inputPorts[handle] : m_outputPorts[handle];
    auto nameOf = [this, port] {
        std::lock_guard<std::mutex> lock(m_seqMutex);
        std::vector<char> infoStorage(snd_seq_port_info_sizeof());
        auto* info = reinterpret_cast<snd_seq_port_info_t*>(infoStorage.data());
        if (snd_seq_get_port_info(m_seq, port, info) < 0)
            return QString();
        return deviceName(clientNameWanted, snd_seq_port_info_get_name(info));
    };
    if (input) {
        Input& in = m_inputs[handle];
        std::lock_guard<std::mutex> delivery(in.delivery);
        return in.open && in.isVirtual ? nameOf() : QString();
    }
    Output& out = m_outputs[handle];
    std::lock_guard<std::mutex> outputLock(out.mutex);
    return out.open && out.isVirtual ? nameOf() : QString();
}

int AlsaMidiService::virtualPortConnections(Handle handle, bool input)
{
    if (!m_seq || handle < 0 || handle > 1)
        return 0;
    if (input) {
        Input& in = m_inputs[handle];
        std::lock_guard<std::mutex> delivery(in.delivery);
        std::lock_guard<std::mutex> lock(m_seqMutex);
        return in.open && in.isVirtual ? subscriptions(m_inputPorts[handle], true) : 0;
    }
    Output& out = m_outputs[handle];
    std::lock_guard<std::mutex> outputLock(out.mutex);
    std::lock_guard<std::mutex> lock(m_seqMutex);
    return out.open && out.isVirtual ? subscriptions(m_outputPorts[handle], false) : 0;
}

qint64 AlsaMidiService::monotonicMicroseconds() const
{
    return nowMicroseconds();
}

qint32 AlsaMidiService::writeEvent(Output& out, void* event)
{
    auto* ev = static_cast<snd_seq_event_t*>(event);
    auto lastProgress = std::chrono::steady_clock::now();
    for (;;) {
        int rc = 0;
        {
            std::lock_guard<std::mutex> lock(m_seqMutex);
            if (!out.open)
                return 1;
            rc = snd_seq_event_output_direct(m_seq, ev);
        }
        if (rc >= 0)
            return 0;
        // The destination's buffer (a MIDI driver's, a client's queue) or our pool is full: it
        // takes the piece once it has drained.
        if (rc != -EAGAIN && rc != -ENOMEM && rc != -ENOSPC)
            return 1;
        if (std::chrono::steady_clock::now() - lastProgress > refusedLimit)
            return 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

qint32 AlsaMidiService::sendBytes(Handle handle, const quint8* bytes, quint32 length, qint64 dueMicroseconds)
{
    if (!m_seq || handle < 0 || handle > 1 || length == 0)
        return 1;
    Output& out = m_outputs[handle];
    std::lock_guard<std::mutex> outputLock(out.mutex);
    // A subscription that went takes the data nowhere: that is a failed send.
    if (!out.open || out.lost)
        return 1;
    // A due time becomes a time on our queue; one that has passed (or lies more than a second
    // ahead, where the clock must have jumped) goes now.
    snd_seq_real_time_t due{};
    bool scheduled = false;
    if (dueMicroseconds >= 0 && m_queue >= 0) {
        const qint64 ahead = dueMicroseconds - monotonicMicroseconds();
        if (ahead > 0 && ahead <= 1000000) {
            const qint64 queueTime = dueMicroseconds - m_queueStartMicroseconds;
            due.tv_sec = unsigned(queueTime / 1000000);
            due.tv_nsec = unsigned(queueTime % 1000000) * 1000u;
            scheduled = queueTime > 0;
        }
    }
    auto prepare = [&](snd_seq_event_t& ev) {
        snd_seq_ev_set_source(&ev, m_outputPorts[handle]);
        snd_seq_ev_set_subs(&ev);
        // The tag names the output, so that closing it takes back only its own scheduled events.
        snd_seq_ev_set_tag(&ev, handle + 1);
        if (scheduled)
            snd_seq_ev_schedule_real(&ev, m_queue, 0, &due);
        else
            snd_seq_ev_set_direct(&ev);
    };
    quint32 i = 0;
    while (i < length) {
        if (bytes[i] == 0xF0 || out.inSysex) {
            // System-exclusive data up to its end, in pieces the kernel's drivers take whole.
            quint32 end = i + 1;
            while (end < length && bytes[end] != 0xF7)
                ++end;
            if (end < length)
                ++end; // the F7 itself
            // A message sent in several pieces goes on with the next send.
            out.inSysex = bytes[end - 1] != 0xF7;
            for (quint32 at = i; at < end; at += sysexPiece) {
                snd_seq_event_t ev;
                snd_seq_ev_clear(&ev);
                snd_seq_ev_set_sysex(&ev, qMin(sysexPiece, end - at), const_cast<quint8*>(bytes + at));
                prepare(ev);
                if (writeEvent(out, &ev) != 0)
                    return 1;
            }
            i = end;
            continue;
        }
        // Other messages through the encoder, up to the next system-exclusive start.
        quint32 stop = i + 1;
        while (stop < length && bytes[stop] != 0xF0)
            ++stop;
        snd_seq_event_t ev;
        snd_seq_ev_clear(&ev);
        const long used = snd_midi_event_encode(out.encoder, bytes + i, long(stop - i), &ev);
        if (used <= 0)
            return 1;
        i += quint32(used);
        if (ev.type == SND_SEQ_EVENT_NONE) {
            // A message the sequencer has no event for, or one cut short.
            if (i >= stop) {
                snd_midi_event_reset_encode(out.encoder);
                return 1;
            }
            continue;
        }
        prepare(ev);
        if (writeEvent(out, &ev) != 0)
            return 1;
    }
    return 0;
}

qint32 AlsaMidiService::sendShort(Handle handle, const quint8* bytes, quint32 length)
{
    if (length < 1 || length > 3)
        return 1;
    return sendBytes(handle, bytes, length, -1);
}

qint32 AlsaMidiService::sendShortAt(Handle handle, const quint8* bytes, quint32 length,
                                    qint64 dueMicroseconds)
{
    if (length < 1 || length > 3)
        return 1;
    return sendBytes(handle, bytes, length, qMax<qint64>(0, dueMicroseconds));
}

qint32 AlsaMidiService::sendLong(Handle handle, const quint8* bytes, quint32 length, quint64* ticket)
{
    if (!ticket)
        return 1;
    // Every piece is in the kernel when the send returns: a send that did not fail is complete.
    *ticket = 0;
    return sendBytes(handle, bytes, length, -1);
}

bool AlsaMidiService::longDone(Handle, quint64)
{
    return true;
}

bool AlsaMidiService::inputLost(Handle handle)
{
    return handle >= 0 && handle <= 1 && m_inputs[handle].lost.load();
}

bool AlsaMidiService::outputLost(Handle handle)
{
    return handle >= 0 && handle <= 1 && m_outputs[handle].lost.load();
}

quint64 AlsaMidiService::inputOverflows(Handle handle)
{
    return handle >= 0 && handle <= 1 ? m_inputs[handle].overflows.load() : 0;
}

void AlsaMidiService::readLoop()
{
    snd_midi_event_t* decoder = nullptr;
    if (snd_midi_event_new(sysexPiece, &decoder) < 0)
        return;
    snd_midi_event_no_status(decoder, 1);
    std::vector<pollfd> fds;
    {
        std::lock_guard<std::mutex> lock(m_seqMutex);
        const int count = snd_seq_poll_descriptors_count(m_seq, POLLIN);
        fds.resize(size_t(count) + 1);
        snd_seq_poll_descriptors(m_seq, fds.data() + 1, unsigned(count), POLLIN);
    }
    fds[0] = pollfd{m_wakePipe[0], POLLIN, 0};
    while (!m_stop.load()) {
        ::poll(fds.data(), fds.size(), 500);
        if (m_stop.load())
            break;
        const bool announced = readEvents(decoder);
        m_deliveryWake.post();
        if (announced) {
            markLost();
            notifyChanged();
        }
    }
    snd_midi_event_free(decoder);
}

bool AlsaMidiService::record(Input& in, const quint8* bytes, quint32 size, quint32 counter, quint64 stamp)
{
    constexpr quint32 header = 16;
    if (in.ring->writeSpace() < header + size)
        return false;
    quint32 fields[4] = {size, counter, 0, 0};
    std::memcpy(&fields[2], &stamp, sizeof stamp);
    in.ring->stage(0, fields, header);
    if (size)
        in.ring->stage(header, bytes, size);
    in.ring->publish(header + size);
    return true;
}

bool AlsaMidiService::readEvents(snd_midi_event* decoder)
{
    bool announced = false;
    bool overflowed = false;
    std::lock_guard<std::mutex> lock(m_seqMutex);
    const qint64 now = nowMicroseconds();
    for (;;) {
        snd_seq_event_t* ev = nullptr;
        const int rc = snd_seq_event_input(m_seq, &ev);
        if (rc == -ENOSPC) {
            // The kernel's queue of our input overflowed and was emptied.
            overflowed = true;
            continue;
        }
        if (rc < 0 || !ev)
            break;
        if (ev->dest.port == m_announcePort) {
            announced = announced || isAnnouncement(ev->type);
            continue;
        }
        int port = -1;
        for (int i = 0; i < 2; ++i) {
            if (ev->dest.port == m_inputPorts[i])
                port = i;
        }
        if (port < 0 || !m_inputs[port].started.load())
            continue;
        qint64 stamp = now;
        if ((ev->flags & SND_SEQ_TIME_STAMP_MASK) == SND_SEQ_TIME_STAMP_REAL && ev->queue == m_queue) {
            const qint64 at = m_queueStartMicroseconds + qint64(ev->time.time.tv_sec) * 1000000 +
                              ev->time.time.tv_nsec / 1000;
            if (at <= now && at > now - 10000000)
                stamp = at;
        }
        const quint8* bytes = nullptr;
        quint32 size = 0;
        unsigned char buffer[16];
        if (ev->type == SND_SEQ_EVENT_SYSEX) {
            bytes = static_cast<const quint8*>(ev->data.ext.ptr);
            size = ev->data.ext.len;
        } else {
            snd_midi_event_reset_decode(decoder);
            const long n = snd_midi_event_decode(decoder, buffer, sizeof buffer, ev);
            if (n <= 0)
                continue; // not a MIDI message (a sequencer's own event)
            bytes = buffer;
            size = quint32(n);
        }
        Input& in = m_inputs[port];
        if (in.gapPending) {
            if (!record(in, nullptr, 0, 0, 0))
                continue;
            in.gapPending = false;
        }
        if (!record(in, bytes, size, quint32(quint64(stamp) / 1000u), quint64(stamp))) {
            if (!in.gapPending)
                ++in.overflows;
            in.gapPending = true;
            announced = true;
        }
    }
    if (overflowed) {
        for (Input& in : m_inputs) {
            if (in.started.load()) {
                ++in.overflows;
                if (!record(in, nullptr, 0, 0, 0))
                    in.gapPending = true;
            }
        }
        announced = true; // the listeners look at the counts
    }
    return announced;
}

void AlsaMidiService::deliveryLoop()
{
    while (!m_stopDelivery.load()) {
        m_deliveryWake.waitAtMost(100);
        for (Input& in : m_inputs)
            deliver(in);
    }
}

void AlsaMidiService::deliver(Input& in)
{
    constexpr quint32 header = 16;
    std::vector<quint8> event;
    // One record at a time under the delivery mutex, so that a stop waits for one callback at most.
    for (;;) {
        std::lock_guard<std::mutex> delivery(in.delivery);
        if (in.ring->readAvailable() < header)
            return;
        quint32 fields[4];
        in.ring->peek(0, fields, header);
        const quint32 size = fields[0];
        const quint32 counter = fields[1];
        quint64 stamp = 0;
        std::memcpy(&stamp, &fields[2], sizeof stamp);
        event.resize(size);
        if (size)
            in.ring->peek(header, event.data(), size);
        in.ring->consume(header + size);
        if (!in.open || !in.started.load() || !in.callback || !in.framer)
            continue;
        auto call = [&](InputMessage message, quint32 packed, const quint8* bytes, quint32 length) {
            in.callback(in.context, message, packed, bytes, length, counter, stamp);
        };
        if (size == 0)
            in.framer->reset(call); // data was lost here
        else
            in.framer->feed(event.data(), size, call);
    }
}

void AlsaMidiService::markLost()
{
    auto stillThere = [this](const Address& peer, int ownPort, bool input) {
        snd_seq_port_info_t* info = nullptr;
        std::vector<char> infoStorage(snd_seq_port_info_sizeof());
        info = reinterpret_cast<snd_seq_port_info_t*>(infoStorage.data());
        if (snd_seq_get_any_port_info(m_seq, peer.client, peer.port, info) < 0)
            return false;
        snd_seq_port_subscribe_t* sub = nullptr;
        std::vector<char> subStorage(snd_seq_port_subscribe_sizeof());
        sub = reinterpret_cast<snd_seq_port_subscribe_t*>(subStorage.data());
        snd_seq_addr_t own{};
        own.client = static_cast<unsigned char>(m_client);
        own.port = static_cast<unsigned char>(ownPort);
        snd_seq_addr_t other{};
        other.client = static_cast<unsigned char>(peer.client);
        other.port = static_cast<unsigned char>(peer.port);
        snd_seq_port_subscribe_set_sender(sub, input ? &other : &own);
        snd_seq_port_subscribe_set_dest(sub, input ? &own : &other);
        return snd_seq_get_port_subscription(m_seq, sub) == 0;
    };
    std::lock_guard<std::mutex> lock(m_seqMutex);
    // open and the peers change only under the sequencer mutex, held here.
    for (int i = 0; i < 2; ++i) {
        Input& in = m_inputs[i];
        if (in.peer.client >= 0 && !in.lost.load() && !stillThere(in.peer, m_inputPorts[i], true)) {
            in.lost = true;
        }
        Output& out = m_outputs[i];
        if (out.peer.client >= 0 && !out.lost.load() && !stillThere(out.peer, m_outputPorts[i], false)) {
            out.lost = true;
        }
    }
}
