#pragma once

#include <QString>
#include <QtGlobal>

class QDataStream;

// The save and restore hooks of a view in a project file. The project file gives each view a
// block of its own; the view fills it with tagged fields (the static helpers below) and reads them
// back in the same order.
//
// Field layout, all integers 32-bit big-endian: an integer field is tag, 4, value; a string field
// is tag, byte length n, then the n bytes of the text's UTF-8 form. The readers are defensive: the
// block comes from a file that may be truncated or damaged, so a field that does not fit in what
// is left of the stream fails instead of allocating or reading past it. A reader that fails takes
// nothing from the stream (except a text cut short on a sequential device, which cannot go
// back), so a view can probe for an optional field and go on with the next one when it is
// missing.
class FileStream
{
public:
    virtual ~FileStream() = default;

    // false when the content cannot be restored.
    virtual bool readFromStream(QDataStream& stream) = 0;
    // false when the content cannot be stored.
    virtual bool writeToStream(QDataStream& stream) = 0;

    static bool writeIntField(QDataStream& stream, qint32 tag, qint32 value);
    // value is 0 on every failure: end of stream, another tag, a size other than 4.
    static bool readIntField(QDataStream& stream, qint32 tag, qint32* value);
    // An empty text is written as its tag and a length of 0, and succeeds like any other; false only
    // when the stream cannot take the bytes.
    static bool writeStringField(QDataStream& stream, qint32 tag, const QString& text);
    // text is null first. false at end of stream, for another tag, or when the announced bytes are
    // not all there; true with an empty text for a length below 1.
    static bool readStringField(QDataStream& stream, qint32 tag, QString* text);
};
