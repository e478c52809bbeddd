#include "MidiAnalyzer.h"

#include "MidiControllerNames.h"
#include "MidiSender.h"
#include "Model.h"
#include "VantelMidiParameterId.h"

#include <QMutexLocker>

#include <array>
#include <cstring>

namespace {

const char hexDigits[] = "0123456789ABCDEF";
const char* const noteNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};

// Longest time column: "4294:58:00:000 " would be the widest a 32-bit stamp can produce.
constexpr int maximumPrefixLength = 1 + 16 + 6 + 5 + 9;
constexpr int maximumDetailsLength = 96;

// Writes value in decimal, zero-filled to at least minimumWidth digits.
char* putUnsigned(char* out, quint32 value, int minimumWidth)
{
    char digits[10];
    int count = 0;
    do {
        digits[count++] = char('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (int i = count; i < minimumWidth; ++i)
        *out++ = '0';
    while (count > 0)
        *out++ = digits[--count];
    return out;
}

// Writes value in decimal ("-" for negatives, "+" for positives when asked), right-justified with
// blanks to width characters and never truncated.
char* putPadded(char* out, qint64 value, int width, bool plusSign = false)
{
    char text[24];
    int length = 0;
    quint64 magnitude = value < 0 ? quint64(-value) : quint64(value);
    char digits[20];
    int count = 0;
    do {
        digits[count++] = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        text[length++] = '-';
    else if (plusSign && value > 0)
        text[length++] = '+';
    while (count > 0)
        text[length++] = digits[--count];
    for (int i = length; i < width; ++i)
        *out++ = ' ';
    std::memcpy(out, text, size_t(length));
    return out + length;
}

char* putText(char* out, const char* text)
{
    const size_t length = std::strlen(text);
    std::memcpy(out, text, length);
    return out + length;
}

// The controller names as the details column writes them, converted once.
const QByteArray* utf8ControllerNames()
{
    static const std::array<QByteArray, MidiControllerNames::Count> names = [] {
        std::array<QByteArray, MidiControllerNames::Count> table;
        for (int controller = 0; controller < MidiControllerNames::Count; ++controller)
            table[size_t(controller)] = MidiControllerNames::name(controller).toUtf8();
        return table;
    }();
    return names.data();
}

} // namespace

void MidiAnalyzer::PendingLines::append(const char* line, int length)
{
    if (lineCount >= MaximumPendingLines) {
        head += int(lengths[first]);
        first = (first + 1) % MaximumPendingLines;
        --lineCount;
        // Give the space of dropped lines back once they make up most of the text.
        if (head > 65536 && head > text.size() / 2) {
            text.remove(0, head);
            head = 0;
        }
    }
    lengths[(first + lineCount) % MaximumPendingLines] = quint32(length);
    ++lineCount;
    text.append(line, length);
}

void MidiAnalyzer::PendingLines::clear()
{
    text = QByteArray();
    head = 0;
    first = 0;
    lineCount = 0;
    byteCount = 0;
}

MidiAnalyzer::MidiAnalyzer(Model* aModel, QObject* parent)
    : QObject(parent), model(aModel), controllerNames(utf8ControllerNames()),
      lineBuffer(size_t(maximumPrefixLength + 3 * MaximumLineBytes + maximumDetailsLength)),
      logWriter([this](int direction) { logWriteFailed(direction); })
{
    if (!model)
        return;
    for (qint32 id : {ParamMidiThru, ParamMidiThruSecond, ParamTimeStamp, ParamMessageDetail, ParamParser,
                      ParamMiddleC, ParamTimeFormat})
        readSetting(id);
    model->addAssistant(this);
    for (qint32 id : {ParamMonitorPort1, ParamMonitorPort2, ParamProgramNumberBase})
        readSetting(id);
    // The filter follows its parameters from the start, so that a store that already holds filter
    // settings is obeyed before the first change notification.
    for (qint32 id = ParamFilterChannel; id <= ParamFilterChannelLast; ++id)
        readSetting(id);
    for (qint32 id = ParamFilterNoteOff; id <= ParamFilterSystemExclusive; ++id)
        readSetting(id);
    for (qint32 id = ParamFilterControlChangeNumber; id <= ParamFilterControlChangeNumberLast; ++id)
        readSetting(id);
    for (qint32 id = ParamFilterTimeCode; id <= ParamFilterTuneRequest; ++id)
        readSetting(id);
    for (qint32 id = ParamFilterTimingClock; id <= ParamFilterSystemReset; ++id)
        readSetting(id);
}

MidiAnalyzer::~MidiAnalyzer()
{
    if (model)
        model->removeAssistant(this);
    // The writer flushes and closes whatever is still open when it is destroyed, without reporting.
}

void MidiAnalyzer::setSender(MidiSender* newSender)
{
    std::lock_guard<std::mutex> thruLock(thruMutex);
    QMutexLocker lock(&mutex);
    sender = newSender;
}

void MidiAnalyzer::setInLineSink(LineSink sink)
{
    QMutexLocker lock(&mutex);
    inLineSink = std::move(sink);
}

void MidiAnalyzer::parameterChanged(qint32 id)
{
    readSetting(id);
}

void MidiAnalyzer::readSetting(qint32 id)
{
    if (!model)
        return;
    const qint32 value = model->getValue(id);
    QMutexLocker lock(&mutex);
    switch (id) {
    case ParamMidiThru:
        thruPort1 = value;
        return;
    case ParamMidiThruSecond:
        thruPort2 = value;
        return;
    case ParamMonitorPort1:
        monitorPort1 = value != 0;
        return;
    case ParamMonitorPort2:
        monitorPort2 = value != 0;
        return;
    case ParamTimeStamp:
        showTime = value != 0;
        return;
    case ParamMessageDetail:
        showDetails = value != 0;
        return;
    case ParamMiddleC:
        middleC = value;
        return;
    case ParamTimeFormat:
        timeFormat = value;
        return;
    case ParamProgramNumberBase:
        programNumberBase = value;
        return;
    case ParamParser:
        if (parserOn != (value != 0)) {
            parserOn = value != 0;
            for (auto* parsers : {inParsers, outParsers, inShortParsers, outShortParsers}) {
                for (int i = 0; i < 2; ++i)
                    parsers[i].reset();
            }
        }
        return;
    case ParamFilterNoteOff:
        filter.setKind(MidiMessageKind::NoteOff, value != 0);
        return;
    case ParamFilterNoteOn:
        filter.setKind(MidiMessageKind::NoteOn, value != 0);
        return;
    case ParamFilterKeyPressure:
        filter.setKind(MidiMessageKind::KeyPressure, value != 0);
        return;
    case ParamFilterProgramChange:
        filter.setKind(MidiMessageKind::ProgramChange, value != 0);
        return;
    case ParamFilterChannelPressure:
        filter.setKind(MidiMessageKind::ChannelPressure, value != 0);
        return;
    case ParamFilterPitchBend:
        filter.setKind(MidiMessageKind::PitchBend, value != 0);
        return;
    case ParamFilterSystemExclusive:
        filter.setKind(MidiMessageKind::SystemExclusive, value != 0);
        return;
    default:
        break;
    }
    if (id >= ParamFilterChannel && id <= ParamFilterChannelLast)
        filter.setChannel(id - ParamFilterChannel, value != 0);
    else if (id >= ParamFilterControlChangeNumber && id <= ParamFilterControlChangeNumberLast)
        filter.setController(id - ParamFilterControlChangeNumber, value != 0);
    else if (id >= ParamFilterTimeCode && id <= ParamFilterTuneRequest)
        filter.setKind(MidiMessageKind::TimeCode + (id - ParamFilterTimeCode), value != 0);
    else if (id >= ParamFilterTimingClock && id <= ParamFilterSystemReset)
        filter.setKind(MidiMessageKind::TimingClock + (id - ParamFilterTimingClock), value != 0);
}

void MidiAnalyzer::letCollectorFirst() const
{
    // No deadline: the collector holds the lock only to swap three buffers.
    collectorsWaiting.waitIdle(-1);
}

void MidiAnalyzer::receiveCallback(void* context, const quint8* bytes, quint16 length, quint32 stamp,
                                   quint64 hostStamp, quint32 port)
{
    if (context)
        static_cast<MidiAnalyzer*>(context)->receiveData(bytes, length, stamp, hostStamp, port);
}

void MidiAnalyzer::receiveData(const quint8* bytes, quint16 count, quint32 stamp, quint64 hostStamp,
                               quint32 port)
{
    if (!bytes || count == 0 || port > 1)
        return;
    // A record is one whole message or one piece of a system-exclusive message (see the class
    // comment): the pieces go through a parser of their own, so a message that arrived between two
    // pieces neither cuts the dump nor is taken for a part of it.
    const bool wholeMessage = bytes[0] >= 0x80 && bytes[0] != 0xF0 && bytes[0] != 0xF7;

    // 1. Thru. The routing is read under the lock; the sends happen outside it (see the class
    //    comment) but under the thru lock, which is kept until the Out lines are written, so
    //    that the Out monitor shows forwarded data in the order it went out even when both inputs
    //    forward to the same output. Port1 input sends to Port1 first, Port2 input to Port2 first.
    bool sent[2] = {false, false};
    quint32 sendStamp[2] = {0, 0};
    std::unique_lock<std::mutex> thruLock(thruMutex, std::defer_lock);
    {
        qint32 routing;
        MidiSender* target;
        {
            QMutexLocker lock(&mutex);
            routing = port == 0 ? thruPort1 : thruPort2;
            target = sender;
        }
        if (target && routing >= 1) {
            // Read again under the thru lock: setSender takes it too, so once it has returned the
            // old sender is never called again.
            thruLock.lock();
            {
                QMutexLocker lock(&mutex);
                routing = port == 0 ? thruPort1 : thruPort2;
                target = sender;
            }
        }
        if (target && routing >= 1) {
            // Placed where the host can keep the input's timing (JACK: a constant delay after it).
            const quint64 forwarded = MidiSender::forwardedAt(hostStamp);
            const quint32 same = port;
            const quint32 other = 1 - port;
            if (routing % 2 == 1)
                sent[same] = target->sendToOutputPorts(bytes, count, MidiMessageKind::NotParsed, same, true,
                                                       true, forwarded, true, &sendStamp[same]);
            if (routing != 1)
                sent[other] = target->sendToOutputPorts(bytes, count, MidiMessageKind::NotParsed, other, true,
                                                        true, forwarded, true, &sendStamp[other]);
        }
    }

    // 2. Out lines for what was forwarded, Port1 then Port2; no filter.
    if (sent[0] || sent[1]) {
        letCollectorFirst();
        QMutexLocker lock(&mutex);
        for (quint32 output = 0; output < 2; ++output) {
            if (!sent[output])
                continue;
            if (parserOn) {
                MidiMessageParser& parser = wholeMessage ? outShortParsers[output] : outParsers[output];
                parser.feed(bytes, count);
                MidiMessage message;
                while (parser.nextMessage(message))
                    writeMessage(Out, message, sendStamp[output], output);
            } else {
                writeLines(Out, MidiMessageKind::NotParsed, bytes, count, sendStamp[output], output);
            }
        }
    }
    if (thruLock.owns_lock())
        thruLock.unlock();

    // 3. In lines after the filter; clocks feed the tempo meter whether shown or not.
    letCollectorFirst();
    QMutexLocker lock(&mutex);
    if (parserOn) {
        MidiMessageParser& parser = wholeMessage ? inShortParsers[port] : inParsers[port];
        parser.feed(bytes, count);
        MidiMessage message;
        while (parser.nextMessage(message)) {
            if (message.kind() == MidiMessageKind::TimingClock)
                tempoMeter.clockReceivedAtStamp(stamp);
            if (filter.passes(message))
                writeMessage(In, message, stamp, port);
        }
    } else {
        writeLines(In, MidiMessageKind::NotParsed, bytes, count, stamp, port);
    }
}

void MidiAnalyzer::appendTransmitted(const quint8* bytes, quint32 count, quint32 stamp, quint8 kind,
                                     quint32 port)
{
    if (!bytes || count == 0)
        return;
    letCollectorFirst();
    QMutexLocker lock(&mutex);
    writeLines(Out, parserOn ? kind : quint8(MidiMessageKind::NotParsed), bytes, count, stamp, port);
}

void MidiAnalyzer::writeMessage(int direction, const MidiMessage& message, quint32 stamp, quint32 port)
{
    if (message.kind() == MidiMessageKind::SystemExclusive) {
        const QByteArray& bytes = message.sysEx();
        // The system-exclusive views get every received dump the filter passes, monitored or not.
        if (direction == In && !inLineSink)
            captureSysEx(bytes);
        writeLines(direction, message.kind(), reinterpret_cast<const quint8*>(bytes.constData()),
                   quint32(bytes.size()), stamp, port);
        return;
    }
    quint8 bytes[3];
    const int count = message.encodeShort(bytes);
    if (count > 0)
        writeLines(direction, message.kind(), bytes, quint32(count), stamp, port);
}

void MidiAnalyzer::captureSysEx(const QByteArray& bytes)
{
    const int count = bytes.size();
    if (count == 0)
        return;
    const int start = pendingSysEx.size();
    pendingSysEx.resize(start + 4 * count);
    char* out = pendingSysEx.data() + start;
    for (int i = 0; i < count; ++i) {
        const quint8 byte = quint8(bytes[i]);
        // A dump of megabytes goes on over lines of a monitor line's bytes: the view lays out a
        // line as a whole, and one of megabytes would hold up the window for seconds.
        if (byte >= 0x80 && byte != 0xF7)
            *out++ = '\n';
        else if (i > 0 && i % MaximumLineBytes == 0)
            out[-1] = '\n'; // in place of the blank after the previous byte
        *out++ = hexDigits[byte >> 4];
        *out++ = hexDigits[byte & 0x0F];
        if (i + 1 < count)
            *out++ = ' ';
    }
    pendingSysEx.resize(int(out - pendingSysEx.constData()));
    pendingSysExCount += quint32(count);
}

void MidiAnalyzer::writeLines(int direction, quint8 kind, const quint8* bytes, quint32 count, quint32 stamp,
                              quint32 port)
{
    if (port > 1 || !(port == 0 ? monitorPort1 : monitorPort2))
        return;
    while (count > 0) {
        const int piece = int(qMin<quint32>(count, MaximumLineBytes));
        writePiece(direction, kind, bytes, piece, stamp, port);
        bytes += piece;
        count -= quint32(piece);
    }
}

void MidiAnalyzer::writePiece(int direction, quint8 kind, const quint8* bytes, int count, quint32 stamp,
                              quint32 port)
{
    char* const line = lineBuffer.data();
    char* out = line;
    *out++ = '\n';
    char* const columns = out;

    if (showTime) {
        if (timeFormat == 0) {
            out = putUnsigned(out, stamp / 3600000u, 2);
            *out++ = ':';
            out = putUnsigned(out, stamp % 3600000u / 60000u, 2);
            *out++ = ':';
            out = putUnsigned(out, stamp / 1000u % 60u, 2);
            *out++ = ':';
            out = putUnsigned(out, stamp % 1000u, 3);
        } else {
            out = putUnsigned(out, stamp, 12);
        }
        *out++ = ' ';
    }
    if (showDetails) {
        out = putText(out, "Port");
        *out++ = char('1' + port);
        *out++ = ' ';
        if (MidiMessageKind::isChannelKind(kind)) {
            const int channel = (bytes[0] & 0x0F) + 1;
            *out++ = 'C';
            *out++ = 'h';
            if (channel < 10)
                *out++ = ' ';
            out = putUnsigned(out, quint32(channel), 1);
            *out++ = ' ';
        } else {
            out = putText(out, "---- ");
        }
        std::memcpy(out, MidiMessageKind::name(kind), MidiMessageKind::NameLength);
        out += MidiMessageKind::NameLength;
        *out++ = ' ';
    }
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            *out++ = ' ';
        *out++ = hexDigits[bytes[i] >> 4];
        *out++ = hexDigits[bytes[i] & 0x0F];
    }
    char* const hexEnd = out;

    char details[maximumDetailsLength + 1];
    const int detailsLength = showDetails ? formatDetails(details, kind, bytes, count) : 0;
    if (detailsLength > 0) {
        *out++ = ' ';
        std::memcpy(out, details, size_t(detailsLength));
        out += detailsLength;
    }

    if (direction == In && inLineSink) {
        inLineSink(columns, int(out - columns));
    } else {
        PendingLines& pending = direction == In ? pendingIn : pendingOut;
        pending.append(line, int(out - line));
        pending.byteCount += quint32(count);
    }

    const int logDirection = direction == In ? MidiLogWriter::Received : MidiLogWriter::Transmitted;
    if (logWriter.isOpen(logDirection)) {
        // The log line joins the hex and details columns without a blank and ends with a line feed.
        details[detailsLength] = '\n';
        logWriter.append(logDirection, columns, int(hexEnd - columns), details, detailsLength + 1);
    }
}

int MidiAnalyzer::formatDetails(char* details, quint8 kind, const quint8* bytes, int count) const
{
    if (count < 2 || count > 3 || bytes[1] >= 0x80 || (count == 3 && bytes[2] >= 0x80))
        return 0; // not a well-formed message of two or three bytes
    const quint8 d1 = bytes[1];
    char* out = details;
    if (count == 3) {
        const quint8 d2 = bytes[2];
        switch (kind) {
        case MidiMessageKind::NoteOff:
        case MidiMessageKind::NoteOn:
        case MidiMessageKind::KeyPressure: {
            *out++ = '[';
            char* const nameStart = out;
            out = putText(out, noteNames[d1 % 12]);
            out = putPadded(out, qint64(middleC) - 2 + d1 / 12, 0);
            while (out - nameStart < 4)
                *out++ = ' ';
            *out++ = '(';
            out = putPadded(out, d1, 3);
            *out++ = ')';
            *out++ = ',';
            out = putPadded(out, d2, 4);
            *out++ = ']';
            break;
        }
        case MidiMessageKind::ControlChange: {
            const QByteArray& name = controllerNames[d1];
            *out++ = '[';
            std::memcpy(out, name.constData(), size_t(qMin(name.size(), 48)));
            out += qMin(name.size(), 48);
            *out++ = ',';
            out = putPadded(out, d2, 4);
            *out++ = ']';
            break;
        }
        case MidiMessageKind::PitchBend:
            *out++ = '[';
            out = putPadded(out, qint64(d1) + 128 * qint64(d2) - 8192, 5, true);
            *out++ = ']';
            break;
        case MidiMessageKind::SongPosition:
            *out++ = '[';
            out = putPadded(out, qint64(d1) + 128 * qint64(d2), 5);
            *out++ = ']';
            break;
        default:
            return 0;
        }
        return int(out - details);
    }

    qint64 value;
    switch (kind) {
    case MidiMessageKind::ProgramChange:
        value = d1 + (programNumberBase == 1 ? 1 : 0);
        break;
    case MidiMessageKind::SongSelect:
        value = d1 + 1;
        break;
    case MidiMessageKind::ChannelPressure:
        value = d1;
        break;
    default:
        return 0;
    }
    // Three blanks line two-byte details up with those of three-byte messages.
    out = putText(out, "   [");
    out = putPadded(out, value, 3);
    *out++ = ']';
    return int(out - details);
}

bool MidiAnalyzer::takeMonitorText(QByteArray& inText, quint32& inCount, QByteArray& sysExText,
                                   quint32& sysExCount, QByteArray& outText, quint32& outCount)
{
    int inHead, outHead;
    {
        collectorsWaiting.enter();
        QMutexLocker lock(&mutex);
        collectorsWaiting.leave();
        inText.clear();
        outText.clear();
        sysExText.clear();
        inText.swap(pendingIn.text);
        inHead = pendingIn.head;
        inCount = pendingIn.byteCount;
        pendingIn.clear();
        outText.swap(pendingOut.text);
        outHead = pendingOut.head;
        outCount = pendingOut.byteCount;
        pendingOut.clear();
        sysExText.swap(pendingSysEx);
        sysExCount = pendingSysExCount;
        pendingSysExCount = 0;
    }
    // Cutting off dropped lines copies text, so it happens after the lock is released.
    if (inHead > 0)
        inText.remove(0, inHead);
    if (outHead > 0)
        outText.remove(0, outHead);
    return inCount != 0 || sysExCount != 0 || outCount != 0;
}

void MidiAnalyzer::discardTransmittedText()
{
    QMutexLocker lock(&mutex);
    pendingOut.clear();
}

bool MidiAnalyzer::openReceivedLogFile(const QString& path)
{
    return logWriter.open(MidiLogWriter::Received, path);
}

bool MidiAnalyzer::openTransmittedLogFile(const QString& path)
{
    return logWriter.open(MidiLogWriter::Transmitted, path);
}

bool MidiAnalyzer::closeReceivedLogFile()
{
    return logWriter.close(MidiLogWriter::Received);
}

bool MidiAnalyzer::closeTransmittedLogFile()
{
    return logWriter.close(MidiLogWriter::Transmitted);
}

void MidiAnalyzer::waitForLogFiles()
{
    logWriter.waitUntilWritten();
}

qint32 MidiAnalyzer::receivedTempo()
{
    QMutexLocker lock(&mutex);
    return tempoMeter.tempo();
}

void MidiAnalyzer::advanceTempoIdleTime(quint32 microseconds)
{
    QMutexLocker lock(&mutex);
    tempoMeter.addIdleTime(microseconds);
}

void MidiAnalyzer::logWriteFailed(int direction)
{
    if (direction == MidiLogWriter::Received)
        Q_EMIT writeReceivedDataFailedToTextFile();
    else
        Q_EMIT writeTransmittedDataFailedToTextFile();
}
