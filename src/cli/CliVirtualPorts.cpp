#include "CliVirtualPorts.h"

#include "CliContext.h"
#include "CliInput.h"
#include "CliOutput.h"
#include "HostMidiService.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QThread>

namespace {

// How often the connections are looked at, and how long new ones may take to carry data.
constexpr unsigned long lookMs = 5;
constexpr int settleMs = 1000;

QString quotedList(const QStringList& names)
{
    return QLatin1Char('"') + names.join(QStringLiteral("\" and \"")) + QLatin1Char('"');
}

} // namespace

bool CliVirtualPorts::supported(CliContext& context)
{
    if (context.service->hasVirtualPorts())
        return true;
    context.error(QStringLiteral("--virtual needs the jack or alsa MIDI system: the %1 system has no "
                                 "other programs to connect to a port")
                      .arg(context.service->apiName()));
    return false;
}

bool CliVirtualPorts::validName(const QString& name, const CliContext& context)
{
    if (!name.trimmed().isEmpty() && !name.contains(QLatin1Char(':')))
        return true;
    context.error(QStringLiteral("a virtual port needs a name without \":\", not \"%1\"").arg(name));
    return false;
}

int CliVirtualPorts::waitForPeers(CliInput* input, CliOutput* output, qint64 timeoutMs, CliContext& context)
{
    const auto waitingFor = [&] {
        QStringList names = input ? input->unconnected() : QStringList();
        if (output && output->unconnected())
            names.append(output->device());
        return names;
    };
    QStringList waiting = waitingFor();
    if (waiting.isEmpty())
        return -1;
    context.error(QStringLiteral("waiting for a connection to %1").arg(quotedList(waiting)));
    QElapsedTimer clock;
    clock.start();
    while (!waiting.isEmpty()) {
        const QString lost = input ? input->lostDevice() : QString();
        if (!lost.isEmpty() || (output && output->deviceLost())) {
            context.error(QStringLiteral("\"%1\" went away while waiting for a connection")
                              .arg(lost.isEmpty() ? output->device() : lost));
            return CliStatus::UsageOrDevice;
        }
        if (context.isInterrupted()) {
            context.error(QStringLiteral("interrupted while waiting for a connection to %1; nothing was sent")
                              .arg(quotedList(waiting)));
            return CliStatus::Failure;
        }
        if (timeoutMs > 0 && clock.elapsed() >= timeoutMs) {
            context.error(QStringLiteral("nobody connected to %1 within %2 ms; nothing was sent")
                              .arg(quotedList(waiting))
                              .arg(timeoutMs));
            return CliStatus::Failure;
        }
        QThread::msleep(lookMs);
        waiting = waitingFor();
    }
    context.service->settleConnections(settleMs);
    return -1;
}
