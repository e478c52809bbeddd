#pragma once

#include "HostMidiService.h"

#include <QtGlobal>

#include <vector>

// Turns the raw byte stream of one input (events of a MIDI graph, messages of a sequencer,
// fragments of system-exclusive data) into the host service's input messages:
// - real-time bytes (0xF8..0xFF) are short data at once, also in the middle of other messages;
// - channel and system-common messages are short data of the length their status gives, running
//   status included; data bytes without a status are dropped;
// - system-exclusive data fills buffers of at most bufferSize bytes: each full buffer and the
//   buffer that holds the 0xF7 are long data; a message cut off by another status byte (or by
//   reset) is a long error, whose bytes the ports drop (empty when the cut came right after a full
//   buffer); a stray 0xF7 is dropped;
// - a piece of input that is one complete short message by itself, arriving while a
//   system-exclusive message is open, is short data and the system-exclusive message goes on: a
//   MIDI graph merges every source connected to one input, so another source's note can come
//   between two pieces of a dump.
// One framer belongs to one input and is used by one thread at a time.
class HostInputFramer
{
public:
    explicit HostInputFramer(quint32 bufferSize = 16384) : m_bufferSize(bufferSize == 0 ? 1 : bufferSize)
    {
        m_sysex.reserve(m_bufferSize);
    }

    quint32 bufferSize() const { return m_bufferSize; }

    // deliver(HostMidiService::InputMessage message, quint32 packed, const quint8* bytes, quint32 length)
    template <typename Deliver> void feed(const quint8* data, quint32 length, Deliver&& deliver)
    {
        // A whole channel message in one event is by far the most common input; skip the state
        // machine for it.
        if (!m_inSysex && length >= 1 && data[0] >= 0x80 && data[0] < 0xF0 &&
            isWholeShortMessage(data, length)) {
            m_runningStatus = data[0];
            m_count = 0;
            quint32 packed = 0;
            for (quint32 i = 0; i < length; ++i)
                packed |= quint32(data[i]) << (8 * i);
            deliver(HostMidiService::ShortData, packed, data, length);
            return;
        }
        if (m_inSysex && isWholeShortMessage(data, length)) {
            quint32 packed = 0;
            for (quint32 i = 0; i < length; ++i)
                packed |= quint32(data[i]) << (8 * i);
            deliver(HostMidiService::ShortData, packed, data, length);
            return;
        }
        for (quint32 i = 0; i < length; ++i)
            feedByte(data[i], deliver);
    }

    // Ends an unfinished system-exclusive message as a long error (the source lost data or went
    // away) and forgets running status.
    template <typename Deliver> void reset(Deliver&& deliver)
    {
        if (m_inSysex)
            finishSysex(HostMidiService::LongError, deliver);
        m_runningStatus = 0;
        m_count = 0;
    }

private:
    // A status byte other than the system-exclusive ones, followed by exactly the data bytes it
    // takes.
    static bool isWholeShortMessage(const quint8* data, quint32 length)
    {
        if (length == 0 || data[0] < 0x80 || data[0] == 0xF0 || data[0] == 0xF7 ||
            HostMidiService::shortMessageLength(data[0]) != length)
            return false;
        for (quint32 i = 1; i < length; ++i) {
            if (data[i] >= 0x80)
                return false;
        }
        return true;
    }

    template <typename Deliver> void feedByte(quint8 b, Deliver& deliver)
    {
        if (b >= 0xF8) {
            deliver(HostMidiService::ShortData, quint32(b), &b, 1u);
            return;
        }
        if (b == 0xF0) {
            if (m_inSysex)
                finishSysex(HostMidiService::LongError, deliver);
            m_inSysex = true;
            m_runningStatus = 0;
            m_count = 0;
            m_sysex.push_back(b);
            if (m_sysex.size() >= m_bufferSize) {
                deliver(HostMidiService::LongData, 0u, m_sysex.data(), quint32(m_sysex.size()));
                m_sysex.clear();
            }
            return;
        }
        if (b == 0xF7) {
            if (m_inSysex) {
                m_sysex.push_back(b);
                finishSysex(HostMidiService::LongData, deliver);
            }
            return;
        }
        if (b >= 0x80) {
            if (m_inSysex)
                finishSysex(HostMidiService::LongError, deliver);
            m_message[0] = b;
            m_count = 1;
            m_expected = HostMidiService::shortMessageLength(b);
            // System-common messages cancel running status; channel messages set it.
            m_runningStatus = b < 0xF0 ? b : 0;
            if (m_count == m_expected)
                deliverShort(deliver);
            return;
        }
        if (m_inSysex) {
            m_sysex.push_back(b);
            if (m_sysex.size() >= m_bufferSize) {
                deliver(HostMidiService::LongData, 0u, m_sysex.data(), quint32(m_sysex.size()));
                m_sysex.clear();
            }
            return;
        }
        if (m_count == 0) {
            if (m_runningStatus == 0)
                return;
            m_message[0] = m_runningStatus;
            m_count = 1;
            m_expected = HostMidiService::shortMessageLength(m_runningStatus);
        }
        m_message[m_count++] = b;
        if (m_count == m_expected)
            deliverShort(deliver);
    }

    template <typename Deliver> void deliverShort(Deliver& deliver)
    {
        quint32 packed = 0;
        for (quint32 i = 0; i < m_count; ++i)
            packed |= quint32(m_message[i]) << (8 * i);
        const quint32 n = m_count;
        m_count = 0;
        deliver(HostMidiService::ShortData, packed, m_message, n);
    }

    template <typename Deliver> void finishSysex(HostMidiService::InputMessage message, Deliver& deliver)
    {
        m_inSysex = false;
        // A message cut right after a full buffer still gets its error, with nothing in it: the
        // receiver learns that the pieces it holds have no end.
        if (!m_sysex.empty() || message == HostMidiService::LongError)
            deliver(message, 0u, m_sysex.data(), quint32(m_sysex.size()));
        m_sysex.clear();
    }

    quint32 m_bufferSize;
    std::vector<quint8> m_sysex;
    bool m_inSysex = false;
    quint8 m_runningStatus = 0;
    quint8 m_message[3] = {0, 0, 0};
    quint32 m_count = 0;
    quint32 m_expected = 0;
};
