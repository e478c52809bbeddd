#pragma once

#include "ModelAssistant.h"

#include <QElapsedTimer>
#include <QtGlobal>

#include <atomic>

class Model;

// Inserts the pause after bulk data: after every transmission whose last byte is 0xF7, the sending
// thread waits for the milliseconds of parameter 501 (ParamBulkInterval), while the parser
// preference (1207 ParamParser) is on.
//
// Threads: parameterChanged and setActive run on the GUI thread; pauseAfter runs on whichever
// thread transmits and blocks only that thread. The settings are atomics, read without a lock.
// The pause sleeps until about a millisecond before its end and then yields until the end, so it
// costs no core and still never ends before the interval has passed.
class MidiBulkIntervalManager : public ModelAssistant
{
public:
    explicit MidiBulkIntervalManager(Model* model);
    ~MidiBulkIntervalManager() override;

    MidiBulkIntervalManager(const MidiBulkIntervalManager&) = delete;
    MidiBulkIntervalManager& operator=(const MidiBulkIntervalManager&) = delete;

    void parameterChanged(qint32 id) override;
    // false: no pauses (while all views are being closed); true: the interval of 501 again.
    void setActive(bool active);
    // Pauses when the data ends with 0xF7, pausing is on and the interval is at least 1 ms.
    void pauseAfter(const quint8* bytes, quint32 length);

    qint32 interval() const;
    bool isEnabled() const;
    // Pauses made so far.
    quint64 pauseCount() const;

private:
    Model* m_model;
    std::atomic<qint32> m_interval{0};
    QElapsedTimer m_stopwatch;
    std::atomic<bool> m_enabled{false};
    std::atomic<quint64> m_pauses{0};
};
