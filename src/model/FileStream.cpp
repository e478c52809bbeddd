#include "FileStream.h"

#include <QByteArray>
#include <QDataStream>
#include <QIODevice>
#include <QtEndian>

namespace {

// The integers at the start of the next field, without taking them from the stream: a field that
// turns out not to be the one asked for must stay for the next reader. False when fewer than count
// integers are left.
bool peekInts(QDataStream& stream, qint32* values, int count)
{
    QIODevice* device = stream.device();
    if (device == nullptr || stream.status() != QDataStream::Ok)
        return false;
    char raw[3 * sizeof(qint32)];
    Q_ASSERT(count >= 1 && count <= 3);
    const qint64 wanted = qint64(count) * qint64(sizeof(qint32));
    if (device->peek(raw, wanted) != wanted)
        return false;
    for (int i = 0; i < count; ++i) {
        const char* at = raw + i * sizeof(qint32);
        values[i] = stream.byteOrder() == QDataStream::BigEndian ? qFromBigEndian<qint32>(at)
                                                                 : qFromLittleEndian<qint32>(at);
    }
    return true;
}

// How many bytes are left to read, or -1 when the device cannot tell (a sequential device).
qint64 bytesLeft(QDataStream& stream)
{
    QIODevice* device = stream.device();
    if (device == nullptr)
        return 0;
    if (device->isSequential())
        return -1;
    return device->size() - device->pos();
}

} // namespace

bool FileStream::writeIntField(QDataStream& stream, qint32 tag, qint32 value)
{
    stream << tag << qint32(4) << value;
    return true;
}

bool FileStream::readIntField(QDataStream& stream, qint32 tag, qint32* value)
{
    if (value != nullptr)
        *value = 0;
    qint32 field[3] = {0, 0, 0};
    if (!peekInts(stream, field, 3) || field[0] != tag || field[1] != 4)
        return false;
    stream.skipRawData(int(sizeof(field)));
    if (value != nullptr)
        *value = field[2];
    return true;
}

bool FileStream::writeStringField(QDataStream& stream, qint32 tag, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    stream << tag << qint32(bytes.size());
    if (!bytes.isEmpty() && stream.writeRawData(bytes.constData(), bytes.size()) != bytes.size())
        return false;
    return stream.status() == QDataStream::Ok;
}

bool FileStream::readStringField(QDataStream& stream, qint32 tag, QString* text)
{
    if (text != nullptr)
        *text = QString();
    qint32 header[2] = {0, 0};
    if (!peekInts(stream, header, 2) || header[0] != tag)
        return false;
    const qint32 length = header[1];
    // A damaged length must not turn into a huge allocation, nor take the field away when its text
    // is not all there.
    const qint64 left = bytesLeft(stream);
    if (length > 0 && left >= 0 && qint64(length) + qint64(sizeof(header)) > left)
        return false;
    stream.skipRawData(int(sizeof(header)));
    if (length < 1) {
        if (text != nullptr)
            *text = QStringLiteral("");
        return true;
    }
    // A sequential device cannot tell what is left: read it in bounded steps.
    QByteArray bytes;
    constexpr qint32 Step = 1 << 20;
    qint32 done = 0;
    while (done < length) {
        const qint32 chunk = qMin(Step, length - done);
        bytes.resize(done + chunk);
        if (stream.readRawData(bytes.data() + done, chunk) != chunk)
            return false;
        done += chunk;
    }
    if (text != nullptr)
        *text = QString::fromUtf8(bytes);
    return true;
}
