// Forwards one JACK peer's MIDI to another through the program's receive path and thru (Port1 In
// to Port1 Out, the analyzer as receiver, as in the program) for a while, then ends. Used by
// thru-timing.sh, which measures what arrives at the peer.
//
//   vantel_thru_driver <peer-output-port> <peer-input-port> <seconds>
//
// The server is the one JACK_DEFAULT_SERVER names.

#include "JackMidiService.h"
#include "MidiAnalyzer.h"
#include "MidiBulkIntervalManager.h"
#include "MidiHub.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <peer-output-port> <peer-input-port> <seconds>\n", argv[0]);
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QString target = QString::fromLocal8Bit(argv[2]);
    const int seconds = QString::fromLocal8Bit(argv[3]).toInt();

    JackMidiService jack;
    if (!jack.isRunning()) {
        std::fprintf(stderr, "no JACK server\n");
        return 1;
    }
    VantelMidiModel model;
    model.setValue(ParamMidiThru, 1);
    MidiAnalyzer analyzer(&model);
    MidiBulkIntervalManager bulk(&model);
    {
        MidiHub hub(&jack);
        hub.setBulkIntervalManager(&bulk);
        hub.setOutMonitor(&analyzer);
        hub.setReceiver(&MidiAnalyzer::receiveCallback, &analyzer);
        analyzer.setSender(&hub);
        bool open = false;
        for (int i = 0; i < 100 && !open; ++i) {
            open = hub.inputPort(0)->open(source) == 0 && hub.outputPort(0)->open(target) == 0;
            if (!open)
                QThread::msleep(100);
        }
        if (!open) {
            std::fprintf(stderr, "cannot connect %s and %s\n", qPrintable(source), qPrintable(target));
            return 1;
        }
        // The monitor text is collected as the main window's timer would, so that it never piles up.
        for (int i = 0; i < seconds * 20; ++i) {
            QThread::msleep(50);
            QByteArray in, sysEx, out;
            quint32 inCount, sysExCount, outCount;
            analyzer.takeMonitorText(in, inCount, sysEx, sysExCount, out, outCount);
        }
        analyzer.setSender(nullptr);
        hub.setReceiver(nullptr, nullptr);
    }
    std::printf("xruns %llu\n", static_cast<unsigned long long>(jack.xruns()));
    return 0;
}
