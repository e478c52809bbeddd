// Throughput of the command-line monitor's own path: messages framed by the host's input, queued
// whole (CliInput), taken in batches, formatted as In monitor lines with time and details on
// (MonitorPrinter) and written into a pipe that another thread drains, as `monitor --count N | ...`
// does. The host is the in-process loopback system, so the figure is the program's, not a server's.
// bench/cli/cli-bench.sh measures the executable beside jack_midi_dump through a JACK server.

#include "CliInput.h"
#include "LoopbackMidiService.h"
#include "MonitorPrinter.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"

#include <benchmark/benchmark.h>

#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

void monitorIntoAPipe(benchmark::State& state)
{
    VantelMidiModel model;
    model.setValue(ParamTimeStamp, 1);
    model.setValue(ParamMessageDetail, 1);
    LoopbackMidiService service;
    CliInput input(&service);
    QString error;
    if (!input.open(QStringLiteral("Loopback A"), &error)) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    HostMidiService::Handle out = HostMidiService::InvalidHandle;
    service.openOutput(QStringLiteral("Loopback A"), 0, &out);

    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        state.SkipWithError("no pipe");
        return;
    }
    std::thread reader([fd = pipeEnds[0]] {
        std::vector<char> sink(1 << 16);
        while (read(fd, sink.data(), sink.size()) > 0) {
        }
    });
    MonitorPrinter printer(&model, pipeEnds[1]);

    const int batch = int(state.range(0));
    std::vector<CliMessage> taken;
    taken.reserve(size_t(batch));
    qint64 lines = 0;
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i) {
            const quint8 message[3] = {quint8(0x90 | (i % 16)), quint8(i % 128), quint8((i * 7) % 128)};
            const quint8 control[3] = {quint8(0xB0 | (i % 16)), quint8(7), quint8(i % 128)};
            service.sendShort(out, i % 2 == 0 ? message : control, 3);
        }
        int left = batch;
        while (left > 0) {
            taken.clear();
            input.take(&taken, 100);
            for (const CliMessage& message : taken)
                lines += printer.print(message);
            left -= int(taken.size());
            printer.flushIfLarge();
        }
        printer.flush();
    }
    state.SetItemsProcessed(lines);
    state.counters["lines/s"] = benchmark::Counter(double(lines), benchmark::Counter::kIsRate);
    close(pipeEnds[1]);
    reader.join();
    close(pipeEnds[0]);
    service.closeOutput(out);
}

} // namespace

BENCHMARK(monitorIntoAPipe)->Arg(1024)->Arg(16384)->UseRealTime();

BENCHMARK_MAIN();
