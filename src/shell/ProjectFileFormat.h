#pragma once

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QVariant>
#include <QtGlobal>

// The bytes of a project file, apart from any window: the fixed header, the main window's record
// and one entry per saved view (its record and its content block). Building and taking apart are
// pure functions over byte arrays, so that the loader can be checked without a window and driven
// by a fuzzer.
//
// The file comes from outside and is treated as hostile: every length is checked against what is
// left before anything is read or allocated, the extra values are decoded by hand and only in the
// few variant types the program itself writes (Qt's own variant decoding would build any
// registered type, recursively), and a file that does not parse completely is refused as a whole.
class ProjectFileFormat
{
public:
    // load's result codes.
    enum Result
    {
        Ok = 0,
        VersionError = 1,
        Failed = 2
    };

    static constexpr int FieldSize = 16;
    static constexpr int HeaderSize = 3 * FieldSize + 8; // three fields, the magic, the body length
    static constexpr qint32 Magic = 0x57494E44;          // "WIND"
    static constexpr qint32 ExtraValueMarker = 16;
    // The program's own version, and the largest file it reads.
    static constexpr int VersionMajor = 1, VersionMinor = 7, VersionPatch = 0;
    static constexpr qint64 MaximumFileSize = 256 * 1024 * 1024;

    // One saved window: the main window (kind 0) or a view.
    struct Record
    {
        qint32 kind = 0;
        bool stayOnTop = false;
        QRect geometry;
        qint32 windowState = 0;
        QList<QVariant> extraValues;
    };

    // A view's record and the bytes its FileStream hook wrote.
    struct Entry
    {
        Record record;
        QByteArray content;
    };

    struct Contents
    {
        // Major, minor and patch digits of the file's version field.
        int major = VersionMajor, minor = VersionMinor, patch = VersionPatch;
        Record mainWindow;
        QList<Entry> entries;
    };

    // Takes a whole file apart: Ok, VersionError for a file newer than the program, Failed for
    // anything malformed (contents is then unspecified).
    static Result parse(const QByteArray& bytes, Contents* contents);
    // The file for these contents, written as the program's own version; false when an extra value
    // is of a type the reader would refuse.
    static bool build(const Contents& contents, QByteArray* bytes);

    // The variant types an extra value may have: bool, the four integer types, double and text.
    static bool isStorable(const QVariant& value);
    // Whether a version field's (major, minor, patch) is newer than the program's. Each is the
    // one character at position 0, 2 and 4; a character that is not a digit counts as 0.
    static bool isNewer(int major, int minor, int patch);
    // Whether the main window's saved height leaves out the menu bar (files from 1.1.0 on).
    static bool heightExcludesMenuBar(int major, int minor);
};
