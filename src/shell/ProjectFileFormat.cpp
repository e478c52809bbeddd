#include "ProjectFileFormat.h"

#include <QDataStream>
#include <QMetaType>
#include <QString>
#include <QtEndian>

#include <cstring>

namespace {

const char makerField[] = "TESSIK AUDIO";  // 12 characters, then zeros
const char productField[] = "Vantel MIDI"; // 11 characters and a zero are examined
const char versionField[] = "1.7.0";

// Reads big-endian values from a byte range and never past its end: every read says whether the
// bytes were there.
class Cursor
{
public:
    Cursor(const char* begin, qint64 length) : data(begin), size(length) {}

    qint64 left() const { return size - position; }
    bool atEnd() const { return position >= size; }

    bool bytes(qint64 count, const char** at)
    {
        if (count < 0 || count > left())
            return false;
        *at = data + position;
        position += count;
        return true;
    }
    template <typename T> bool integer(T* value)
    {
        const char* at = nullptr;
        if (!bytes(qint64(sizeof(T)), &at))
            return false;
        *value = qFromBigEndian<T>(at);
        return true;
    }

private:
    const char* data;
    qint64 size;
    qint64 position = 0;
};

int versionDigit(char c)
{
    return c >= '0' && c <= '9' ? c - '0' : 0;
}

// One extra value as Qt's data stream encodes a variant: type id, null flag, value. Only the types
// isStorable allows, and only as written by the program (not null).
bool readVariant(Cursor& cursor, QVariant* value)
{
    quint32 type = 0;
    quint8 isNull = 0;
    if (!cursor.integer(&type) || !cursor.integer(&isNull) || isNull != 0)
        return false;
    switch (type) {
    case QMetaType::Bool: {
        qint8 v = 0;
        if (!cursor.integer(&v))
            return false;
        *value = QVariant(v != 0);
        return true;
    }
    case QMetaType::Int: {
        qint32 v = 0;
        if (!cursor.integer(&v))
            return false;
        *value = QVariant(v);
        return true;
    }
    case QMetaType::UInt: {
        quint32 v = 0;
        if (!cursor.integer(&v))
            return false;
        *value = QVariant(v);
        return true;
    }
    case QMetaType::LongLong: {
        qint64 v = 0;
        if (!cursor.integer(&v))
            return false;
        *value = QVariant(qlonglong(v));
        return true;
    }
    case QMetaType::ULongLong: {
        quint64 v = 0;
        if (!cursor.integer(&v))
            return false;
        *value = QVariant(qulonglong(v));
        return true;
    }
    case QMetaType::Double: {
        quint64 bits = 0;
        if (!cursor.integer(&bits))
            return false;
        double v = 0;
        std::memcpy(&v, &bits, sizeof(v));
        *value = QVariant(v);
        return true;
    }
    case QMetaType::QString: {
        // Byte length of the UTF-16 text; all bits set is the null text.
        quint32 length = 0;
        if (!cursor.integer(&length))
            return false;
        if (length == 0xFFFFFFFFu) {
            *value = QVariant(QString());
            return true;
        }
        const char* at = nullptr;
        if ((length & 1u) != 0 || !cursor.bytes(qint64(length), &at))
            return false;
        QString text(int(length / 2), Qt::Uninitialized);
        for (int i = 0; i < text.size(); ++i)
            text[i] = QChar(qFromBigEndian<quint16>(at + 2 * i));
        *value = QVariant(text);
        return true;
    }
    default:
        return false;
    }
}

// int32 R, then R bytes: the seven fields and the extra values filling the rest exactly.
bool readRecord(Cursor& cursor, ProjectFileFormat::Record* record)
{
    qint32 length = 0;
    const char* at = nullptr;
    if (!cursor.integer(&length) || length < 1 || !cursor.bytes(length, &at))
        return false;
    Cursor fields(at, length);
    qint32 stayOnTop = 0, x = 0, y = 0, width = 0, height = 0;
    if (!fields.integer(&record->kind) || !fields.integer(&stayOnTop) || !fields.integer(&x) ||
        !fields.integer(&y) || !fields.integer(&width) || !fields.integer(&height) ||
        !fields.integer(&record->windowState))
        return false;
    // No window had a rectangle near the ends of the integers (where its edges would not be
    // integers any more).
    constexpr qint32 limit = 1 << 28;
    for (qint32 value : {x, y, width, height})
        if (value < -limit || value > limit)
            return false;
    record->stayOnTop = stayOnTop != 0;
    record->geometry = QRect(x, y, width, height);
    record->extraValues.clear();
    while (!fields.atEnd()) {
        // The marker before each value is read and not looked at.
        qint32 marker = 0;
        QVariant value;
        if (!fields.integer(&marker) || !readVariant(fields, &value))
            return false;
        record->extraValues.append(value);
    }
    return true;
}

void writeField(QDataStream& stream, const char* text)
{
    char field[ProjectFileFormat::FieldSize] = {};
    std::memcpy(field, text, std::strlen(text));
    stream.writeRawData(field, sizeof(field));
}

QByteArray recordBytes(const ProjectFileFormat::Record& record)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_5_12);
    stream << record.kind << qint32(record.stayOnTop ? 1 : 0) << qint32(record.geometry.x())
           << qint32(record.geometry.y()) << qint32(record.geometry.width())
           << qint32(record.geometry.height()) << record.windowState;
    for (const QVariant& value : record.extraValues)
        stream << ProjectFileFormat::ExtraValueMarker << value;
    return bytes;
}

} // namespace

bool ProjectFileFormat::isStorable(const QVariant& value)
{
    if (value.isNull() && value.userType() != QMetaType::QString)
        return false;
    switch (value.userType()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::QString:
        return true;
    default:
        return false;
    }
}

bool ProjectFileFormat::isNewer(int major, int minor, int patch)
{
    if (major != VersionMajor)
        return major > VersionMajor;
    if (minor != VersionMinor)
        return minor > VersionMinor;
    return patch > VersionPatch;
}

bool ProjectFileFormat::heightExcludesMenuBar(int major, int minor)
{
    return major >= 1 && minor >= 1;
}

ProjectFileFormat::Result ProjectFileFormat::parse(const QByteArray& bytes, Contents* contents)
{
    if (bytes.size() > MaximumFileSize)
        return Failed;
    Cursor cursor(bytes.constData(), bytes.size());
    const char* maker = nullptr;
    const char* product = nullptr;
    const char* version = nullptr;
    if (!cursor.bytes(FieldSize, &maker) || std::memcmp(maker, makerField, 12) != 0)
        return Failed;
    if (!cursor.bytes(FieldSize, &product) || std::memcmp(product, productField, 12) != 0)
        return Failed;
    if (!cursor.bytes(FieldSize, &version))
        return Failed;
    contents->major = versionDigit(version[0]);
    contents->minor = versionDigit(version[2]);
    contents->patch = versionDigit(version[4]);
    if (isNewer(contents->major, contents->minor, contents->patch))
        return VersionError;
    qint32 magic = 0, bodyLength = 0;
    if (!cursor.integer(&magic) || magic != Magic || !cursor.integer(&bodyLength) || bodyLength < 1)
        return Failed;
    if (!readRecord(cursor, &contents->mainWindow))
        return Failed;
    contents->entries.clear();
    while (!cursor.atEnd()) {
        Entry entry;
        qint32 length = 0;
        const char* at = nullptr;
        if (!readRecord(cursor, &entry.record) || !cursor.integer(&length) || length < 0 ||
            !cursor.bytes(length, &at))
            return Failed;
        entry.content = QByteArray(at, length);
        contents->entries.append(entry);
    }
    return Ok;
}

bool ProjectFileFormat::build(const Contents& contents, QByteArray* bytes)
{
    QByteArray body;
    QDataStream bodyStream(&body, QIODevice::WriteOnly);
    bodyStream.setVersion(QDataStream::Qt_5_12);
    auto appendRecord = [&bodyStream](const Record& record) {
        for (const QVariant& value : record.extraValues)
            if (!isStorable(value))
                return false;
        const QByteArray fields = recordBytes(record);
        bodyStream << qint32(fields.size());
        bodyStream.writeRawData(fields.constData(), fields.size());
        return true;
    };
    if (!appendRecord(contents.mainWindow))
        return false;
    for (const Entry& entry : contents.entries) {
        if (!appendRecord(entry.record))
            return false;
        bodyStream << qint32(entry.content.size());
        bodyStream.writeRawData(entry.content.constData(), entry.content.size());
    }

    bytes->clear();
    QDataStream stream(bytes, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_5_12);
    writeField(stream, makerField);
    writeField(stream, productField);
    writeField(stream, versionField);
    stream << Magic << qint32(body.size());
    stream.writeRawData(body.constData(), body.size());
    return stream.status() == QDataStream::Ok && bodyStream.status() == QDataStream::Ok;
}
