#include "MidiMessage.h"

MidiMessage::MidiMessage(quint8 kind, quint8 channel, quint8 data1, quint8 data2)
    : messageKind(kind),
      messageChannel(MidiMessageKind::isChannelKind(kind) ? quint8(channel & 0x0F) : quint8(255)),
      firstData(data1), secondData(data2)
{
}

MidiMessage MidiMessage::systemExclusive(const QByteArray& bytes)
{
    MidiMessage message(MidiMessageKind::SystemExclusive, 255);
    message.sysExBytes = bytes;
    return message;
}

int MidiMessage::byteCount() const
{
    if (messageKind == MidiMessageKind::SystemExclusive)
        return sysExBytes.size();
    return MidiMessageKind::byteCount(messageKind);
}

int MidiMessage::encodeShort(quint8 out[3]) const
{
    const int count = MidiMessageKind::byteCount(messageKind);
    if (count == 0)
        return 0;
    quint8 status = MidiMessageKind::statusOf(messageKind);
    if (MidiMessageKind::isChannelKind(messageKind))
        status = quint8(status | (messageChannel & 0x0F));
    out[0] = status;
    if (count > 1)
        out[1] = firstData;
    if (count > 2)
        out[2] = secondData;
    return count;
}

QByteArray MidiMessage::encode() const
{
    if (messageKind == MidiMessageKind::SystemExclusive)
        return sysExBytes;
    quint8 bytes[3];
    const int count = encodeShort(bytes);
    return QByteArray(reinterpret_cast<const char*>(bytes), count);
}

bool MidiMessage::operator==(const MidiMessage& other) const
{
    return messageKind == other.messageKind && messageChannel == other.messageChannel &&
           firstData == other.firstData && secondData == other.secondData && sysExBytes == other.sysExBytes;
}
