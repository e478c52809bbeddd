#pragma once

#include "MidiEditTransmittionThread.h"

#include <atomic>

// Sends the same text over and over with a pause between cycles until it is stopped. The pause
// is measured from the end of one cycle to the start of the next, so the period is the interval
// plus the time a cycle takes.
//
// Threads. As for the base class: the GUI thread requests, stops and releases; the worker runs the
// cycles. The pause is a wait on the condition with a deadline, so it costs no core, and a stop,
// a release or the object's destruction wakes it at once. The worker ends on its own after a stop
// (reporting Stopped) or a failed cycle (reporting Failed); the owner then releases or deletes it
// without waiting for more than the end of the current send.
class MidiEditRepeatTransmittionThread : public MidiEditTransmittionThread
{
    Q_OBJECT

public:
    MidiEditRepeatTransmittionThread(Model* model, MidiSender* sender, QObject* parent = nullptr);
    ~MidiEditRepeatTransmittionThread() override;

    // Milliseconds between the end of one cycle and the start of the next; set before the request.
    void setInterval(qint32 milliseconds) { interval = milliseconds; }
    qint32 repeatInterval() const { return interval; }

    // Cycles run so far (for the owner's display and for tests).
    quint32 cycleCount() const { return cycles; }

protected:
    void run() override;
    // One cycle: the routine without a report of its own end.
    void transmitText(const QString& text) override;

private:
    void pause();

    std::atomic<qint32> interval{0};
    std::atomic<quint32> cycles{0};
    bool failed = false;
};
