#pragma once

#include "ClockTempoMeter.h"
#include "MidiLogWriter.h"
#include "MidiMessage.h"
#include "MidiMessageFilter.h"
#include "MidiMessageParser.h"

#include "ActivityCounter.h"
#include "MidiOutMonitor.h"
#include "ModelAssistant.h"

#include <QByteArray>
#include <QObject>
#include <QRecursiveMutex>
#include <QString>

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

class MidiSender;
class Model;

// Turns MIDI bytes into monitor text: the receiver of both input ports (thru routing, MIDI Out
// lines for what was forwarded, MIDI In lines after the monitor filter, tempo of received clocks),
// the monitor of everything the program sends, the store of monitor text between two ticks of the
// main window's refresh timer, and the producer of the log files' lines.
//
// Threads: receiveData runs on the receive thread of each input port; appendTransmitted on
// whichever thread sends (GUI, editor transmission threads, clock and active-sensing threads);
// takeMonitorText, the log commands and parameter changes on the GUI thread. One recursive mutex
// serialises the parsers, filter, tempo meter, cached settings and pending text. It is only ever
// held for formatting and copying: forwarding calls the sender outside it (an output port may take
// up to a second to accept a long message), and log lines are handed to MidiLogWriter's backlog,
// whose own thread does the disk I/O. So the GUI thread never waits on a port or a disk when it
// collects text. A second lock, taken only by the receive threads, spans each block's thru sends
// and its Out lines, so forwarded data appears on the Out monitor in the order it was sent (lock
// order: thru lock, then the mutex). The failure signals are emitted on the log writer's thread;
// connect them queued.
class MidiAnalyzer : public QObject, public ModelAssistant, public MidiOutMonitor
{
    Q_OBJECT

public:
    // Lines of one piece carry at most this many bytes; pending lists hold at most this many lines.
    static constexpr int MaximumLineBytes = 4096;
    static constexpr int MaximumPendingLines = 4096;

    // Registers with the model for parameter changes; model must outlive the analyzer.
    explicit MidiAnalyzer(Model* model, QObject* parent = nullptr);
    ~MidiAnalyzer() override;

    // Where thru data goes; null (the default) forwards nothing. Waits for a thru send in progress,
    // so after it returns the previous sender is not used again (set null before destroying it).
    // Not to be called from inside the sender.
    void setSender(MidiSender* sender);

    // bytes/count: one received record as the input ports deliver it: one whole message (a status
    // byte other than F0 and F7 first) or one piece of a system-exclusive message (the first
    // beginning with F0, the last ending with F7; pieces of one message come in order, other
    // messages may come between them). stamp: milliseconds since local midnight; hostStamp:
    // handed on with forwarded data; port: 0 Port1, 1 Port2 (any other port is ignored).
    void receiveData(const quint8* bytes, quint16 count, quint32 stamp, quint64 hostStamp, quint32 port);

    // The receiver the input ports call; context is the analyzer.
    static void receiveCallback(void* context, const quint8* bytes, quint16 length, quint32 stamp,
                                quint64 hostStamp, quint32 port);

    // Where the MIDI In lines go instead of the monitor store, for a program that prints every line
    // as it comes (the store keeps the last MaximumPendingLines only, and the system-exclusive text
    // is not gathered either). Called under the analyzer's lock on the thread that passes the data
    // in, with one line without its line feed. Set before data flows; null restores the store.
    using LineSink = std::function<void(const char* line, int length)>;
    void setInLineSink(LineSink sink);

    // MidiOutMonitor: one successfully sent piece.
    void appendTransmitted(const quint8* bytes, quint32 count, quint32 stamp, quint8 kind,
                           quint32 port) override;

    // Hands over and clears everything gathered since the last call. Each line of the In and Out
    // texts begins with a line feed; counts are data bytes. True when any count is non-zero.
    bool takeMonitorText(QByteArray& inText, quint32& inCount, QByteArray& sysExText, quint32& sysExCount,
                         QByteArray& outText, quint32& outCount);
    // Drops the pending MIDI Out lines (after the views were closed for a new or loaded project).
    void discardTransmittedText();

    bool openReceivedLogFile(const QString& path);
    bool openTransmittedLogFile(const QString& path);
    bool closeReceivedLogFile();
    bool closeTransmittedLogFile();
    // Whether a log file of that direction is open now (one whose failure was reported is not).
    bool hasReceivedLogFile() const;
    bool hasTransmittedLogFile() const;
    // Blocks until every line produced so far is in the open log files (tests, benchmarks).
    void waitForLogFiles();

    // Tenths of BPM; 0 while there is no valid measurement.
    qint32 receivedTempo();
    void advanceTempoIdleTime(quint32 microseconds);

    void parameterChanged(qint32 id) override;

Q_SIGNALS:
    void writeTransmittedDataFailedToTextFile();
    void writeReceivedDataFailedToTextFile();

private:
    enum Direction
    {
        In = 0,
        Out = 1
    };

    // Lines of one direction: one contiguous text plus the lengths of its lines, so that dropping
    // the oldest line is an offset move and collecting is a swap.
    struct PendingLines
    {
        QByteArray text;
        int head = 0;
        quint32 lengths[MaximumPendingLines] = {};
        int first = 0;
        int lineCount = 0;
        quint32 byteCount = 0;

        void append(const char* line, int length);
        void clear();
    };

    void readSetting(qint32 id);
    void letCollectorFirst() const;
    void writeMessage(int direction, const MidiMessage& message, quint32 stamp, quint32 port);
    void writeLines(int direction, quint8 kind, const quint8* bytes, quint32 count, quint32 stamp,
                    quint32 port);
    void writePiece(int direction, quint8 kind, const quint8* bytes, int count, quint32 stamp, quint32 port);
    void captureSysEx(const QByteArray& bytes);
    int formatDetails(char* out, quint8 kind, const quint8* bytes, int count) const;
    void logWriteFailed(int direction);

    // Per port: the pieces of system-exclusive messages, and whole messages.
    MidiMessageParser inParsers[2];
    MidiMessageParser outParsers[2];
    MidiMessageParser inShortParsers[2];
    MidiMessageParser outShortParsers[2];
    MidiMessageFilter filter;
    ClockTempoMeter tempoMeter;
    QRecursiveMutex mutex;
    std::mutex thruMutex;
    // Set while the GUI thread waits for the mutex: producers stand back so that a flood of data
    // cannot keep re-taking the lock ahead of it.
    ActivityCounter collectorsWaiting;

    QByteArray pendingSysEx;
    quint32 pendingSysExCount = 0;
    PendingLines pendingIn;
    PendingLines pendingOut;

    qint32 thruPort1 = 0;
    qint32 thruPort2 = 0;
    bool showTime = false;
    bool showDetails = false;
    bool parserOn = true;
    qint32 middleC = 0;
    qint32 timeFormat = 0;
    Model* model = nullptr;
    bool monitorPort1 = true;
    bool monitorPort2 = true;
    qint32 programNumberBase = 1;

    MidiSender* sender = nullptr;
    LineSink inLineSink;
    const QByteArray* controllerNames; // 128 UTF-8 names, shared by all analyzers
    std::vector<char> lineBuffer;
    MidiLogWriter logWriter;
};
