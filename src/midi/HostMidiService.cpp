#include "HostMidiService.h"

#include "AlsaMidiService.h"
#include "JackMidiService.h"
#include "LoopbackMidiService.h"

#include <QCommandLineOption>
#include <QCoreApplication>
#include <QStringList>

#include <mutex>
#include <time.h>

namespace {

std::mutex serviceMutex;
std::unique_ptr<HostMidiService> service;

const QString optionName = QStringLiteral("midi-api");

} // namespace

quint32 HostMidiService::milliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const quint64 ms = quint64(now.tv_sec) * 1000u + quint64(now.tv_nsec) / 1000000u;
    return quint32(ms);
}

QCommandLineOption HostMidiService::commandLineOption()
{
    return QCommandLineOption(
        optionName,
        QCoreApplication::translate(
            "HostMidiService", "MIDI system to use: jack, alsa or loopback. Without it: ALSA when the "
                               "sequencer is available, else JACK when a server is running, else loopback."),
        QStringLiteral("api"));
}

bool HostMidiService::setUp(const QStringList& arguments, QString* errorText)
{
    QString requested;
    bool given = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (a == QLatin1String("--") + optionName || a == QLatin1String("-") + optionName) {
            given = true;
            requested = i + 1 < arguments.size() ? arguments.at(i + 1) : QString();
            ++i;
        } else if (a.startsWith(QLatin1String("--") + optionName + QLatin1Char('='))) {
            given = true;
            requested = a.mid(optionName.size() + 3);
        }
    }

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
            why = QStringLiteral("Unknown MIDI API \"%1\"; use jack, alsa or loopback.").arg(requested);
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
    if (status < 0xC0)
        return 3;
    if (status < 0xE0)
        return 2;
    if (status < 0xF0)
        return 3;
    switch (status) {
    case 0xF1:
    case 0xF3:
        return 2;
    case 0xF2:
        return 3;
    default:
        return 1;
    }
}

QVector<HostMidiDevice> HostMidiService::namedDevices(const QStringList& names)
{
    QVector<HostMidiDevice> devices;
    for (const QString& name : names)
        devices.append(HostMidiDevice{name, 0, 0});
    return devices;
}
