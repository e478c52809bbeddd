#pragma once

#include <QByteArray>
#include <QDataStream>
#include <QRect>
#include <QVariant>

// Project files written out by hand from the format, to compare the program's files with and to
// feed its reader: three 16-byte fields, the magic "WIND", the body length, then records (int32
// length, kind, stay-on-top, x, y, width, height, state, extra values each after an int32 16) and
// content blocks (int32 length, bytes). All integers big-endian.
class ProjectFileBytes
{
public:
    explicit ProjectFileBytes(const char* aVersion = "1.7.0") : version(aVersion) {}

    ProjectFileBytes& record(qint32 kind, const QRect& r, qint32 state = 0, bool onTop = false,
                             const QList<QVariant>& extras = {})
    {
        QByteArray fields;
        QDataStream s(&fields, QIODevice::WriteOnly);
        s << kind << qint32(onTop) << qint32(r.x()) << qint32(r.y()) << qint32(r.width())
          << qint32(r.height()) << state;
        for (const QVariant& v : extras) {
            s << qint32(16) << quint32(v.userType()) << qint8(0);
            if (v.userType() == QMetaType::UInt)
                s << v.toUInt();
            else
                s << v.toInt();
        }
        return raw(fields.size()).bytes(fields);
    }
    // A content block.
    ProjectFileBytes& block(const QByteArray& content = QByteArray())
    {
        return raw(content.size()).bytes(content);
    }
    ProjectFileBytes& raw(qint32 value)
    {
        QDataStream s(&body, QIODevice::Append);
        s << value;
        return *this;
    }
    ProjectFileBytes& bytes(const QByteArray& more)
    {
        body += more;
        return *this;
    }

    // The whole file; the body length as given, or the body's.
    QByteArray file(qint32 bodyLength = -1) const
    {
        QByteArray out;
        out += field("TESSIK AUDIO") + field("Vantel MIDI") + field(version);
        QDataStream s(&out, QIODevice::Append);
        s << qint32(0x57494E44) << (bodyLength < 0 ? qint32(body.size()) : bodyLength);
        return out + body;
    }

    // A text field of a view's content: tag, byte length, UTF-8 bytes.
    static QByteArray textField(qint32 tag, const QString& text)
    {
        QByteArray out;
        QDataStream s(&out, QIODevice::WriteOnly);
        const QByteArray utf8 = text.toUtf8();
        s << tag << qint32(utf8.size());
        return out + utf8;
    }

private:
    static QByteArray field(const char* text)
    {
        QByteArray f(text);
        f.resize(16);
        for (int i = int(qstrlen(text)); i < 16; ++i)
            f[i] = '\0';
        return f;
    }

    const char* version;
    QByteArray body;
};
