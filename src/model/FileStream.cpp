#include "FileStream.h"

#include <QByteArray>
#include <QDataStream>
#include <QIODevice>

namespace {

bool readInt(QDataStream& stream, qint32* value)
{
    qint32 read = 0;
    stream >> read;
    if (stream.status() != QDataStream::Ok)
        return false;
    *value = read;
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
    qint32 readTag = 0;
    qint32 size = 0;
    qint32 readValue = 0;
    if (!readInt(stream, &readTag) || readTag != tag)
        return false;
    if (!readInt(stream, &size) || size != 4)
        return false;
    if (!readInt(stream, &readValue))
        return false;
    if (value != nullptr)
        *value = readValue;
    return true;
}

bool FileStream::writeStringField(QDataStream& stream, qint32 tag, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    stream << tag << qint32(bytes.size());
    if (bytes.isEmpty())
        return false;
    return stream.writeRawData(bytes.constData(), bytes.size()) == bytes.size() &&
           stream.status() == QDataStream::Ok;
}

bool FileStream::readStringField(QDataStream& stream, qint32 tag, QString* text)
{
    if (text != nullptr)
        *text = QString();
    qint32 readTag = 0;
    qint32 length = 0;
    if (!readInt(stream, &readTag) || readTag != tag)
        return false;
    if (!readInt(stream, &length))
        return false;
    if (length < 1) {
        if (text != nullptr)
            *text = QStringLiteral("");
        return true;
    }
    // A damaged length must not turn into a huge allocation: never reserve more than the stream
    // still holds, and read a sequential device in bounded steps.
    const qint64 left = bytesLeft(stream);
    if (left >= 0 && length > left)
        return false;
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
