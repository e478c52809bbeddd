#include "MidiHub.h"

#include "HostMidiService.h"
#include "MidiBulkIntervalManager.h"
#include "MidiClient.h"
#include "MidiOutMonitor.h"

#include <QCoreApplication>
#include <QThread>

namespace {

// A chosen device that is listed but does not open (a JACK client lists its ports a moment before
// it can be connected) is tried again this often, this many times.
constexpr int retryIntervalMs = 250;
constexpr int maxFailedOpens = 20;

QStringList deviceNamesOf(const QVector<HostMidiDevice>& devices)
{
    QStringList names;
    for (const HostMidiDevice& d : devices)
        names.append(d.name);
    return names;
}

template <typename Port> QStringList choices(Port* port, qint32* position, bool closeWhenMissing)
{
    QStringList list{Midi::NotConnected};
    list += port->enumerateDevices();
    qint32 p = port->isConnected() ? qint32(list.indexOf(port->getPortName(), 1)) : 0;
    if (p < 0) {
        p = 0;
        if (closeWhenMissing)
            port->close();
    }
    if (position)
        *position = p;
    return list;
}

template <typename Port> qint32 reopen(Port* port, const QString& name)
{
    port->open(name);
    qint32 position = 0;
    choices(port, &position, false);
    if (position == 0)
        port->close();
    return position;
}

} // namespace

MidiHub::MidiHub(HostMidiService* service, quint16 maxLongMessage, QObject* parent)
    : QObject(parent), m_service(service), m_client(std::make_unique<MidiClient>(service))
{
    // One base for all four ports, so that their stamps agree.
    const quint32 baseCounter = HostMidiService::milliseconds();
    const quint32 baseTimeOfDay = Midi::localTimeOfDay();
    for (quint32 i = 0; i < 2; ++i)
        m_inputs[i] =
            std::make_unique<MidiInputPort>(m_client.get(), maxLongMessage, i, baseCounter, baseTimeOfDay);
    for (quint32 i = 0; i < 2; ++i)
        m_outputs[i] =
            std::make_unique<MidiOutputPort>(m_client.get(), maxLongMessage, i, baseCounter, baseTimeOfDay);

    m_retry.setSingleShot(true);
    m_retry.setInterval(retryIntervalMs);
    connect(&m_retry, &QTimer::timeout, this, &MidiHub::rescan);
    if (m_service) {
        m_serverRunning = m_service->serverRunning();
        m_serverRestarts = m_service->serverRestarts();
        // Runs on a thread of the service: post one look, however many changes come in meanwhile.
        m_listenerId = m_service->addChangeListener([this] {
            if (!m_rescanPending.exchange(true))
                QMetaObject::invokeMethod(
                    this,
                    [this] {
                        m_rescanPending = false;
                        rescan();
                    },
                    Qt::QueuedConnection);
        });
    }
}

MidiHub::~MidiHub()
{
    if (m_service)
        m_service->removeChangeListener(m_listenerId);
    for (auto& input : m_inputs)
        input.reset();
    for (auto& output : m_outputs)
        output.reset();
}

void MidiHub::refuseSends()
{
    m_refusing = true;
    for (auto& output : m_outputs)
        output->refuseSends();
}

void MidiHub::setBulkIntervalManager(MidiBulkIntervalManager* manager)
{
    m_bulk = manager;
}

void MidiHub::setOutMonitor(MidiOutMonitor* monitor)
{
    m_monitor = monitor;
}

void MidiHub::setReceiver(MidiInputPort::Receiver receiver, void* context)
{
    for (auto& input : m_inputs)
        input->setReceiver(receiver, context);
}

MidiInputPort* MidiHub::inputPort(quint32 port) const
{
    return port < 2 ? m_inputs[port].get() : nullptr;
}

MidiOutputPort* MidiHub::outputPort(quint32 port) const
{
    return port < 2 ? m_outputs[port].get() : nullptr;
}

QStringList MidiHub::inputPortChoices(quint32 port, qint32* position, bool closeWhenMissing)
{
    if (port > 1)
        return {};
    m_shown[slot(true, port)] = choices(m_inputs[port].get(), position, closeWhenMissing);
    return m_shown[slot(true, port)];
}

QStringList MidiHub::outputPortChoices(quint32 port, qint32* position, bool closeWhenMissing)
{
    if (port > 1)
        return {};
    m_shown[slot(false, port)] = choices(m_outputs[port].get(), position, closeWhenMissing);
    return m_shown[slot(false, port)];
}

template <typename Port> bool MidiHub::openChosen(Port* port, bool input, quint32 number, quint32 deviceIndex)
{
    Choice& choice = m_choices[slot(input, number)];
    choice = Choice();
    port->close();
    if (deviceIndex == NoDevice)
        return true;
    // The index refers to the list the caller was shown. The port's own list may have been
    // listed afresh since (devices came or went), so the device is found again by its name and
    // by which of equal names it was.
    QStringList shown = m_shown[slot(input, number)];
    if (shown.isEmpty())
        shown = QStringList{Midi::NotConnected} + port->deviceNames();
    if (deviceIndex > quint32(INT_MAX) || qint32(deviceIndex) + 1 >= shown.size())
        return false;
    const qint32 at = qint32(deviceIndex) + 1;
    const QString name = shown.at(at);
    const int occurrence = shown.mid(1, at - 1).count(name);
    const QStringList fresh = port->enumerateDevices();
    qint32 index = -1;
    for (int i = 0, seen = 0; i < fresh.size(); ++i) {
        if (fresh.at(i) == name && seen++ == occurrence) {
            index = i;
            break;
        }
    }
    if (index < 0 || port->open(index) != 0)
        return false;
    choice.device = name;
    return true;
}

bool MidiHub::openInputPort(quint32 port, quint32 deviceIndex)
{
    return port < 2 && openChosen(m_inputs[port].get(), true, port, deviceIndex);
}

bool MidiHub::openOutputPort(quint32 port, quint32 deviceIndex)
{
    return port < 2 && openChosen(m_outputs[port].get(), false, port, deviceIndex);
}

bool MidiHub::closeInputPort(quint32 port)
{
    if (port > 1)
        return false;
    m_choices[slot(true, port)] = Choice();
    return m_inputs[port]->close() == 0;
}

bool MidiHub::closeOutputPort(quint32 port)
{
    if (port > 1)
        return false;
    m_choices[slot(false, port)] = Choice();
    return m_outputs[port]->close() == 0;
}

qint32 MidiHub::reopenInputPort(quint32 port, const QString& savedName)
{
    if (port > 1)
        return 0;
    const QString name = m_service ? m_service->listedName(savedName) : savedName;
    m_choices[slot(true, port)] = Choice();
    if (!name.isEmpty() && name != Midi::NotConnected)
        m_choices[slot(true, port)].device = name;
    return reopen(m_inputs[port].get(), name);
}

qint32 MidiHub::reopenOutputPort(quint32 port, const QString& savedName)
{
    if (port > 1)
        return 0;
    const QString name = m_service ? m_service->listedName(savedName) : savedName;
    m_choices[slot(false, port)] = Choice();
    if (!name.isEmpty() && name != Midi::NotConnected)
        m_choices[slot(false, port)].device = name;
    return reopen(m_outputs[port].get(), name);
}

QString MidiHub::inputPortName(quint32 port) const
{
    return port < 2 ? m_inputs[port]->getPortName() : Midi::NotConnected;
}

QString MidiHub::outputPortName(quint32 port) const
{
    return port < 2 ? m_outputs[port]->getPortName() : Midi::NotConnected;
}

QString MidiHub::chosenInputDevice(quint32 port) const
{
    return port < 2 ? m_choices[slot(true, port)].device : QString();
}

QString MidiHub::chosenOutputDevice(quint32 port) const
{
    return port < 2 ? m_choices[slot(false, port)].device : QString();
}

bool MidiHub::inputDevicePresent(quint32 port) const
{
    return port < 2 && !m_choices[slot(true, port)].device.isEmpty() && m_inputs[port]->isConnected();
}

bool MidiHub::outputDevicePresent(quint32 port) const
{
    return port < 2 && !m_choices[slot(false, port)].device.isEmpty() && m_outputs[port]->isConnected();
}

bool MidiHub::serverRunning() const
{
    return m_serverRunning;
}

QString MidiHub::deviceChangeText(bool input, quint32 port, const QString& device, bool present)
{
    const QString where =
        QStringLiteral("Port%1 %2").arg(port + 1).arg(input ? QStringLiteral("In") : QStringLiteral("Out"));
    return present ? QStringLiteral("%1: %2 is back").arg(where, device)
                   : QStringLiteral("%1: %2 is gone, waiting for it").arg(where, device);
}

QString MidiHub::serverChangeText(bool running) const
{
    const QString api = m_service ? m_service->apiName().toUpper() : QString();
    return running ? QStringLiteral("The %1 server is back; MIDI ports reopen by name.").arg(api)
                   : QStringLiteral("The %1 server stopped; MIDI ports are closed.").arg(api);
}

Midi* MidiHub::portAt(int index) const
{
    return index < 2 ? static_cast<Midi*>(m_inputs[index].get()) : m_outputs[index - 2].get();
}

void MidiHub::rescan()
{
    if (!m_service)
        return;
    const bool running = m_service->serverRunning();
    const quint64 restarts = m_service->serverRestarts();
    // A server that stopped and started again between two looks still counts as having stopped.
    const bool restarted = restarts != m_serverRestarts;
    m_serverRestarts = restarts;
    const bool wasRunning = m_serverRunning;
    m_serverRunning = running;

    const QStringList inputs = running ? deviceNamesOf(m_service->inputDevices()) : QStringList();
    const QStringList outputs = running ? deviceNamesOf(m_service->outputDevices()) : QStringList();
    QVector<Change> changes;
    bool again = false;
    for (quint32 port = 0; port < 2; ++port)
        again = rescanPort(true, port, inputs, restarted || !running, &changes) || again;
    for (quint32 port = 0; port < 2; ++port)
        again = rescanPort(false, port, outputs, restarted || !running, &changes) || again;
    if (again && !m_retry.isActive())
        m_retry.start();

    if (wasRunning && (!running || restarted))
        Q_EMIT serverRunningChanged(false);
    if (running && (!wasRunning || restarted))
        Q_EMIT serverRunningChanged(true);
    for (const Change& c : qAsConst(changes))
        Q_EMIT portDeviceChanged(c.input, c.port, c.device, c.present);
    for (quint32 port = 0; port < 2; ++port) {
        const quint64 overflows = m_inputs[port]->overflows();
        if (overflows > m_overflowsTold[port])
            Q_EMIT inputOverflowed(port);
        m_overflowsTold[port] = overflows;
    }
}

QString MidiHub::overflowText(quint32 port)
{
    return QStringLiteral("Port%1 In: messages lost (input overflow)").arg(port + 1);
}

bool MidiHub::rescanPort(bool input, quint32 port, const QStringList& listed, bool serverLost,
                         QVector<Change>* changes)
{
    Choice& choice = m_choices[slot(input, port)];
    if (choice.device.isEmpty())
        return false;
    const bool isListed = listed.contains(choice.device);
    Midi* const midi = portAt(slot(input, port));
    if (midi->isConnected()) {
        const bool lost = input ? m_inputs[port]->deviceLost() : m_outputs[port]->deviceLost();
        if (!lost && isListed)
            return false;
        if (input)
            m_inputs[port]->close();
        else
            m_outputs[port]->close();
        choice.failedOpens = 0;
        // A server that stopped is told once, for all ports.
        if (!serverLost)
            changes->append(Change{input, port, choice.device, false});
        // Someone else removed the connection; the device itself is still there. Taking it back
        // at once would undo what they did: wait until the device has gone and come back. A peer
        // that quits drops its connections before its ports, so look once more: by then a device
        // that was going is no longer listed, and the wait ends with it.
        if (isListed && !serverLost) {
            choice.awaitRelisting = true;
            return true;
        }
    }
    if (!isListed) {
        choice.failedOpens = 0;
        choice.awaitRelisting = false;
        return false;
    }
    if (choice.awaitRelisting || choice.failedOpens >= maxFailedOpens)
        return false;
    const qint32 opened = input ? m_inputs[port]->open(choice.device) : m_outputs[port]->open(choice.device);
    if (opened == 0) {
        choice.failedOpens = 0;
        changes->append(Change{input, port, choice.device, true});
        return false;
    }
    ++choice.failedOpens;
    return choice.failedOpens < maxFailedOpens;
}

namespace {

// True when, after these bytes, a system-exclusive message is still open on the port: an F0
// opens one, F7 or any other status byte ends it, real-time bytes leave it as it is.
bool leavesSysExOpen(bool wasOpen, const quint8* bytes, quint32 length)
{
    bool open = wasOpen;
    for (quint32 i = 0; i < length; ++i) {
        const quint8 b = bytes[i];
        if (b == 0xF0)
            open = true;
        else if (b >= 0x80 && b < 0xF8)
            open = false;
    }
    return open;
}

bool onGuiThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace

bool MidiHub::sendToOutputPorts(const quint8* bytes, quint32 length, quint8 labelKind, quint32 portSelection,
                                bool skipPacing, bool forceLong, quint64 passThrough, bool direct,
                                quint32* sendTimeOut)
{
    MidiBulkIntervalManager* const bulk = m_bulk.load();
    if (!bulk || portSelection > 2 || !bytes || length == 0)
        return false;
    if (direct && (portSelection == 2 || length > 0xFFFF))
        return false;

    const quint32 first = portSelection == 2 ? 0 : portSelection;
    const quint32 last = portSelection == 2 ? 1 : portSelection;
    MidiOutMonitor* const monitor = direct ? nullptr : m_monitor.load();
    auto pieceMonitor = [monitor, labelKind](quint32 port) {
        return [monitor, labelKind, port](const quint8* piece, quint32 n, quint32 stamp) {
            if (monitor)
                monitor->appendTransmitted(piece, n, stamp, labelKind, port);
        };
    };

    // Real-time messages may go between the pieces of a dump: they need no turn.
    const bool realTime = length == 1 && bytes[0] >= 0xF8;
    // The GUI thread never waits for a dump on its way: its message waits in the port's queue. Nor
    // does thru (direct): a receive thread waiting for a port that another receive thread's
    // forwarded dump holds would keep that thread from the rest of its dump.
    const bool mayWait = !direct && !onGuiThread();
    MidiOutputPort::Turn turns[2] = {MidiOutputPort::Turn::Queued, MidiOutputPort::Turn::Queued};
    bool wasOpen[2] = {false, false};
    quint32 queuedStamp = 0;
    for (quint32 p = first; p <= last; ++p) {
        if (realTime) {
            turns[p] = MidiOutputPort::Turn::Taken;
            continue;
        }
        MidiOutputPort::Deferred deferred;
        if (!mayWait) {
            deferred.bytes = QByteArray(reinterpret_cast<const char*>(bytes), int(length));
            deferred.forceLong = forceLong;
            deferred.passThrough = passThrough;
            deferred.piece = pieceMonitor(p);
        }
        turns[p] = m_outputs[p]->takeTurn(mayWait, &deferred);
        wasOpen[p] = turns[p] == MidiOutputPort::Turn::Own;
        if (turns[p] == MidiOutputPort::Turn::Queued)
            queuedStamp = m_outputs[p]->currentTimeStamp();
    }

    // A port that failed a piece gets nothing more: the rest would arrive without its beginning.
    bool failed[2] = {false, false};
    bool sending[2] = {false, false};
    for (quint32 p = first; p <= last; ++p) {
        sending[p] = turns[p] != MidiOutputPort::Turn::Queued && turns[p] != MidiOutputPort::Turn::Refused;
        failed[p] = turns[p] == MidiOutputPort::Turn::Refused;
    }
    quint32 directStamp = queuedStamp;
    const quint32 pieceSize = direct ? length : MidiOutputPort::PieceSize;
    for (quint32 offset = 0; offset < length && (sending[0] || sending[1]); offset += pieceSize) {
        const quint32 n = qMin(pieceSize, length - offset);
        // Later pieces continue one system-exclusive transfer and never begin with 0xF0.
        const bool asLong = offset == 0 ? forceLong : true;
        bool anySending = false;
        for (quint32 p = first; p <= last; ++p) {
            if (!sending[p] || failed[p])
                continue;
            if (m_refusing.load()) {
                failed[p] = true;
                continue;
            }
            quint32 stamp = 0;
            if (m_outputs[p]->send(bytes + offset, n, &stamp, asLong, passThrough) == 0) {
                if (monitor)
                    monitor->appendTransmitted(bytes + offset, n, stamp, labelKind, p);
                directStamp = stamp;
                anySending = true;
            } else {
                failed[p] = true;
            }
        }
        if (!anySending)
            break;
    }
    for (quint32 p = first; p <= last; ++p) {
        if (!realTime && sending[p])
            m_outputs[p]->endTurn(!failed[p] && leavesSysExOpen(wasOpen[p], bytes, length));
    }
    if (direct && sendTimeOut && !failed[first])
        *sendTimeOut = directStamp;
    if (!skipPacing && !direct)
        bulk->pauseAfter(bytes, length);
    // A queued message counts as sent: it goes out, in order, once the port is free.
    for (quint32 p = first; p <= last; ++p) {
        if (!failed[p])
            return true;
    }
    return false;
}
