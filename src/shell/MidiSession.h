#pragma once

#include "ActivityCounter.h"
#include "MidiSender.h"

#include <QStringList>

#include <atomic>
#include <memory>

class MidiAnalyzer;
class MidiBulkIntervalManager;
class MidiHub;
class VantelMidiModel;

// The MIDI side of the main window for its whole life: the client and the four ports (the hub),
// the message analyzer that receives from the inputs, and the bulk-interval manager; and the one
// send operation of the program, guarded so that the ports can be withdrawn while senders still
// call it.
//
// Threads. Everything but sendToOutputPorts runs on the GUI thread. sendToOutputPorts is called
// from any thread at any time (views, the editor's, clock and active-sensing workers, the
// analyzer's thru path on the receive threads). It takes no lock: it reads the hub through an
// atomic pointer inside an ActivityCounter section, so withdraw() can clear the pointer and wait
// for the sends already inside to come out before the ports go; the hub is only freed once none
// is inside. Each of those is told to stop and then bounded by the output ports' completion
// timeout (one second).
class MidiSession : public MidiSender
{
public:
    // model is not owned and must outlive the session.
    explicit MidiSession(VantelMidiModel* model);
    // Withdraws the send path if that has not happened, then deletes hub, analyzer and manager.
    ~MidiSession() override;

    // Makes the analyzer the receiver of both inputs, sending its thru data through thruSender (the
    // main window), and starts pacing bulk data. After the saved ports were reopened.
    void start(MidiSender* thruSender);
    // Every further send fails at once and the sends in flight are told to stop after their
    // current piece; waits up to timeoutMs for them, then up to as long for workers released by
    // closed views. true when no send is inside any more. GUI thread, at shutdown.
    bool withdraw(int timeoutMs);

    bool sendToOutputPorts(const quint8* bytes, quint32 length, quint8 labelKind, quint32 portSelection,
                           bool skipPacing = false, bool forceLong = false, quint64 passThrough = 0,
                           bool direct = false, quint32* sendTimeOut = nullptr) override;

    MidiHub* hub() const { return midiHub.get(); }
    MidiAnalyzer* analyzer() const { return midiAnalyzer.get(); }
    MidiBulkIntervalManager* bulkManager() const { return bulkIntervalManager.get(); }

private:
    VantelMidiModel* model;
    std::unique_ptr<MidiAnalyzer> midiAnalyzer;
    std::unique_ptr<MidiHub> midiHub;
    std::unique_ptr<MidiBulkIntervalManager> bulkIntervalManager;
    // What sendToOutputPorts uses; null once withdrawn.
    std::atomic<MidiHub*> sendHub{nullptr};
    ActivityCounter sendsInFlight;
};
