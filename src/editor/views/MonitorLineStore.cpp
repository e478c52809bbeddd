#include "MonitorLineStore.h"

#include <cstring>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Runs shorter than this stay text.
constexpr int PackFrom = 32;
const char hexDigits[] = "0123456789ABCDEF";

int digitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool allAscii(const char* text, int size)
{
    for (int i = 0; i < size; ++i)
        if (uchar(text[i]) >= 0x80)
            return false;
    return true;
}

} // namespace

MonitorLineStore::MonitorLineStore(int maximumLines) : limit(qMax(1, maximumLines))
{
    lines.emplace_back();
}

void MonitorLineStore::measure(Line& line)
{
    line.ascii = allAscii(line.text.constData(), line.text.size());
    line.length = line.ascii ? line.text.size() : QString::fromUtf8(line.text).size();
}

void MonitorLineStore::pack(Line& line)
{
    if (line.packedFrom >= 0 || !line.ascii || line.text.size() < 3 * PackFrom)
        return;
    // The run: "HH" pairs of upper-case digits, one blank apart, to the end of the line, after a
    // blank or at its start.
    const char* text = line.text.constData();
    int start = line.text.size();
    while (start >= 2 && digitValue(text[start - 1]) >= 0 && digitValue(text[start - 2]) >= 0 &&
           (start == 2 || text[start - 3] == ' ')) {
        start -= 2;
        if (start == 0)
            break;
        --start; // the blank before the pair
    }
    if (start > 0)
        ++start; // keep the blank before the first pair with the text
    const int pairs = (line.text.size() - start + 1) / 3;
    if (pairs < PackFrom)
        return;
    QByteArray packed;
    packed.reserve(start + pairs);
    packed.append(text, start);
    for (int i = 0; i < pairs; ++i) {
        const char* pair = text + start + 3 * i;
        packed.append(char(digitValue(pair[0]) * 16 + digitValue(pair[1])));
    }
    bytes += packed.size() - line.text.size();
    line.text = packed;
    line.packedFrom = start;
}

QByteArray MonitorLineStore::plain(const Line& line)
{
    if (line.packedFrom < 0)
        return line.text;
    const int pairs = line.text.size() - line.packedFrom;
    QByteArray text(line.packedFrom + 3 * pairs - 1, ' ');
    std::memcpy(text.data(), line.text.constData(), size_t(line.packedFrom));
    char* out = text.data() + line.packedFrom;
    for (int i = 0; i < pairs; ++i) {
        const quint8 byte = quint8(line.text[line.packedFrom + i]);
        out[3 * i] = hexDigits[byte >> 4];
        out[3 * i + 1] = hexDigits[byte & 0x0F];
    }
    return text;
}

int MonitorLineStore::append(const char* text, int size, quint8 continuedStyle, quint8 newStyle)
{
    if (isEmpty()) {
        while (size > 0 && isBlank(text[0])) {
            ++text;
            --size;
        }
        while (size > 0 && isBlank(text[size - 1]))
            --size;
    }
    if (size <= 0)
        return 0;
    const char* const end = text + size;
    const char* breakAt = static_cast<const char*>(std::memchr(text, '\n', size_t(size)));
    const char* pieceEnd = breakAt != nullptr ? breakAt : end;
    Line& last = lines.back();
    last.text.append(text, int(pieceEnd - text));
    bytes += pieceEnd - text;
    measure(last);
    last.style = continuedStyle;
    if (last.length > longest)
        longest = last.length;
    if (breakAt == nullptr)
        return 0;

    // Lines that would be dropped again within this append are not kept at all.
    int newLines = 0;
    for (const char* p = breakAt; p != nullptr;
         p = p + 1 < end ? static_cast<const char*>(std::memchr(p + 1, '\n', size_t(end - p - 1))) : nullptr)
        ++newLines;
    const qint64 numberBefore = firstNumber;
    const int surplus = qMax(0, int(lines.size()) + newLines - limit);
    const int oldDropped = qMin(surplus, int(lines.size()));
    dropOldest(oldDropped);
    int skip = surplus - oldDropped;
    // Numbers of new lines never kept are used up all the same.
    firstNumber += skip;

    // The line continued is complete now.
    if (!lines.empty())
        pack(lines.back());
    const char* start = breakAt + 1;
    while (true) {
        const char* next =
            start < end ? static_cast<const char*>(std::memchr(start, '\n', size_t(end - start))) : nullptr;
        const char* stop = next != nullptr ? next : end;
        if (skip > 0) {
            --skip;
        } else {
            Line line;
            line.text = QByteArray(start, int(stop - start));
            measure(line);
            line.style = newStyle;
            bytes += line.text.size();
            if (line.length > longest)
                longest = line.length;
            if (next != nullptr)
                pack(line);
            lines.push_back(std::move(line));
        }
        if (next == nullptr)
            break;
        start = next + 1;
    }
    return int(firstNumber - numberBefore);
}

void MonitorLineStore::dropOldest(int count)
{
    for (int i = 0; i < count && !lines.empty(); ++i) {
        const Line& line = lines.front();
        bytes -= line.text.size();
        if (line.length >= longest)
            longestKnown = false;
        lines.pop_front();
        ++firstNumber;
    }
}

void MonitorLineStore::clear()
{
    const qint64 next = lastLineNumber() + 1;
    lines.clear();
    lines.emplace_back();
    firstNumber = next;
    bytes = 0;
    longest = 0;
    longestKnown = true;
}

QString MonitorLineStore::line(int index) const
{
    const Line& line = lines[size_t(index)];
    return line.ascii ? QString::fromLatin1(plain(line)) : QString::fromUtf8(line.text);
}

void MonitorLineStore::restyleAll(quint8 style)
{
    for (Line& line : lines)
        line.style = style;
}

int MonitorLineStore::longestLength() const
{
    if (!longestKnown) {
        longest = 0;
        for (const Line& line : lines)
            longest = qMax(longest, line.length);
        longestKnown = true;
    }
    return longest;
}

int MonitorLineStore::longestLine() const
{
    const int length = longestLength();
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].length == length)
            return int(i);
    return 0;
}

QString MonitorLineStore::text() const
{
    return text(0, 0, lineCount() - 1, lineLength(lineCount() - 1));
}

QString MonitorLineStore::text(int fromIndex, int fromColumn, int toIndex, int toColumn) const
{
    QString result;
    if (fromIndex > toIndex || (fromIndex == toIndex && fromColumn >= toColumn))
        return result;
    qint64 size = 0;
    for (int i = fromIndex; i <= toIndex; ++i)
        size += lines[size_t(i)].length + 1;
    result.reserve(int(qMin<qint64>(size, 1 << 30)));
    for (int i = fromIndex; i <= toIndex; ++i) {
        const Line& line = lines[size_t(i)];
        const int from = i == fromIndex ? qBound(0, fromColumn, line.length) : 0;
        const int to = i == toIndex ? qBound(0, toColumn, line.length) : line.length;
        if (line.ascii) {
            const QByteArray text = plain(line);
            result.append(QLatin1String(text.constData() + from, qMax(0, to - from)));
        } else {
            result.append(QString::fromUtf8(line.text).mid(from, qMax(0, to - from)));
        }
        if (i < toIndex)
            result.append(QLatin1Char('\n'));
    }
    return result;
}
