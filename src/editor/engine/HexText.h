#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

// The hexadecimal text rules of the editor, shared by everything that turns typed or stored text
// into MIDI bytes: blanks, commas, tabs and line ends separate bytes, "//" starts a comment that
// runs to the end of its line, and what remains must be whole bytes of hexadecimal digits (an odd
// digit count or any other character refuses the whole text, so that no byte is shifted into a
// different one).
class HexText
{
public:
    // The value of one hexadecimal digit, -1 for any other character.
    static int hexValue(QChar c);
    // The hexadecimal digits a text leaves after blanks, commas, tabs, line ends and comments
    // are removed.
    static QString stripText(const QString& text);
    // True when digits (as stripText leaves them) are whole bytes of hexadecimal digits.
    static bool isHexadecimal(const QString& digits);
    // The bytes of a text by the byte-count rule of the editor: -1 when the count is unknown
    // (an odd number of digits or a character that is not hexadecimal).
    static qint32 countBytes(const QString& text);
    // The bytes a text stands for; false (bytes untouched) when it holds an odd number of digits or
    // a character that is not one.
    static bool bytesOfText(const QString& text, QByteArray* bytes);
};
