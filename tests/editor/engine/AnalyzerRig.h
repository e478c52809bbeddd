#pragma once

#include "FakeMidiSender.h"
#include "HexBytes.h"
#include "MidiAnalyzer.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"

#include <QStringList>

// A model, an analyzer fed by the test and a fake sender for its thru path.
struct AnalyzerRig
{
    struct Text
    {
        bool any = false;
        QString in;
        quint32 inCount = 0;
        QString sysEx;
        quint32 sysExCount = 0;
        QString out;
        quint32 outCount = 0;
    };

    VantelMidiModel model;
    MidiAnalyzer analyzer{&model};
    FakeMidiSender sender;

    AnalyzerRig() { analyzer.setSender(&sender); }

    void set(qint32 id, qint32 value) { model.setValue(id, value); }

    // Details and time on, Clock format: the full line.
    void showEverything()
    {
        set(ParamMessageDetail, 1);
        set(ParamTimeStamp, 1);
    }

    void receive(const QString& hex, quint32 stamp = 1234, quint32 port = 0,
                 quint64 hostStamp = 0x1122334455667788ull)
    {
        const QByteArray bytes = hexBytes(hex);
        analyzer.receiveData(byteData(bytes), quint16(bytes.size()), stamp, hostStamp, port);
    }

    void transmit(const QString& hex, quint8 kind, quint32 stamp = 1234, quint32 port = 0)
    {
        const QByteArray bytes = hexBytes(hex);
        analyzer.appendTransmitted(byteData(bytes), quint32(bytes.size()), stamp, kind, port);
    }

    Text take()
    {
        Text text;
        QByteArray in, sysEx, out;
        text.any = analyzer.takeMonitorText(in, text.inCount, sysEx, text.sysExCount, out, text.outCount);
        text.in = QString::fromUtf8(in);
        text.sysEx = QString::fromUtf8(sysEx);
        text.out = QString::fromUtf8(out);
        return text;
    }

    // Monitor text as the views get it: every line starts with a line feed.
    static QString lines(const QStringList& list)
    {
        QString text;
        for (const QString& line : list)
            text += QLatin1Char('\n') + line;
        return text;
    }
};
