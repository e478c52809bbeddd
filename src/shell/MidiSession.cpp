#include "MidiSession.h"

#include "HostMidiService.h"
#include "LoopbackMidiService.h"
#include "MidiAnalyzer.h"
#include "MidiBulkIntervalManager.h"
#include "MidiHub.h"
#include "VantelMidiModel.h"
#include "WorkerThread.h"

namespace {

// The host MIDI service the ports are built on. The entry point chooses it from the command line;
// when nothing has been chosen (a window built by a test or an embedding program), the loopback
// system stands in, as it does for users without a MIDI system.
HostMidiService* midiService()
{
    if (!HostMidiService::instance())
        HostMidiService::install(std::make_unique<LoopbackMidiService>());
    return HostMidiService::instance();
}

} // namespace

MidiSession::MidiSession(VantelMidiModel* aModel) : model(aModel)
{
    midiAnalyzer = std::make_unique<MidiAnalyzer>(model);
    // The client and the four ports, all with the time-stamp bases taken now, so their stamps agree.
    midiHub = std::make_unique<MidiHub>(midiService(), quint16(16384));
    midiHub->setOutMonitor(midiAnalyzer.get());
    sendHub.store(midiHub.get());
}

MidiSession::~MidiSession()
{
    // The hub must not go while a send is inside it: one that outlasted the deadline has been told
    // to stop and ends within a piece's completion timeout, so waiting for it without a deadline
    // is bounded.
    if (!withdraw(5000))
        sendsInFlight.waitIdle(-1);
    midiAnalyzer->setSender(nullptr);
    midiHub.reset();
    midiAnalyzer.reset();
    bulkIntervalManager.reset();
}

void MidiSession::start(MidiSender* thruSender)
{
    midiAnalyzer->setSender(thruSender);
    midiHub->setReceiver(&MidiAnalyzer::receiveCallback, midiAnalyzer.get());
    bulkIntervalManager = std::make_unique<MidiBulkIntervalManager>(model);
    midiHub->setBulkIntervalManager(bulkIntervalManager.get());
}

bool MidiSession::withdraw(int timeoutMs)
{
    if (!sendHub.exchange(nullptr))
        return sendsInFlight.isIdle();
    // The sends already inside stop after the piece on their way; those waiting for a port give up.
    midiHub->refuseSends();
    const bool idle = sendsInFlight.waitIdle(timeoutMs);
    // The closed views' workers were told to stop but may still be between two sends, and they
    // send through here; with the hub withdrawn every further send fails at once, so they end
    // promptly.
    WorkerThread::finishReleased(timeoutMs);
    return idle && sendsInFlight.isIdle();
}

bool MidiSession::sendToOutputPorts(const quint8* bytes, quint32 length, quint8 labelKind,
                                    quint32 portSelection, bool skipPacing, bool forceLong,
                                    quint64 passThrough, bool direct, quint32* sendTimeOut)
{
    // Entered before the hub is read: withdraw clears the pointer first and then waits, so a
    // caller either sees no hub or is waited for.
    ActivityCounter::Scope inFlight(sendsInFlight);
    MidiHub* target = sendHub.load();
    return target && target->sendToOutputPorts(bytes, length, labelKind, portSelection, skipPacing, forceLong,
                                               passThrough, direct, sendTimeOut);
}
