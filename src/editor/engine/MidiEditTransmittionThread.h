#pragma once

#include "MidiMessageParser.h"
#include "ModelAssistant.h"
#include "WorkerThread.h"

#include <QMutex>
#include <QString>
#include <QWaitCondition>

#include <atomic>

class MidiSender;
class Model;

// Turns the hexadecimal text of an editor view into MIDI bytes and sends them to both output
// ports, reporting start, progress and end with queued signals. A text whose digits do not all
// make bytes is refused whole; bytes that make no complete message are counted and reported.
//
// Threads. The object lives on the GUI thread; requestTransmission, stopTransmission, the model
// notification and release are called there and never wait for the worker: they only write
// atomics or take the request mutex, which the worker holds for no more than the hand-over of the
// pending text. The worker thread runs the transmission routine: it owns the parser (emptied at
// the start and end of every text, so that texts never run into each other), reads the settings the GUI
// thread left in atomics, calls the sender and checks the active flag after every message and piece, so a
// stop takes effect at the next boundary. It never touches a widget or the model.
//
// Long messages. A message longer than PieceBytes is cut here, not in the sender, and sent piece by
// piece to each port, so that progress is reported and a stop honoured between pieces of one
// message too (a firmware dump is often a single message of megabytes). A system-exclusive message
// cut short by a stop is closed with F7, so that the receiver's parser does not stay inside it.
//
// Lifetime. The worker is started by the first request (a view that never transmits costs no
// thread). An owner that goes away while a transmission runs calls release() (WorkerThread)
// instead of deleting: the object stops, forgets its owner and the model, and deletes itself on
// the GUI thread once its worker has ended.
class MidiEditTransmittionThread : public WorkerThread, public ModelAssistant
{
    Q_OBJECT

public:
    // Result codes of finishTransmittion.
    static constexpr qint32 Finished = 0;
    static constexpr qint32 Stopped = 1;
    static constexpr qint32 Failed = 2;

    // Texts are cut into pieces of this many bytes (twice as many digits).
    static constexpr int PieceBytes = 4096;

    // sender: where the bytes go (usually the view host); not owned, may be null (every
    // send then fails). Both must outlive the worker; see WorkerThread::finishReleased.
    MidiEditTransmittionThread(Model* model, MidiSender* sender, QObject* parent = nullptr);
    // Stops the worker and waits for it: only for an object whose worker is idle or known to end
    // soon. Owners in a hurry call release().
    ~MidiEditTransmittionThread() override;

    virtual void requestTransmission(const QString& text);
    virtual void stopTransmission();
    void setBulkIntervalBypass(bool bypass);

    void parameterChanged(qint32 id) override;

Q_SIGNALS:
    void startTransmittion(quint32 total);
    void transmittionProgress(quint32 sent);
    void finishTransmittion(qint32 result);
    // Sent before the end of a transmission that sent something but left these bytes of its text
    // out (they made no complete message). A text that sent nothing fails instead.
    void bytesLeftOut(quint32 count);

protected:
    void run() override;
    void detach() override;
    void wake() override;
    // Runs the routine and reports its end once.
    virtual void transmitText(const QString& text);
    // The failure path: drops any partial message and reports Failed, or Stopped when a stop
    // request cleared the active flag.
    virtual void endTransmission();

    // The routine itself; false when it ended through endTransmission: a send failed, a stop, a
    // text that is not whole bytes of hexadecimal digits, or one of which nothing could be sent.
    bool transmissionRoutine(const QString& text);
    // Takes the pending request; false when there is none. Worker thread.
    bool takeRequest(QString* text);
    // Sleeps until a request, a stop or the quit flag, at most msecs (-1: no limit). Worker thread.
    void waitForWork(int msecs);

    QWaitCondition condition;
    QMutex mutex;
    std::atomic<bool> active{false};

private:
    void applySettings();
    bool sendBytes(const quint8* bytes, quint32 count, quint8 kind, bool forceLong);
    // Sends one message, cut into pieces when long, adding what went out to total and reporting
    // it after every piece; false on a failure or a stop (after closing a cut system-exclusive
    // message).
    bool sendMessage(const quint8* bytes, quint32 count, quint8 kind, bool forceLong, quint32* total);
    // Sends F7 to the ports still taking the message, when a stop cut a system-exclusive message.
    void closeCutMessage(const bool* portFailed);
    // Follows the bytes that went out unparsed, so that a stop knows whether it cut a dump.
    void trackRawBytes(const quint8* bytes, quint32 count);

    MidiMessageParser parser;
    QString pending;
    bool hasRequest = false;
    std::atomic<bool> parserSetting{true};
    bool parserOn = true; // worker's copy
    std::atomic<bool> bulkBypass{false};
    // Worker only: a system-exclusive message has begun on the wire and not ended.
    bool dumpOpen = false;
    Model* model;
    MidiSender* sender;
};
