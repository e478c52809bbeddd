#pragma once

// Byte helpers and the loopback device names shared by the MIDI tests.
#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <QString>
#include <QThread>

#include <atomic>
#include <initializer_list>

inline const QString loopA = QStringLiteral("Loopback A");
inline const QString loopB = QStringLiteral("Loopback B");

inline QByteArray bytesOf(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

inline const quint8* data(const QByteArray& a)
{
    return reinterpret_cast<const quint8*>(a.constData());
}

// A system-exclusive message of total bytes, filled between 0xF0 and 0xF7.
inline QByteArray sysex(int total, char fill = 0x11)
{
    QByteArray message(total, fill);
    message[0] = char(0xF0);
    message[total - 1] = char(0xF7);
    return message;
}

// A system-exclusive message of total bytes whose data bytes vary with their position.
inline QByteArray dumpOf(int total, int step = 7)
{
    QByteArray dump(total, 0);
    dump[0] = char(0xF0);
    for (int i = 1; i < total - 1; ++i)
        dump[i] = char((i * step + i / 127) & 0x7F);
    dump[total - 1] = char(0xF7);
    return dump;
}

// Collects what a receive thread hands over, for the test thread to read; delayMs makes it a slow
// receiver.
struct RecordSink
{
    QMutex mutex;
    QList<QByteArray> records;
    QList<quint32> stamps, ports;
    QList<quint64> hostStamps;
    std::atomic<int> calls{0};
    std::atomic<int> delayMs{0};

    static void receive(void* context, const quint8* bytes, quint16 length, quint32 stamp, quint64 hostStamp,
                        quint32 port)
    {
        auto* sink = static_cast<RecordSink*>(context);
        if (sink->delayMs > 0)
            QThread::msleep(sink->delayMs);
        QMutexLocker lock(&sink->mutex);
        sink->records.append(QByteArray(reinterpret_cast<const char*>(bytes), length));
        sink->stamps.append(stamp);
        sink->hostStamps.append(hostStamp);
        sink->ports.append(port);
        ++sink->calls;
    }
    bool has(const QByteArray& record)
    {
        QMutexLocker lock(&mutex);
        return records.contains(record);
    }
    int count()
    {
        QMutexLocker lock(&mutex);
        return records.size();
    }
    QList<QByteArray> take()
    {
        QMutexLocker lock(&mutex);
        QList<QByteArray> out;
        out.swap(records);
        stamps.clear();
        ports.clear();
        hostStamps.clear();
        return out;
    }
};
