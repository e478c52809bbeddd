// Feeds arbitrary bytes to the message parser, cut into blocks whose sizes come from the input,
// and checks what must hold for any stream:
// - the messages do not depend on how the stream was cut into blocks: one pattern of block sizes
//   for every input, and on a sample of short inputs every single cut point;
// - every message has a kind the parser may yield and encodes to well-formed bytes;
// - parsing a message's encoding gives the same message back.
//
// The checks are kept out of the coverage the fuzzer steers by (their comparisons would only add
// noise and time), and they reuse their parsers: a fresh parser allocates its buffer on the first
// byte, which costs more than parsing a short message.

#include "MidiMessageParser.h"

#include <cstddef>
#include <cstdint>
#include <vector>

#define VANTEL_NO_COVERAGE __attribute__((no_sanitize("coverage")))

namespace {

// Inputs up to this length, one in eight of them, have every cut point checked.
constexpr size_t EveryCutLimit = 64;

VANTEL_NO_COVERAGE void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

VANTEL_NO_COVERAGE void checkMessage(const MidiMessage& message)
{
    check(message.kind() <= MidiMessageKind::SystemReset);
    const QByteArray bytes = message.encode();
    const int size = bytes.size();
    const auto* b = reinterpret_cast<const quint8*>(bytes.constData());
    check(size == message.byteCount());
    check(size >= 1);
    check(b[0] >= 0x80);
    int last = size;
    if (message.kind() == MidiMessageKind::SystemExclusive) {
        check(size >= 2 && b[0] == 0xF0 && b[size - 1] == 0xF7);
        last = size - 1;
    }
    for (int i = 1; i < last; ++i)
        check(b[i] < 0x80);

    // Every encoding begins with its status byte, so what the parser keeps from the last one
    // (running status) plays no part; it holds nothing else once a message came out whole.
    static MidiMessageParser again;
    again.feed(b, quint32(size));
    MidiMessage copy;
    check(again.nextMessage(copy));
    check(copy == message);
    check(!again.nextMessage(copy));
}

// The messages of the stream fed in two blocks, cut at each point in turn.
VANTEL_NO_COVERAGE void checkEveryCut(const quint8* stream, size_t length,
                                      const std::vector<MidiMessage>& whole)
{
    static MidiMessageParser parser;
    for (size_t cut = 1; cut < length; ++cut) {
        parser.reset();
        size_t count = 0;
        MidiMessage message;
        parser.feed(stream, quint32(cut));
        while (parser.nextMessage(message)) {
            check(count < whole.size() && message == whole[count]);
            ++count;
        }
        parser.feed(stream + cut, quint32(length - cut));
        while (parser.nextMessage(message)) {
            check(count < whole.size() && message == whole[count]);
            ++count;
        }
        check(count == whole.size());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const unsigned cut = data[0];
    const quint8* stream = data + 1;
    const size_t length = size - 1;

    std::vector<MidiMessage> whole;
    {
        MidiMessageParser parser;
        parser.feed(stream, quint32(length));
        MidiMessage message;
        while (parser.nextMessage(message))
            whole.push_back(message);
    }

    std::vector<MidiMessage> pieces;
    pieces.reserve(whole.size());
    MidiMessageParser parser;
    size_t offset = 0;
    unsigned step = 0;
    while (offset < length) {
        // Block sizes from 1 to 32, in a pattern chosen by the first byte.
        const size_t block = std::min<size_t>(length - offset, ((cut + 7 * step++) % 32) + 1);
        parser.feed(stream + offset, quint32(block));
        MidiMessage message;
        while (parser.nextMessage(message)) {
            checkMessage(message);
            pieces.push_back(message);
        }
        offset += block;
    }
    check(pieces.size() == whole.size());
    for (size_t i = 0; i < whole.size(); ++i)
        check(pieces[i] == whole[i]);

    if (length <= EveryCutLimit && (cut & 7) == 0)
        checkEveryCut(stream, length, whole);
    return 0;
}
