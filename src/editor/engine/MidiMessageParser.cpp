#include "MidiMessageParser.h"

#include "MidiMessageLength.h"

#include <cstdlib>
#include <new>

MidiMessageParser::~MidiMessageParser()
{
    std::free(buffer);
}

void MidiMessageParser::feed(const quint8* bytes, quint32 count)
{
    input = bytes;
    inputCount = bytes ? count : 0;
    readPosition = 0;
}

void MidiMessageParser::reset()
{
    input = nullptr;
    inputCount = 0;
    readPosition = 0;
    std::free(buffer);
    buffer = nullptr;
    capacity = 0;
    writePosition = 0;
    heldInput = 0;
    dropped = 0;
}

qint32 MidiMessageParser::expectedLength(quint8 byte)
{
    return MidiMessageLength::of(byte);
}

void MidiMessageParser::releaseBuffer()
{
    writePosition = 0;
    // A small buffer is kept for the next message; one grown by a long dump is given back.
    if (capacity > quint32(GrowthBlock)) {
        std::free(buffer);
        buffer = nullptr;
        capacity = 0;
    }
}

bool MidiMessageParser::append(quint8 byte)
{
    if (writePosition >= capacity) {
        const quint64 needed = quint64(writePosition) + 1;
        const quint64 newCapacity = (needed / GrowthBlock + 1) * GrowthBlock;
        void* grown = newCapacity <= 0xFFFFFFFFu ? std::realloc(buffer, size_t(newCapacity)) : nullptr;
        if (!grown) {
            dropped += heldInput + 1;
            heldInput = 0;
            std::free(buffer);
            buffer = nullptr;
            capacity = 0;
            writePosition = 0;
            return false;
        }
        buffer = static_cast<quint8*>(grown);
        capacity = quint32(newCapacity);
    }
    buffer[writePosition++] = byte;
    ++heldInput;
    return true;
}

bool MidiMessageParser::decode(MidiMessage& message)
{
    const quint8 status = buffer[0];
    const quint8 kind = MidiMessageKind::fromStatus(status);
    if (kind == MidiMessageKind::SystemExclusive) {
        if (writePosition < 2 || buffer[writePosition - 1] != 0xF7)
            return false; // reached the length limit without an end
        message = MidiMessage::systemExclusive(
            QByteArray(reinterpret_cast<const char*>(buffer), int(writePosition)));
        return true;
    }
    if (kind == MidiMessageKind::NotParsed || qint32(writePosition) != MidiMessageKind::byteCount(kind))
        return false;
    message = MidiMessage(kind, quint8(status & 0x0F), writePosition > 1 ? buffer[1] : 0,
                          writePosition > 2 ? buffer[2] : 0);
    return true;
}

bool MidiMessageParser::nextMessage(MidiMessage& message)
{
    while (readPosition < inputCount) {
        const quint8 byte = input[readPosition++];

        if (byte >= 0xF8) {
            const quint8 kind = MidiMessageKind::fromStatus(byte);
            if (kind == MidiMessageKind::NotParsed) {
                ++dropped; // F9, FD
                continue;
            }
            message = MidiMessage(kind, 255);
            return true;
        }

        const qint32 expected = expectedLength(byte);
        if (expected != 0)
            emptyBuffer();
        if (expected < 0 || (expected == 0 && writePosition == 0)) {
            ++dropped;
            continue;
        }
        if (!append(byte))
            continue;

        bool complete;
        if (byte == 0xF7) {
            complete = buffer[0] == 0xF0;
            if (!complete) {
                emptyBuffer();
                continue;
            }
        } else {
            complete = qint64(writePosition) >= qint64(expectedLength(buffer[0]));
        }
        if (!complete)
            continue;

        const bool decoded = decode(message);
        if (!decoded)
            dropped += heldInput;
        heldInput = 0;
        if (buffer[0] >= 0x80 && buffer[0] < 0xF0 && decoded)
            writePosition = 1; // running status
        else
            releaseBuffer();
        if (decoded)
            return true;
    }
    input = nullptr;
    inputCount = 0;
    readPosition = 0;
    return false;
}
