// Sends the timing clock of the clock view's thread through the JACK backend to one peer port for a
// while, then ends. Used by clock-precision.sh, which measures what arrives at the peer.
//
//   vantel_clock_driver <peer-input-port> <seconds> [bpm]
//
// The server is the one JACK_DEFAULT_SERVER names.

#include "JackMidiService.h"
#include "MidiBulkIntervalManager.h"
#include "MidiHub.h"
#include "MidiTimingClockTransmittionThread.h"
#include "Model.h"
#include "VantelMidiParameterId.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <peer-input-port> <seconds> [bpm]\n", argv[0]);
        return 2;
    }
    const QString peer = QString::fromLocal8Bit(argv[1]);
    const int seconds = QString::fromLocal8Bit(argv[2]).toInt();
    const int bpm = argc > 3 ? QString::fromLocal8Bit(argv[3]).toInt() : 300;

    JackMidiService jack;
    if (!jack.isRunning()) {
        std::fprintf(stderr, "no JACK server\n");
        return 1;
    }
    Model model;
    model.registerParameter(ParamParser, 0, 1, 1, QStringLiteral("Parser"));
    MidiBulkIntervalManager bulk(&model);
    MidiHub hub(&jack);
    hub.setBulkIntervalManager(&bulk);
    bool open = false;
    for (int i = 0; i < 100 && !open; ++i) {
        open = hub.outputPort(0)->open(peer) == 0;
        if (!open)
            QThread::msleep(100);
    }
    if (!open) {
        std::fprintf(stderr, "cannot connect to %s\n", qPrintable(peer));
        return 1;
    }
    auto* clock = new MidiTimingClockTransmittionThread(&hub);
    clock->setTempo(bpm * 10);
    clock->setPlaying(true);
    QThread::sleep(static_cast<unsigned long>(seconds));
    clock->setPlaying(false);
    delete clock;
    std::printf("xruns %llu\n", static_cast<unsigned long long>(jack.xruns()));
    return 0;
}
