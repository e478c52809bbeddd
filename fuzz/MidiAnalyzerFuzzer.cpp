// Drives the analyzer with arbitrary settings and traffic. The input is a header of settings
// followed by records: an operation byte, a length byte and that many bytes of data.
//   op % 4 == 0: received block (port from bit 2, bit 3 set: the thru sends fail)
//   op % 4 == 1: transmitted piece (kind = first data byte, port from bit 2)
//   op % 4 == 2: a parameter change mid-stream (id chosen by the first data byte, value the second)
//   op % 4 == 3: the refresh timer's tick (collect the text, advance idle time, read the tempo)
// Checks that the collected text stays within its caps and is plain lines.
//
// Each input gets an analyzer of its own, so that a finding replays from its input alone; what is
// costly per input (the log writer's thread) is left to a sample of the inputs.

#include "MidiAnalyzer.h"
#include "MidiSender.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"

#include <cstddef>
#include <cstdint>

// The checks are kept out of the coverage the fuzzer steers by: a comparison per character of the
// collected text only added noise and time.
#define VANTEL_NO_COVERAGE __attribute__((no_sanitize("coverage")))

namespace {

VANTEL_NO_COVERAGE void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

class FuzzSender : public MidiSender
{
public:
    bool fail = false;
    bool sendToOutputPorts(const quint8* bytes, quint32 length, quint8, quint32 portSelection, bool, bool,
                           quint64, bool, quint32* sendTimeOut) override
    {
        check(bytes != nullptr && length > 0 && portSelection < 2);
        if (sendTimeOut)
            *sendTimeOut = 1000u * portSelection + length;
        return !fail;
    }
};

const qint32 settingIds[] = {
    ParamMidiThru,
    ParamMidiThruSecond,
    ParamMonitorPort1,
    ParamMonitorPort2,
    ParamTimeStamp,
    ParamMessageDetail,
    ParamMiddleC,
    ParamTimeFormat,
    ParamParser,
    ParamProgramNumberBase,
    ParamFilterNoteOff,
    ParamFilterNoteOn,
    ParamFilterSystemExclusive,
    ParamFilterTimingClock,
    ParamFilterChannel,
    ParamFilterControlChangeNumber + 7,
};
constexpr int settingCount = int(sizeof settingIds / sizeof settingIds[0]);

VANTEL_NO_COVERAGE void checkLines(const QByteArray& text)
{
    if (text.isEmpty())
        return;
    check(text.at(0) == '\n');
    check(text.count('\n') <= MidiAnalyzer::MaximumPendingLines);
    for (const char c : text)
        if (c != '\n' && (c < 0x20 || c >= 0x7F))
            __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static VantelMidiModel* model = new VantelMidiModel;
    if (size < size_t(settingCount) + 1)
        return 0;
    // Settings from the header; out-of-range values on purpose (the store does not clamp).
    for (int i = 0; i < settingCount; ++i)
        model->setValue(settingIds[i], qint32(qint8(data[i])) % 5);

    FuzzSender sender;
    MidiAnalyzer analyzer(model);
    analyzer.setSender(&sender);
    // Log files on one input in eight: each start of the log writer's thread costs more than the
    // rest of an input.
    const bool logging = (data[settingCount] & 7) == 1;
    if (logging) {
        analyzer.openReceivedLogFile(QStringLiteral("/dev/null"));
        analyzer.openTransmittedLogFile(QStringLiteral("/dev/null"));
    }

    QByteArray in, sysEx, out;
    quint32 inCount, sysExCount, outCount;
    size_t offset = size_t(settingCount) + 1;
    quint32 stamp = 86399000;
    while (offset + 2 <= size) {
        const quint8 op = data[offset];
        const size_t length = std::min<size_t>(data[offset + 1], size - offset - 2);
        const quint8* bytes = data + offset + 2;
        offset += 2 + length;
        stamp += op; // crosses midnight and beyond on purpose
        switch (op % 4) {
        case 0:
            sender.fail = op & 8;
            analyzer.receiveData(bytes, quint16(length), stamp, stamp, (op >> 2) & 1);
            break;
        case 1:
            if (length > 0)
                analyzer.appendTransmitted(bytes + 1, quint32(length - 1), stamp, bytes[0], (op >> 2) & 1);
            break;
        case 2:
            if (length >= 2)
                model->setValue(settingIds[bytes[0] % settingCount], qint32(qint8(bytes[1])));
            break;
        default:
            analyzer.takeMonitorText(in, inCount, sysEx, sysExCount, out, outCount);
            checkLines(in);
            checkLines(out);
            analyzer.advanceTempoIdleTime(100000u * (op >> 2));
            check(analyzer.receivedTempo() >= 0 && analyzer.receivedTempo() <= 3000);
            break;
        }
    }
    analyzer.takeMonitorText(in, inCount, sysEx, sysExCount, out, outCount);
    checkLines(in);
    checkLines(out);
    if (logging) {
        analyzer.closeReceivedLogFile();
        analyzer.closeTransmittedLogFile();
    }
    return 0;
}
