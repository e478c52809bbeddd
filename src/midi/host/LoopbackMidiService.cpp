#include "LoopbackMidiService.h"

#include <chrono>

namespace {

quint64 microseconds()
{
    return quint64(std::chrono::duration_cast<std::chrono::microseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                       .count());
}

// A ticket that never completes is filed with this completion time.
constexpr qint64 neverDone = -1;

} // namespace

LoopbackMidiService::LoopbackMidiService()
    : m_inputNames{QStringLiteral("Loopback A"), QStringLiteral("Loopback B")}, m_outputNames(m_inputNames)
{
    m_thread = std::thread([this] { run(); });
}

LoopbackMidiService::~LoopbackMidiService()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_queueChanged.notify_all();
    m_thread.join();
}

QString LoopbackMidiService::apiName() const
{
    return QStringLiteral("loopback");
}

QVector<HostMidiDevice> LoopbackMidiService::inputDevices()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return namedDevices(m_inputNames);
}

QVector<HostMidiDevice> LoopbackMidiService::outputDevices()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return namedDevices(m_outputNames);
}

qint32 LoopbackMidiService::openInput(const QString& device, quint32 portNumber, quint32 bufferSize,
                                      InputCallback callback, void* context, Handle* handle)
{
    std::lock_guard<std::mutex> delivery(m_deliveryMutex);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_refuseOpen || portNumber > 1 || !callback || !handle || !m_inputNames.contains(device) ||
        m_inputs[portNumber].open)
        return 1;
    Input& in = m_inputs[portNumber];
    in.open = true;
    in.started = false;
    in.device = device;
    in.callback = callback;
    in.context = context;
    in.framer = std::make_unique<HostInputFramer>(bufferSize);
    *handle = Handle(portNumber);
    return 0;
}

qint32 LoopbackMidiService::startInput(Handle handle)
{
    return changeOpenInput(handle, [](Input& in) { in.started = true; });
}

qint32 LoopbackMidiService::stopInput(Handle handle)
{
    return changeOpenInput(handle, [](Input& in) { in.started = false; });
}

qint32 LoopbackMidiService::closeInput(Handle handle)
{
    return changeOpenInput(handle, [](Input& in) { in = Input(); });
}

template <typename Change> qint32 LoopbackMidiService::changeOpenInput(Handle handle, Change change)
{
    std::lock_guard<std::mutex> delivery(m_deliveryMutex);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (handle < 0 || handle > 1 || !m_inputs[handle].open)
        return 1;
    change(m_inputs[handle]);
    return 0;
}

qint32 LoopbackMidiService::openOutput(const QString& device, quint32 portNumber, Handle* handle)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_refuseOpen || portNumber > 1 || !handle || !m_outputNames.contains(device) ||
        m_outputs[portNumber].open)
        return 1;
    m_outputs[portNumber].open = true;
    m_outputs[portNumber].device = device;
    *handle = Handle(portNumber);
    return 0;
}

qint32 LoopbackMidiService::closeOutput(Handle handle)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (handle < 0 || handle > 1 || !m_outputs[handle].open)
        return 1;
    m_outputs[handle] = Output();
    return 0;
}

qint32 LoopbackMidiService::sendShort(Handle handle, const quint8* bytes, quint32 length)
{
    if (length < 1 || length > 3)
        return 1;
    return sendBytes(handle, bytes, length, false, nullptr);
}

qint32 LoopbackMidiService::sendLong(Handle handle, const quint8* bytes, quint32 length, quint64* ticket)
{
    if (length == 0 || !ticket)
        return 1;
    return sendBytes(handle, bytes, length, true, ticket);
}

qint32 LoopbackMidiService::sendBytes(Handle handle, const quint8* bytes, quint32 length, bool isLong,
                                      quint64* ticket)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    ++m_sendCalls;
    if (handle < 0 || handle > 1 || !m_outputs[handle].open || m_refuseSend)
        return 1;
    const QString device = m_outputs[handle].device;
    // A device that left the host's list takes the data nowhere; like a vanished device, that
    // is a failed send.
    if (!m_outputNames.contains(device))
        return 1;
    const QByteArray data(reinterpret_cast<const char*>(bytes), int(length));
    if (m_recordSent)
        m_sent.append(SentMessage{device, quint32(handle), isLong, data});
    if (isLong) {
        *ticket = m_nextTicket++;
        if (m_completion == Completion::Never)
            m_pendingDoneAt.insert(*ticket, neverDone);
        else if (m_completion == Completion::Delayed)
            m_pendingDoneAt.insert(*ticket, qint64(microseconds() + quint64(m_delayMs) * 1000u));
    }
    lock.unlock();
    queue(Work{Work::Bytes, device, ShortData, 0, data, HostMidiService::milliseconds(), microseconds()});
    return 0;
}

bool LoopbackMidiService::longDone(Handle handle, quint64 ticket)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_pendingDoneAt.constFind(ticket);
    if (it == m_pendingDoneAt.constEnd())
        return true;
    if (it.value() == neverDone)
        return false;
    if (qint64(microseconds()) < it.value())
        return false;
    m_pendingDoneAt.remove(ticket);
    return true;
}

bool LoopbackMidiService::inputLost(Handle handle)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return handle >= 0 && handle <= 1 && m_inputs[handle].open &&
           !m_inputNames.contains(m_inputs[handle].device);
}

bool LoopbackMidiService::outputLost(Handle handle)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return handle >= 0 && handle <= 1 && m_outputs[handle].open &&
           !m_outputNames.contains(m_outputs[handle].device);
}

void LoopbackMidiService::setDeviceNames(const QStringList& inputs, const QStringList& outputs)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_inputNames = inputs;
        m_outputNames = outputs;
    }
    queue(Work{Work::Changed, QString(), ShortData, 0, QByteArray(), 0, 0});
}

void LoopbackMidiService::setRefuseOpen(bool refuse)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_refuseOpen = refuse;
}

void LoopbackMidiService::setRefuseSend(bool refuse)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_refuseSend = refuse;
}

void LoopbackMidiService::setCompletion(Completion completion, quint32 delayMs)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_completion = completion;
    m_delayMs = delayMs;
}

void LoopbackMidiService::injectBytes(const QString& device, const QByteArray& bytes)
{
    queue(Work{Work::Bytes, device, ShortData, 0, bytes, HostMidiService::milliseconds(), microseconds()});
}

void LoopbackMidiService::injectMessage(const QString& device, InputMessage message, quint32 packed,
                                        const QByteArray& bytes)
{
    queue(
        Work{Work::Message, device, message, packed, bytes, HostMidiService::milliseconds(), microseconds()});
}

void LoopbackMidiService::setRecordSent(bool record)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_recordSent = record;
    if (!record)
        m_sent.clear();
}

QVector<LoopbackMidiService::SentMessage> LoopbackMidiService::takeSent()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QVector<SentMessage> sent;
    sent.swap(m_sent);
    return sent;
}

quint32 LoopbackMidiService::sendCalls() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_sendCalls;
}

void LoopbackMidiService::waitUntilDelivered()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [this] { return m_queue.empty() && !m_busy; });
}

void LoopbackMidiService::queue(Work work)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.push_back(std::move(work));
    }
    m_queueChanged.notify_one();
}

void LoopbackMidiService::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_queueChanged.wait(lock, [this] { return m_stop || !m_queue.empty(); });
        if (m_stop)
            return;
        Work work = std::move(m_queue.front());
        m_queue.pop_front();
        m_busy = true;
        lock.unlock();
        if (work.kind == Work::Changed) {
            notifyChanged();
        } else {
            std::lock_guard<std::mutex> delivery(m_deliveryMutex);
            for (Input& in : m_inputs) {
                InputCallback callback = nullptr;
                void* context = nullptr;
                {
                    std::lock_guard<std::mutex> state(m_mutex);
                    if (!in.open || !in.started || in.device != work.device ||
                        !m_inputNames.contains(in.device))
                        continue;
                    callback = in.callback;
                    context = in.context;
                }
                const quint32 counter = work.counter;
                const quint64 hostStamp = work.hostStamp;
                auto deliver = [&](InputMessage message, quint32 packed, const quint8* bytes,
                                   quint32 length) {
                    callback(context, message, packed, bytes, length, counter, hostStamp);
                };
                const auto* bytes = reinterpret_cast<const quint8*>(work.bytes.constData());
                if (work.kind == Work::Bytes)
                    in.framer->feed(bytes, quint32(work.bytes.size()), deliver);
                else
                    deliver(work.message, work.packed, bytes, quint32(work.bytes.size()));
            }
        }
        lock.lock();
        m_busy = false;
        if (m_queue.empty())
            m_idle.notify_all();
    }
}
