#include "HostMidiService.h"

#include "AlsaMidiService.h"
#include "JackMidiService.h"
#include "LoopbackMidiService.h"
#include "MidiMessageLength.h"

#include <QStringList>

#include <algorithm>
#include <mutex>
#include <time.h>

namespace {

std::mutex serviceMutex;
std::unique_ptr<HostMidiService> service;

} // namespace

quint32 HostMidiService::milliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const quint64 ms = quint64(now.tv_sec) * 1000u + quint64(now.tv_nsec) / 1000000u;
    return quint32(ms);
}

bool HostMidiService::setUp(const QString& requested, QString* errorText)
{
    const bool given = !requested.isNull();
    std::unique_ptr<HostMidiService> chosen;
    QString why;
    if (given) {
        if (requested == QLatin1String("jack")) {
            auto jack = std::make_unique<JackMidiService>();
            if (jack->isRunning())
                chosen = std::move(jack);
            else
                why = QStringLiteral("No JACK server is running.");
        } else if (requested == QLatin1String("alsa")) {
            auto alsa = std::make_unique<AlsaMidiService>();
            if (alsa->isAvailable())
                chosen = std::move(alsa);
            else
                why = QStringLiteral("The ALSA sequencer could not be opened.");
        } else if (requested == QLatin1String("loopback")) {
            chosen = std::make_unique<LoopbackMidiService>();
        } else {
            why = QStringLiteral("Unknown MIDI API \"%1\"; use %2.").arg(requested, apiNames());
        }
    } else {
        auto alsa = std::make_unique<AlsaMidiService>();
        if (alsa->isAvailable()) {
            chosen = std::move(alsa);
        } else {
            alsa.reset();
            auto jack = std::make_unique<JackMidiService>();
            if (jack->isRunning())
                chosen = std::move(jack);
            else
                chosen = std::make_unique<LoopbackMidiService>();
        }
    }
    if (!chosen) {
        if (errorText)
            *errorText = why;
        return false;
    }
    install(std::move(chosen));
    return true;
}

QString HostMidiService::apiNames()
{
    return QStringLiteral("jack, alsa or loopback");
}

HostMidiService* HostMidiService::instance()
{
    std::lock_guard<std::mutex> lock(serviceMutex);
    return service.get();
}

void HostMidiService::install(std::unique_ptr<HostMidiService> replacement)
{
    std::unique_ptr<HostMidiService> old;
    {
        std::lock_guard<std::mutex> lock(serviceMutex);
        old = std::move(service);
        service = std::move(replacement);
    }
}

void HostMidiService::shutDown()
{
    install(nullptr);
}

quint32 HostMidiService::shortMessageLength(quint8 status)
{
    if (status < 0x80)
        return 0;
    // Status bytes that do not start a short message of their own length travel alone.
    const qint32 length = MidiMessageLength::of(status);
    return length <= 0 || length == MidiMessageLength::Variable ? 1 : quint32(length);
}

int HostMidiService::addChangeListener(ChangeListener listener)
{
    std::lock_guard<std::mutex> lock(m_listenerMutex);
    const int id = m_nextListenerId++;
    m_listeners.emplace_back(id, std::move(listener));
    return id;
}

void HostMidiService::removeChangeListener(int id)
{
    std::lock_guard<std::mutex> lock(m_listenerMutex);
    for (auto it = m_listeners.begin(); it != m_listeners.end(); ++it) {
        if (it->first == id) {
            m_listeners.erase(it);
            return;
        }
    }
}

void HostMidiService::notifyChanged()
{
    std::lock_guard<std::mutex> lock(m_listenerMutex);
    for (const auto& listener : m_listeners)
        listener.second();
}

QVector<HostMidiDevice> HostMidiService::namedDevices(const QStringList& names)
{
    QVector<HostMidiDevice> devices;
    for (const QString& name : names)
        devices.append(HostMidiDevice{name, 0, 0});
    return devices;
}

QVector<HostMidiDevice> HostMidiService::sortedByName(QVector<HostMidiDevice> devices)
{
    std::stable_sort(devices.begin(), devices.end(), [](const HostMidiDevice& a, const HostMidiDevice& b) {
        const int folded = QString::compare(a.name, b.name, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a.name < b.name;
    });
    return devices;
}
