#include "CliInput.h"

#include "Midi.h"

#include <chrono>

namespace {

// The host hands system-exclusive data on in buffers of this size; they are joined here.
constexpr quint32 hostBufferSize = 16384;

} // namespace

CliInput::CliInput(HostMidiService* aService)
    : service(aService), baseCounter(HostMidiService::milliseconds()), baseTimeOfDay(Midi::localTimeOfDay())
{
}

CliInput::~CliInput()
{
    for (const std::unique_ptr<Input>& input : inputs) {
        if (input->open) {
            service->stopInput(input->handle);
            service->closeInput(input->handle);
        }
    }
}

bool CliInput::open(const QString& device, QString* error)
{
    return openNext(device, false, error);
}

bool CliInput::openVirtual(const QString& name, QString* error)
{
    return openNext(name, true, error);
}

bool CliInput::openNext(const QString& name, bool isVirtual, QString* error)
{
    if (inputs.size() >= MaximumInputs) {
        *error = QStringLiteral("at most %1 inputs at a time").arg(MaximumInputs);
        return false;
    }
    auto input = std::make_unique<Input>();
    input->owner = this;
    input->port = quint32(inputs.size());
    input->device = name;
    input->isVirtual = isVirtual;
    const qint32 failed = isVirtual
                              ? service->openVirtualInput(name, input->port, hostBufferSize,
                                                          &CliInput::hostInput, input.get(), &input->handle)
                              : service->openInput(name, input->port, hostBufferSize, &CliInput::hostInput,
                                                   input.get(), &input->handle);
    if (failed != 0) {
        *error = isVirtual ? QStringLiteral("the virtual input port \"%1\" could not be opened (is the name "
                                            "taken?)")
                                 .arg(name)
                           : QStringLiteral("the input device \"%1\" could not be opened").arg(name);
        return false;
    }
    if (isVirtual)
        input->device = service->virtualPortName(input->handle, true);
    input->open = true;
    Input* opened = input.get();
    inputs.push_back(std::move(input));
    if (service->startInput(opened->handle) != 0) {
        *error = QStringLiteral("the input \"%1\" could not be started").arg(opened->device);
        return false;
    }
    return true;
}

QStringList CliInput::unconnected() const
{
    QStringList names;
    for (const std::unique_ptr<Input>& input : inputs) {
        if (input->open && input->isVirtual && service->virtualPortConnections(input->handle, true) == 0)
            names.append(input->device);
    }
    return names;
}

void CliInput::hostInput(void* context, HostMidiService::InputMessage message, quint32 packed,
                         const quint8* bytes, quint32 length, quint32 eventCounter, quint64 hostStamp)
{
    Q_UNUSED(hostStamp)
    auto* input = static_cast<Input*>(context);
    CliInput* self = input->owner;
    switch (message) {
    case HostMidiService::ShortData: {
        const quint8 status = quint8(packed & 0xFF);
        const quint32 n = HostMidiService::shortMessageLength(status);
        if (n == 0)
            return;
        const char data[3] = {char(status), char(packed >> 8), char(packed >> 16)};
        self->push(input->port, QByteArray(data, int(n)), eventCounter);
        return;
    }
    case HostMidiService::LongData:
        if (length == 0 || bytes == nullptr)
            return;
        input->sysEx.append(reinterpret_cast<const char*>(bytes), int(length));
        if (bytes[length - 1] == 0xF7) {
            QByteArray whole;
            whole.swap(input->sysEx);
            self->push(input->port, std::move(whole), eventCounter);
        }
        return;
    case HostMidiService::LongError:
    case HostMidiService::ShortError: {
        input->sysEx.clear();
        std::lock_guard<std::mutex> lock(self->mutex);
        ++self->dropped;
        return;
    }
    }
}

void CliInput::push(quint32 port, QByteArray bytes, quint32 eventCounter)
{
    CliMessage message;
    message.bytes = std::move(bytes);
    message.stamp = Midi::timeStamp(eventCounter, baseCounter, baseTimeOfDay);
    message.port = port;
    bool wasEmpty;
    {
        std::lock_guard<std::mutex> lock(mutex);
        wasEmpty = queue.empty();
        queue.push_back(std::move(message));
    }
    if (wasEmpty)
        arrived.notify_one();
}

bool CliInput::take(std::vector<CliMessage>* out, int msecs)
{
    std::unique_lock<std::mutex> lock(mutex);
    if (queue.empty() && msecs > 0)
        arrived.wait_for(lock, std::chrono::milliseconds(msecs), [this] { return !queue.empty(); });
    if (queue.empty())
        return false;
    if (out->empty()) {
        out->swap(queue);
    } else {
        for (CliMessage& message : queue)
            out->push_back(std::move(message));
        queue.clear();
    }
    return true;
}

bool CliInput::isIdle()
{
    std::lock_guard<std::mutex> lock(mutex);
    return queue.empty();
}

QString CliInput::lostDevice() const
{
    for (const std::unique_ptr<Input>& input : inputs) {
        if (input->open && service->inputLost(input->handle))
            return input->device;
    }
    return QString();
}

quint64 CliInput::droppedCount()
{
    std::lock_guard<std::mutex> lock(mutex);
    return dropped;
}
