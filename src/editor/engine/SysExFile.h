#pragma once

#include <QByteArray>
#include <QString>

// The files the system-exclusive editor reads and writes: hexadecimal text (".txt", UTF-8, with
// "//" comments) and raw MIDI bytes (".syx", as instruments and librarians exchange them). A raw
// file is shown as hexadecimal text with a line per message, and a text is written to one only
// when every character of it stands for bytes, so that what is saved is exactly what the text
// holds.
class SysExFile
{
public:
    // True for a name whose last extension is "syx" in any case ("DUMP.SYX" is common).
    static bool isRawPath(const QString& path);
    // A dropped or opened file the editor takes, by its complete suffix (everything after the first
    // dot of the name): "txt" exactly, or any whose last extension is "syx".
    static bool isEditorSuffix(const QString& completeSuffix);

    // Bytes on one line at most. The text area lays out and colours a line as a whole, and both
    // grow faster than the line: a dump of a megabyte on one line would take seconds to show, in
    // lines of this size it takes a fraction of one. A longer message goes on over further lines,
    // which the transmission joins again (it ignores line ends).
    static constexpr int LineBytes = 4096;

    // Hexadecimal text of raw bytes: a line per system-exclusive message (F0 to F7), a line per
    // other status byte with its data, and bytes outside any message on lines of their own, so that
    // every byte of the input is shown in its place.
    static QString textOfBytes(const QByteArray& bytes);

    // The text of a file for the editor: raw files converted, text files read as UTF-8. ok (may be
    // null) is false when the file could not be read; the text is then empty.
    static QString readText(const QString& path, bool* ok = nullptr);
    // Writes a text to a file, as bytes for a raw name and as UTF-8 otherwise, replacing the file
    // only once it is complete. Returns an empty string, or the message to show the user.
    static QString writeText(const QString& path, const QString& text);
};
