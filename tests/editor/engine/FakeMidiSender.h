#pragma once

#include "MidiSender.h"

#include <QByteArray>
#include <QMutex>
#include <QMutexLocker>
#include <QVector>

#include <functional>

// Records every send and answers with a fixed stamp per port: 5000 for Port1, 6000 for Port2.
class FakeMidiSender : public MidiSender
{
public:
    struct Call
    {
        QByteArray bytes;
        quint8 labelKind;
        quint32 portSelection;
        bool skipPacing;
        bool forceLong;
        quint64 passThrough;
        bool direct;
        bool hadSendTimeOut;
    };

    bool sendToOutputPorts(const quint8* bytes, quint32 length, quint8 labelKind, quint32 portSelection,
                           bool skipPacing, bool forceLong, quint64 passThrough, bool direct,
                           quint32* sendTimeOut) override
    {
        {
            QMutexLocker lock(&mutex);
            calls.append({QByteArray(reinterpret_cast<const char*>(bytes), int(length)), labelKind,
                          portSelection, skipPacing, forceLong, passThrough, direct, sendTimeOut != nullptr});
        }
        if (duringSend)
            duringSend(portSelection);
        if (sendTimeOut)
            *sendTimeOut = portSelection == 0 ? 5000u : 6000u;
        return portSelection < 2 && accepts[portSelection];
    }

    QVector<Call> takeCalls()
    {
        QMutexLocker lock(&mutex);
        QVector<Call> taken;
        taken.swap(calls);
        return taken;
    }

    bool accepts[2] = {true, true};
    std::function<void(quint32 port)> duringSend;

private:
    QMutex mutex;
    QVector<Call> calls;
};
