// Feeds arbitrary bytes to the message parser, cut into blocks whose sizes come from the input,
// and checks what must hold for any stream:
// - the messages do not depend on how the stream was cut into blocks;
// - every message has a kind the parser may yield and encodes to well-formed bytes;
// - parsing a message's encoding gives the same message back.

#include "MidiMessageParser.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void checkMessage(const MidiMessage& message)
{
    check(message.kind() <= MidiMessageKind::SystemReset);
    const QByteArray bytes = message.encode();
    check(bytes.size() == message.byteCount());
    check(bytes.size() >= 1);
    check(quint8(bytes[0]) >= 0x80);
    if (message.kind() == MidiMessageKind::SystemExclusive) {
        check(bytes.size() >= 2 && quint8(bytes[0]) == 0xF0 && quint8(bytes[bytes.size() - 1]) == 0xF7);
        for (int i = 1; i < bytes.size() - 1; ++i)
            check(quint8(bytes[i]) < 0x80);
    } else {
        for (int i = 1; i < bytes.size(); ++i)
            check(quint8(bytes[i]) < 0x80);
    }

    MidiMessageParser again;
    again.feed(reinterpret_cast<const quint8*>(bytes.constData()), quint32(bytes.size()));
    MidiMessage copy;
    check(again.nextMessage(copy));
    check(copy == message);
    check(!again.nextMessage(copy));
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
    return 0;
}
