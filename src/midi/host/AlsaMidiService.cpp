#include "AlsaMidiService.h"

#include <rtmidi/RtMidi.h>

#include <chrono>
#include <unistd.h>

namespace {

const char* const inputPortNames[2] = {"Port1 In", "Port2 In"};
const char* const outputPortNames[2] = {"Port1 Out", "Port2 Out"};

// What the sequencer takes in one message without failing, with room to spare.
constexpr quint32 outputPiece = 4096;
// How often the watch thread lists the devices.
constexpr auto watchInterval = std::chrono::milliseconds(500);

bool listedName(const QVector<HostMidiDevice>& devices, const QString& name)
{
    for (const HostMidiDevice& d : devices) {
        if (d.name == name)
            return true;
    }
    return false;
}

// Any error RtMidi reports during an operation makes that operation fail.
void raiseFlag(RtMidiError::Type, const std::string&, void* flag)
{
    static_cast<std::atomic<bool>*>(flag)->store(true);
}

std::string clientName(const char* portName)
{
    return std::string("Vantel MIDI ") + portName;
}

// Finds the RtMidi number of the port listed under name, by asking the object that will open it.
template <typename Midi> int rtIndexOf(Midi& midi, const QString& name)
{
    const unsigned count = midi.getPortCount();
    for (unsigned i = 0; i < count; ++i) {
        if (QString::fromStdString(midi.getPortName(i)) == name)
            return int(i);
    }
    return -1;
}

// The ports the lister sees, our own clients' ports left out.
template <typename Midi> QVector<HostMidiDevice> listedDevices(Midi* lister, const QString& ownPrefix)
{
    QVector<HostMidiDevice> devices;
    if (!lister)
        return devices;
    const unsigned count = lister->getPortCount();
    for (unsigned i = 0; i < count; ++i) {
        const QString name = QString::fromStdString(lister->getPortName(i));
        if (name.isEmpty() || name.startsWith(ownPrefix))
            continue;
        devices.append(HostMidiDevice{name, 0, 0});
    }
    return devices;
}

} // namespace

QString AlsaMidiService::ownPrefix()
{
    return QStringLiteral("Vantel MIDI");
}

AlsaMidiService::AlsaMidiService()
{
    // Without the sequencer device there is nothing to open, and the libraries would only print
    // their failure.
    if (::access("/dev/snd/seq", R_OK | W_OK) != 0)
        return;
    try {
        m_inputLister = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, "Vantel MIDI");
        m_inputLister->setErrorCallback(&raiseFlag, &m_listerFailed);
        m_outputLister = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, "Vantel MIDI");
        m_outputLister->setErrorCallback(&raiseFlag, &m_listerFailed);
        if (m_inputLister->getCurrentApi() != RtMidi::LINUX_ALSA ||
            m_outputLister->getCurrentApi() != RtMidi::LINUX_ALSA) {
            m_inputLister.reset();
            m_outputLister.reset();
        }
    } catch (...) {
        m_inputLister.reset();
        m_outputLister.reset();
    }
    if (isAvailable())
        m_watch = std::thread([this] { watch(); });
}

AlsaMidiService::~AlsaMidiService()
{
    if (m_watch.joinable()) {
        {
            std::lock_guard<std::mutex> lock(m_watchMutex);
            m_stopWatch = true;
        }
        m_watchWake.notify_all();
        m_watch.join();
    }
    for (int i = 0; i < 2; ++i) {
        closeInput(i);
        closeOutput(i);
    }
}

bool AlsaMidiService::isAvailable() const
{
    return m_inputLister && m_outputLister;
}

QString AlsaMidiService::apiName() const
{
    return QStringLiteral("alsa");
}

QVector<HostMidiDevice> AlsaMidiService::inputDevices()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return sortedByName(listedDevices(m_inputLister.get(), ownPrefix()));
}

QVector<HostMidiDevice> AlsaMidiService::outputDevices()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return sortedByName(listedDevices(m_outputLister.get(), ownPrefix()));
}

qint32 AlsaMidiService::openInput(const QString& device, quint32 portNumber, quint32 bufferSize,
                                  InputCallback callback, void* context, Handle* handle)
{
    if (!isAvailable() || portNumber > 1 || !callback || !handle)
        return 1;
    std::lock_guard<std::mutex> lock(m_mutex);
    Input& in = m_inputs[portNumber];
    {
        std::lock_guard<std::mutex> inputLock(in.mutex);
        if (in.midi)
            return 1;
        in.started = false;
        in.callback = callback;
        in.context = context;
        in.framer = std::make_unique<HostInputFramer>(bufferSize);
    }
    std::unique_ptr<RtMidiIn> midi;
    try {
        midi = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, clientName(inputPortNames[portNumber]), 1000);
    } catch (...) {
        return 1;
    }
    in.failed = false;
    midi->setErrorCallback(&raiseFlag, &in.failed);
    midi->ignoreTypes(false, false, false);
    midi->setCallback(&AlsaMidiService::inputFunction, &in);
    const int rtIndex = rtIndexOf(*midi, device);
    if (rtIndex < 0)
        return 1;
    midi->openPort(unsigned(rtIndex), inputPortNames[portNumber]);
    if (in.failed || !midi->isPortOpen())
        return 1;
    std::lock_guard<std::mutex> inputLock(in.mutex);
    in.midi = std::move(midi);
    in.device = device;
    in.lost = false;
    *handle = Handle(portNumber);
    return 0;
}

qint32 AlsaMidiService::startInput(Handle handle)
{
    return setStarted(handle, true);
}

qint32 AlsaMidiService::stopInput(Handle handle)
{
    return setStarted(handle, false);
}

qint32 AlsaMidiService::setStarted(Handle handle, bool started)
{
    if (handle < 0 || handle > 1)
        return 1;
    Input& in = m_inputs[handle];
    std::lock_guard<std::mutex> inputLock(in.mutex);
    if (!in.midi)
        return 1;
    in.started = started;
    return 0;
}

qint32 AlsaMidiService::closeInput(Handle handle)
{
    if (handle < 0 || handle > 1)
        return 1;
    std::lock_guard<std::mutex> lock(m_mutex);
    Input& in = m_inputs[handle];
    std::unique_ptr<RtMidiIn> midi;
    {
        std::lock_guard<std::mutex> inputLock(in.mutex);
        if (!in.midi)
            return 1;
        in.started = false;
        midi = std::move(in.midi);
    }
    // Closing joins RtMidi's input thread; it must not wait for our mutex meanwhile.
    midi.reset();
    std::lock_guard<std::mutex> inputLock(in.mutex);
    in.callback = nullptr;
    in.context = nullptr;
    in.framer.reset();
    in.device.clear();
    in.lost = false;
    return 0;
}

void AlsaMidiService::inputFunction(double, std::vector<unsigned char>* message, void* input)
{
    auto* in = static_cast<Input*>(input);
    if (!message || message->empty())
        return;
    const quint32 counter = HostMidiService::milliseconds();
    const quint64 hostStamp = quint64(std::chrono::duration_cast<std::chrono::microseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
    std::lock_guard<std::mutex> inputLock(in->mutex);
    if (!in->started || !in->callback || !in->framer)
        return;
    auto deliver = [&](InputMessage kind, quint32 packed, const quint8* bytes, quint32 length) {
        in->callback(in->context, kind, packed, bytes, length, counter, hostStamp);
    };
    in->framer->feed(message->data(), quint32(message->size()), deliver);
}

qint32 AlsaMidiService::openOutput(const QString& device, quint32 portNumber, Handle* handle)
{
    if (!isAvailable() || portNumber > 1 || !handle)
        return 1;
    std::lock_guard<std::mutex> lock(m_mutex);
    Output& out = m_outputs[portNumber];
    std::lock_guard<std::mutex> outputLock(out.mutex);
    if (out.midi)
        return 1;
    std::unique_ptr<RtMidiOut> midi;
    try {
        midi = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, clientName(outputPortNames[portNumber]));
    } catch (...) {
        return 1;
    }
    out.failed = false;
    midi->setErrorCallback(&raiseFlag, &out.failed);
    const int rtIndex = rtIndexOf(*midi, device);
    if (rtIndex < 0)
        return 1;
    midi->openPort(unsigned(rtIndex), outputPortNames[portNumber]);
    if (out.failed || !midi->isPortOpen())
        return 1;
    out.midi = std::move(midi);
    out.device = device;
    out.lost = false;
    *handle = Handle(portNumber);
    return 0;
}

qint32 AlsaMidiService::closeOutput(Handle handle)
{
    if (handle < 0 || handle > 1)
        return 1;
    std::lock_guard<std::mutex> lock(m_mutex);
    Output& out = m_outputs[handle];
    std::lock_guard<std::mutex> outputLock(out.mutex);
    if (!out.midi)
        return 1;
    out.midi.reset();
    out.device.clear();
    out.lost = false;
    return 0;
}

qint32 AlsaMidiService::sendShort(Handle handle, const quint8* bytes, quint32 length)
{
    quint64 ticket = 0;
    if (length < 1 || length > 3)
        return 1;
    return sendLong(handle, bytes, length, &ticket);
}

qint32 AlsaMidiService::sendLong(Handle handle, const quint8* bytes, quint32 length, quint64* ticket)
{
    if (handle < 0 || handle > 1 || length == 0 || !ticket)
        return 1;
    Output& out = m_outputs[handle];
    std::lock_guard<std::mutex> outputLock(out.mutex);
    if (!out.midi || out.lost)
        return 1;
    out.failed = false;
    for (quint32 offset = 0; offset < length && !out.failed; offset += outputPiece)
        out.midi->sendMessage(bytes + offset, qMin(outputPiece, length - offset));
    // RtMidi drains the sequencer's output before sendMessage returns: a send that did not fail is
    // complete.
    *ticket = 0;
    return out.failed ? 1 : 0;
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

void AlsaMidiService::watch()
{
    QVector<HostMidiDevice> lastInputs;
    QVector<HostMidiDevice> lastOutputs;
    bool first = true;
    std::unique_lock<std::mutex> wait(m_watchMutex);
    while (!m_watchWake.wait_for(wait, watchInterval, [this] { return m_stopWatch; })) {
        wait.unlock();
        bool changed = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            const QVector<HostMidiDevice> inputs = listedDevices(m_inputLister.get(), ownPrefix());
            const QVector<HostMidiDevice> outputs = listedDevices(m_outputLister.get(), ownPrefix());
            auto sameNames = [](const QVector<HostMidiDevice>& a, const QVector<HostMidiDevice>& b) {
                if (a.size() != b.size())
                    return false;
                for (int i = 0; i < a.size(); ++i) {
                    if (a.at(i).name != b.at(i).name)
                        return false;
                }
                return true;
            };
            changed = !first && (!sameNames(inputs, lastInputs) || !sameNames(outputs, lastOutputs));
            first = false;
            lastInputs = inputs;
            lastOutputs = outputs;
            // open, close and the device names change only under the service mutex, held here.
            for (Input& in : m_inputs) {
                if (!in.device.isEmpty() && !listedName(inputs, in.device) && !in.lost.exchange(true))
                    changed = true;
            }
            for (Output& out : m_outputs) {
                if (!out.device.isEmpty() && !listedName(outputs, out.device) && !out.lost.exchange(true))
                    changed = true;
            }
        }
        if (changed)
            notifyChanged();
        wait.lock();
    }
}
