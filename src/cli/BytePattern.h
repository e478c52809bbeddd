#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// A pattern a received message is matched against: hexadecimal bytes, ".." for any one byte and
// "*" for any run of bytes (none included), separated by blanks; digits may also run together
// ("F07E"). An identity reply is "F0 7E .. 06 02 * F7". The whole message must match.
class BytePattern
{
public:
    // False with a message in *error (may be null) for a text that is no pattern.
    bool parse(const QString& text, QString* error = nullptr);
    bool matches(const QByteArray& message) const;
    bool isEmpty() const { return items.isEmpty(); }
    QString text() const { return source; }

private:
    // 0..255 a byte, AnyByte, AnyRun.
    enum : int
    {
        AnyByte = 256,
        AnyRun = 257
    };
    QVector<int> items;
    QString source;
};
