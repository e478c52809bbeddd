// Feeds arbitrary events to the input framer: the first input byte picks the buffer size, the
// rest is cut into events whose sizes come from the input (a size byte, then that many bytes), an
// event of size 0 standing for lost input (reset). Checks what the ports rely on, for any input:
// - short data is one whole message: a status byte other than F0 and F7, then exactly the data
//   bytes its status takes, and the packed word holds those bytes;
// - long data comes in pieces of 1 to bufferSize bytes; the pieces of one message begin with F0,
//   hold only data bytes after it, and the last one ends with F7; only the last piece of a message
//   may be shorter than the buffer, and only a long error (empty after a full piece) ends a
//   message without its F7;
// - every real-time byte of the input comes out, as short data of its own.

#include "HostInputFramer.h"

#include <cstddef>
#include <cstdint>

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

struct Checker
{
    quint32 bufferSize = 1;
    bool inMessage = false;
    bool lastPieceFull = true;
    size_t realTimeOut = 0;

    void operator()(HostMidiService::InputMessage message, quint32 packed, const quint8* bytes,
                    quint32 length)
    {
        switch (message) {
        case HostMidiService::ShortData: {
            check(length >= 1 && length <= 3);
            check(bytes[0] >= 0x80 && bytes[0] != 0xF0 && bytes[0] != 0xF7);
            check(HostMidiService::shortMessageLength(bytes[0]) == length);
            for (quint32 i = 0; i < length; ++i) {
                check(((packed >> (8 * i)) & 0xFF) == bytes[i]);
                if (i > 0)
                    check(bytes[i] < 0x80);
            }
            check((packed >> (8 * length)) == 0);
            if (bytes[0] >= 0xF8)
                ++realTimeOut;
            return;
        }
        case HostMidiService::LongData:
        case HostMidiService::LongError: {
            check(length <= bufferSize);
            // An error may be empty: the message was cut right after a full piece.
            check(length >= 1 || (message == HostMidiService::LongError && inMessage));
            if (length == 0) {
                inMessage = false;
                return;
            }
            check(inMessage ? lastPieceFull : bytes[0] == 0xF0);
            const bool ends = message == HostMidiService::LongError || bytes[length - 1] == 0xF7;
            for (quint32 i = 0; i < length; ++i) {
                const bool first = !inMessage && i == 0;
                const bool closing = message == HostMidiService::LongData && i + 1 == length && ends;
                if (!first && !closing)
                    check(bytes[i] < 0x80);
            }
            if (!ends)
                check(length == bufferSize);
            inMessage = !ends;
            lastPieceFull = length == bufferSize;
            return;
        }
        case HostMidiService::ShortError:
            check(false);
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    Checker checker;
    checker.bufferSize = 1 + data[0] % 64;
    HostInputFramer framer(checker.bufferSize);
    size_t realTimeIn = 0;
    size_t at = 1;
    while (at < size) {
        const size_t wanted = data[at++] % 8;
        const size_t n = wanted < size - at ? wanted : size - at;
        if (n == 0) {
            framer.reset(checker);
            continue;
        }
        for (size_t i = 0; i < n; ++i)
            realTimeIn += data[at + i] >= 0xF8 ? 1 : 0;
        framer.feed(data + at, quint32(n), checker);
        at += n;
    }
    framer.reset(checker);
    check(!checker.inMessage);
    check(checker.realTimeOut == realTimeIn);
    return 0;
}
