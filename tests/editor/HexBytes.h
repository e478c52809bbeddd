#pragma once

#include <QByteArray>
#include <QString>

// "90 3C 64" <-> bytes, for readable test tables.
inline QByteArray hexBytes(const QString& text)
{
    return QByteArray::fromHex(text.toLatin1());
}

inline QString hexText(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

inline const quint8* byteData(const QByteArray& bytes)
{
    return reinterpret_cast<const quint8*>(bytes.constData());
}

// A system-exclusive message of total bytes, filled between 0xF0 and 0xF7.
inline QByteArray sysExDump(int total, char fill)
{
    QByteArray dump(total, fill);
    dump[0] = char(0xF0);
    dump[total - 1] = char(0xF7);
    return dump;
}
