#pragma once

#include <QByteArray>
#include <QString>

#include <deque>

// The lines of a monitor, kept as the analyzer's UTF-8 text, one array per line, at most a fixed
// number of them. A line that ends in a long run of bytes written as hexadecimal ("F0 41 10 ...",
// as a dump's lines do) keeps that run as the bytes themselves, a third of the text's size, and
// gives its text back when asked. Text grows only at the end: what arrives continues the last line up to its
// first line feed, and every line feed starts a new line; the oldest lines go when there are too many. There
// is always at least one line (an empty store holds one empty line), as in a text document.
//
// Lines have numbers that never change while they are kept: the first line ever appended is number
// 0 and a line keeps its number when older ones are dropped, so a view can hold on to positions
// across appends. Each line carries a small style tag (how it is to be coloured) that the owner
// chooses; the store only keeps it. Not thread-safe; GUI thread.
class MonitorLineStore
{
public:
    explicit MonitorLineStore(int maximumLines);

    // Appends UTF-8 text. Into an empty store it goes without leading and trailing white space.
    // The line it continues takes `continuedStyle`, lines it starts take `newStyle`. Returns the
    // number of lines dropped from the top.
    int append(const char* text, int size, quint8 continuedStyle, quint8 newStyle);
    int append(const QByteArray& text, quint8 continuedStyle, quint8 newStyle)
    {
        return append(text.constData(), text.size(), continuedStyle, newStyle);
    }
    void clear();

    bool isEmpty() const { return lines.size() == 1 && lines.front().text.isEmpty(); }
    int lineCount() const { return int(lines.size()); }
    int maximumLineCount() const { return limit; }
    // The number of line `index` (0 = the oldest line kept), and the reverse.
    qint64 numberOf(int index) const { return firstNumber + index; }
    qint64 firstLineNumber() const { return firstNumber; }
    qint64 lastLineNumber() const { return firstNumber + qint64(lines.size()) - 1; }

    QString line(int index) const;
    // Length in UTF-16 code units, as the line's QString has it.
    int lineLength(int index) const { return lines[size_t(index)].length; }
    bool isAsciiLine(int index) const { return lines[size_t(index)].ascii; }
    quint8 lineStyle(int index) const { return lines[size_t(index)].style; }
    void restyleAll(quint8 style);
    // The length of the longest line kept.
    int longestLength() const;
    // Index of the longest line.
    int longestLine() const;
    // Bytes held for the lines' text, without the arrays' own overhead.
    qint64 textBytes() const { return bytes; }

    // The whole text, lines joined by line feeds.
    QString text() const;
    // From column `fromColumn` of line `fromIndex` up to column `toColumn` of line `toIndex`
    // (exclusive), lines joined by line feeds.
    QString text(int fromIndex, int fromColumn, int toIndex, int toColumn) const;

private:
    struct Line
    {
        // The text; for a packed line the text up to `packedFrom`, then one byte per hexadecimal
        // pair of the rest.
        QByteArray text;
        int length = 0;
        int packedFrom = -1; // -1: not packed
        bool ascii = true;
        quint8 style = 0;
    };
    static void measure(Line& line);
    // Packs a line's trailing run of hexadecimal pairs, when it is long enough to be worth it.
    void pack(Line& line);
    static QByteArray plain(const Line& line);
    void dropOldest(int count);

    int limit;
    std::deque<Line> lines;
    qint64 firstNumber = 0;
    qint64 bytes = 0;
    mutable int longest = 0;
    mutable bool longestKnown = true;
};
