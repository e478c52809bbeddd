// The receive path: from the host's input callback through the port's ring and receive thread to
// the receiver. Each iteration hands over one batch and waits until the receiver has seen all of it.
#include "LoopbackMidiService.h"
#include "MidiClient.h"
#include "MidiInputPort.h"

#include <benchmark/benchmark.h>

#include <QThread>

#include <atomic>
#include <vector>

namespace {

struct Counter
{
    std::atomic<quint64> records{0};
    std::atomic<quint64> bytes{0};

    static void receive(void* context, const quint8*, quint16 length, quint32, quint64, quint32)
    {
        auto* c = static_cast<Counter*>(context);
        c->bytes.fetch_add(length, std::memory_order_relaxed);
        c->records.fetch_add(1, std::memory_order_release);
    }
    void waitFor(quint64 n) const
    {
        while (records.load(std::memory_order_acquire) < n)
            QThread::yieldCurrentThread();
    }
};

// An input port on the loopback service whose receiver counts what arrives.
struct ReceivePath
{
    ReceivePath() { port.setReceiver(&Counter::receive, &counter); }

    // Each iteration: handOver() passes one batch of batchSize records, then waits until the
    // receiver has seen them. Returns the records of all iterations.
    template <typename HandOver> quint64 run(benchmark::State& state, quint64 batchSize, HandOver handOver)
    {
        quint64 sent = 0;
        for (auto _ : state) {
            handOver();
            sent += batchSize;
            counter.waitFor(sent);
        }
        state.SetItemsProcessed(int64_t(sent));
        return sent;
    }

    LoopbackMidiService host;
    MidiClient client{&host};
    MidiInputPort port{&client, 16384, 0, HostMidiService::milliseconds(), Midi::localTimeOfDay()};
    Counter counter;
};

void shortMessages(benchmark::State& state)
{
    ReceivePath path;
    const quint64 batch = 10000;
    const quint64 sent = path.run(state, batch, [&path] {
        for (quint64 i = 0; i < batch; ++i)
            MidiInputPort::hostInput(&path.port, HostMidiService::ShortData, 0x00403C90u, nullptr, 0,
                                     HostMidiService::milliseconds(), i);
    });
    state.SetBytesProcessed(int64_t(sent * 3));
}

void sysexRecords(benchmark::State& state)
{
    ReceivePath path;
    std::vector<quint8> buffer(16384, 0x42);
    buffer.front() = 0xF0;
    const quint64 batch = 200;
    const quint64 sent = path.run(state, batch, [&path, &buffer] {
        for (quint64 i = 0; i < batch; ++i)
            MidiInputPort::hostInput(&path.port, HostMidiService::LongData, 0, buffer.data(),
                                     quint32(buffer.size()), HostMidiService::milliseconds(), i);
    });
    state.SetBytesProcessed(int64_t(sent * buffer.size()));
}

// The same through the loopback service: framing on its delivery thread, then the port.
void shortMessagesThroughLoopback(benchmark::State& state)
{
    ReceivePath path;
    path.port.enumerateDevices();
    path.port.open(0);
    const quint64 batch = 10000;
    QByteArray stream;
    for (quint64 i = 0; i < batch; ++i)
        stream.append("\x90\x3C\x40", 3);
    path.run(state, batch, [&path, &stream] { path.host.injectBytes(QStringLiteral("Loopback A"), stream); });
}

} // namespace

BENCHMARK(shortMessages)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(sysexRecords)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(shortMessagesThroughLoopback)->UseRealTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
