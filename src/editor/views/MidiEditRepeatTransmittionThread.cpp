#include "MidiEditRepeatTransmittionThread.h"

#include <QElapsedTimer>

MidiEditRepeatTransmittionThread::MidiEditRepeatTransmittionThread(Model* aModel, MidiSender* aSender,
                                                                   QObject* parent)
    : MidiEditTransmittionThread(aModel, aSender, parent)
{
}

MidiEditRepeatTransmittionThread::~MidiEditRepeatTransmittionThread()
{
    // The worker runs this class's run(); it has to end before this part of the object goes.
    active = false;
    stopAndWait();
}

void MidiEditRepeatTransmittionThread::run()
{
    QString text;
    // The request may still be on its way when the worker starts.
    while (!isStopRequested() && active && text.isEmpty()) {
        if (!takeRequest(&text))
            waitForWork(-1);
    }
    while (!isStopRequested() && active) {
        transmitText(text);
        if (failed)
            return;
        ++cycles;
        pause();
    }
    if (!isStopRequested())
        endTransmission();
}

void MidiEditRepeatTransmittionThread::transmitText(const QString& text)
{
    failed = !transmissionRoutine(text);
}

void MidiEditRepeatTransmittionThread::pause()
{
    QElapsedTimer clock;
    clock.start();
    QMutexLocker lock(&mutex);
    while (!isStopRequested() && active) {
        const qint64 left = interval - clock.elapsed();
        if (left <= 0)
            break;
        condition.wait(&mutex, static_cast<unsigned long>(left));
    }
}
