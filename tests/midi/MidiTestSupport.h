#pragma once

// Byte helpers and the loopback device names shared by the MIDI tests.
#include <QByteArray>
#include <QString>

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
