#include "CliOutput.h"

#include "CliContext.h"
#include "HexText.h"
#include "MidiEditTransmittionThread.h"

#include <QElapsedTimer>
#include <QThread>

#include <atomic>

namespace {

// How long the bytes of a finished send may take to leave a port that still holds them.
constexpr qint64 drainTimeoutMs = 5000;

} // namespace

CliOutput::CliOutput(HostMidiService* aService, Model* aModel) : model(aModel), bulk(aModel), hub(aService)
{
    hub.setBulkIntervalManager(&bulk);
}

CliOutput::~CliOutput()
{
    worker.reset();
    hub.setBulkIntervalManager(nullptr);
}

bool CliOutput::open(const QString& device, QString* error)
{
    if (hub.outputPort(0)->open(device) != 0) {
        *error = QStringLiteral("the output device \"%1\" could not be opened").arg(device);
        return false;
    }
    deviceName = device;
    return true;
}

bool CliOutput::openVirtual(const QString& name, QString* error)
{
    MidiOutputPort* port = hub.outputPort(0);
    if (port->openVirtual(name) != 0) {
        *error = QStringLiteral("the virtual output port \"%1\" could not be opened (is the name taken?)")
                     .arg(name);
        return false;
    }
    deviceName = port->getPortName();
    virtualPort = true;
    return true;
}

bool CliOutput::unconnected()
{
    return virtualPort && hub.outputPort(0)->virtualConnections() == 0;
}

CliOutput::Outcome CliOutput::send(const QString& text, const CliContext& context)
{
    Outcome outcome;
    const qint32 count = HexText::countBytes(text);
    if (count < 0) {
        outcome.problem =
            QStringLiteral("nothing was sent: the text is not whole bytes of hexadecimal digits "
                           "(an odd number of digits or a character that is not one)");
        return outcome;
    }
    outcome.total = quint32(count);
    if (count == 0) {
        outcome.complete = true;
        return outcome;
    }
    // A virtual port sends to whoever is connected to it: with nobody there, the bytes would go
    // nowhere.
    if (unconnected()) {
        outcome.problem = QStringLiteral("nothing was sent: nobody is connected to \"%1\"").arg(deviceName);
        return outcome;
    }
    if (!worker)
        worker = std::make_unique<MidiEditTransmittionThread>(model, &hub);

    std::atomic<quint32> sent{0};
    std::atomic<quint32> leftOut{0};
    std::atomic<qint32> result{-1};
    // Direct connections: the worker reports on its own thread, and this thread waits below
    // without an event loop.
    const auto progress = QObject::connect(
        worker.get(), &MidiEditTransmittionThread::transmittionProgress, worker.get(),
        [&sent](quint32 n) { sent = n; }, Qt::DirectConnection);
    const auto left = QObject::connect(
        worker.get(), &MidiEditTransmittionThread::bytesLeftOut, worker.get(),
        [&leftOut](quint32 n) { leftOut = n; }, Qt::DirectConnection);
    const auto finish = QObject::connect(
        worker.get(), &MidiEditTransmittionThread::finishTransmittion, worker.get(),
        [&result](qint32 r) { result = r; }, Qt::DirectConnection);
    worker->requestTransmission(text);
    bool stopAsked = false;
    while (result.load() < 0) {
        if (!stopAsked && context.isInterrupted()) {
            worker->stopTransmission();
            stopAsked = true;
        }
        QThread::msleep(1);
    }
    QObject::disconnect(progress);
    QObject::disconnect(left);
    QObject::disconnect(finish);

    outcome.sent = sent;
    outcome.leftOut = leftOut;
    const QString sentText = QStringLiteral("sent %1 of %2 bytes").arg(outcome.sent).arg(outcome.total);
    if (result == MidiEditTransmittionThread::Stopped) {
        outcome.problem = QStringLiteral("interrupted: %1").arg(sentText);
        return outcome;
    }
    if (result == MidiEditTransmittionThread::Failed) {
        outcome.problem =
            outcome.sent == 0 && hub.outputPort(0)->deviceLost()
                ? QStringLiteral("nothing was sent: the output device \"%1\" went away").arg(deviceName)
            : outcome.sent == 0
                ? QStringLiteral("nothing was sent: the text holds no complete MIDI message")
                : QStringLiteral("%1; the rest was not sent: the output device \"%2\" failed or "
                                 "went away")
                      .arg(sentText, deviceName);
        return outcome;
    }
    // Finished: the worker handed everything over; wait until the host has sent it too.
    QElapsedTimer waited;
    waited.start();
    MidiOutputPort* port = hub.outputPort(0);
    while (!port->sendsDone()) {
        if (port->deviceLost() || waited.elapsed() > drainTimeoutMs) {
            outcome.problem =
                QStringLiteral("%1 to the host, but the output device \"%2\" did not take them all")
                    .arg(sentText, deviceName);
            return outcome;
        }
        QThread::msleep(1);
    }
    if (port->deviceLost()) {
        outcome.problem =
            QStringLiteral("%1; the output device \"%2\" went away meanwhile").arg(sentText, deviceName);
        return outcome;
    }
    if (unconnected()) {
        outcome.problem =
            QStringLiteral("%1, but nobody was connected to \"%2\" any more").arg(sentText, deviceName);
        return outcome;
    }
    if (outcome.leftOut > 0) {
        outcome.problem = QStringLiteral("%1; %2 bytes made no complete MIDI message and were not sent")
                              .arg(sentText)
                              .arg(outcome.leftOut);
        return outcome;
    }
    // Running status in the text goes out expanded, so more bytes may leave than the text holds.
    outcome.complete = true;
    return outcome;
}
