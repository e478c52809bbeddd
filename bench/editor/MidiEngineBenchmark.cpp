// Throughput of the message engine: parser messages per second and analyzer monitor lines per
// second (details and time on, the busiest line format), and how long the GUI thread's collection
// of monitor text takes while a receive thread floods the analyzer and its log goes to a slow disk.

#include "MidiAnalyzer.h"
#include "MidiMessageParser.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// One received block per message, as ports deliver them: notes, controllers, pitch bend, program
// changes, clocks, and a 64-byte dump every 16 messages.
QByteArray bytes(std::initializer_list<char> list)
{
    return QByteArray(list.begin(), int(list.size()));
}

std::vector<QByteArray> mixedBlocks()
{
    std::vector<QByteArray> blocks;
    for (int i = 0; i < 1024; ++i) {
        const char channel = char(i % 16);
        const char a = char(i % 128);
        const char b = char((i * 7) % 128);
        switch (i % 8) {
        case 0:
            blocks.push_back(bytes({char(0x90 | channel), a, b}));
            break;
        case 1:
            blocks.push_back(bytes({char(0x80 | channel), a, 0}));
            break;
        case 2:
            blocks.push_back(bytes({char(0xB0 | channel), a, b}));
            break;
        case 3:
            blocks.push_back(bytes({char(0xE0 | channel), a, b}));
            break;
        case 4:
            blocks.push_back(bytes({char(0xC0 | channel), a}));
            break;
        case 5:
            blocks.push_back(QByteArray(1, char(0xF8)));
            break;
        case 6:
            blocks.push_back(bytes({char(0xA0 | channel), a, b}));
            break;
        default:
            if (i % 16 == 15) {
                QByteArray dump(64, char(0x11));
                dump[0] = char(0xF0);
                dump[63] = char(0xF7);
                blocks.push_back(dump);
            } else {
                blocks.push_back(bytes({char(0xD0 | channel), a}));
            }
        }
    }
    return blocks;
}

QByteArray mixedStream()
{
    QByteArray stream;
    for (const QByteArray& block : mixedBlocks())
        stream += block;
    return stream;
}

void parserMessages(benchmark::State& state)
{
    const QByteArray stream = mixedStream();
    MidiMessageParser parser;
    MidiMessage message;
    qint64 messages = 0;
    for (auto _ : state) {
        parser.feed(reinterpret_cast<const quint8*>(stream.constData()), quint32(stream.size()));
        while (parser.nextMessage(message)) {
            benchmark::DoNotOptimize(message);
            ++messages;
        }
    }
    state.SetItemsProcessed(messages);
    state.SetBytesProcessed(qint64(state.iterations()) * stream.size());
}
BENCHMARK(parserMessages)->Unit(benchmark::kMicrosecond);

// Monitor lines per second through receiveData, collected the way the refresh timer does.
// Arg 0: monitor only; 1: also writing the In log (to /dev/null, so the figure is the analyzer's).
void analyzerLines(benchmark::State& state)
{
    VantelMidiModel model;
    model.setValue(ParamMessageDetail, 1);
    model.setValue(ParamTimeStamp, 1);
    MidiAnalyzer analyzer(&model);
    if (state.range(0) == 1)
        analyzer.openReceivedLogFile(QStringLiteral("/dev/null"));
    const std::vector<QByteArray> blocks = mixedBlocks();
    QByteArray in, sysEx, out;
    quint32 inCount, sysExCount, outCount;
    quint32 stamp = 0;
    qint64 lines = 0;
    for (auto _ : state) {
        for (const QByteArray& block : blocks)
            analyzer.receiveData(reinterpret_cast<const quint8*>(block.constData()), quint16(block.size()),
                                 ++stamp, 0, 0);
        lines += qint64(blocks.size());
        analyzer.takeMonitorText(in, inCount, sysEx, sysExCount, out, outCount);
        benchmark::DoNotOptimize(in.constData());
    }
    analyzer.waitForLogFiles();
    state.SetItemsProcessed(lines);
}
BENCHMARK(analyzerLines)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The GUI thread's side while a receive thread feeds the analyzer and the In log goes into a pipe
// that is read only slowly (a disk that cannot keep up): the time of each takeMonitorText, every
// millisecond. Args: blocks per millisecond from the receive thread (0: as fast as it can), and
// 1 to log to the slow pipe or 0 not to log (to tell the disk's share from the CPU's).
// Reported: mean (the benchmark's time), the longest one (max_us), the longest time this thread
// was held up around an uncontended lock (baseline_max_us), and whether the log survived
// (log_ok: 0 when the backlog limit was reached and the file was failed).
void takeMonitorTextUnderSlowLog(benchmark::State& state)
{
    const QByteArray fifo =
        QFile::encodeName(QDir::tempPath() + QStringLiteral("/vantel-bench-%1.fifo").arg(::getpid()));
    ::unlink(fifo.constData());
    if (::mkfifo(fifo.constData(), 0600) != 0) {
        state.SkipWithError("mkfifo failed");
        return;
    }
    const int readEnd = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);

    VantelMidiModel model;
    model.setValue(ParamMessageDetail, 1);
    model.setValue(ParamTimeStamp, 1);
    MidiAnalyzer analyzer(&model);
    const bool logging = state.range(1) != 0;
    if (logging)
        analyzer.openReceivedLogFile(QString::fromLocal8Bit(fifo));

    std::atomic<bool> stop{false};
    std::thread slowDisk([&] {
        char chunk[4096];
        while (!stop.load()) {
            if (::read(readEnd, chunk, sizeof chunk) <= 0)
                ::usleep(1000);
            ::usleep(2000); // about 2 MB/s
        }
    });
    const std::vector<QByteArray> blocks = mixedBlocks();
    const int perMillisecond = int(state.range(0));
    std::thread receiveThread([&] {
        quint32 stamp = 0;
        size_t next = 0;
        auto due = std::chrono::steady_clock::now();
        while (!stop.load()) {
            const int burst = perMillisecond > 0 ? perMillisecond : int(blocks.size());
            for (int i = 0; i < burst; ++i) {
                const QByteArray& block = blocks[next];
                next = (next + 1) % blocks.size();
                analyzer.receiveData(reinterpret_cast<const quint8*>(block.constData()),
                                     quint16(block.size()), ++stamp, 0, 0);
            }
            if (perMillisecond > 0) {
                due += std::chrono::milliseconds(1);
                std::this_thread::sleep_until(due);
            }
        }
    });

    QByteArray in, sysEx, out;
    quint32 inCount, sysExCount, outCount;
    double longest = 0;
    // The same measurement around an uncontended lock: how long this thread alone can be held up
    // by the scheduler on a busy machine, so that max_us can be told apart from it.
    double longestBaseline = 0;
    std::mutex uncontended;
    for (auto _ : state) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const auto baselineStart = std::chrono::steady_clock::now();
        {
            std::lock_guard<std::mutex> lock(uncontended);
            benchmark::DoNotOptimize(in.size());
        }
        longestBaseline =
            std::max(longestBaseline,
                     std::chrono::duration<double>(std::chrono::steady_clock::now() - baselineStart).count());
        const auto start = std::chrono::steady_clock::now();
        analyzer.takeMonitorText(in, inCount, sysEx, sysExCount, out, outCount);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        longest = std::max(longest, seconds);
        state.SetIterationTime(seconds);
    }
    state.counters["max_us"] = longest * 1e6;
    state.counters["baseline_max_us"] = longestBaseline * 1e6;

    stop.store(true);
    receiveThread.join();
    // Closing waits for the backlog, which the slow reader drains; read fast from here on.
    bool logOk = false;
    std::thread drain([&] {
        if (logging) {
            logOk = analyzer.closeReceivedLogFile();
            analyzer.waitForLogFiles(); // the pipe reaches its end once the writer has closed it
        }
    });
    slowDisk.join();
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(readEnd, chunk, sizeof chunk);
        if (n <= 0) {
            if (n == 0)
                break;
            ::usleep(100);
        }
    }
    drain.join();
    if (logging)
        state.counters["log_ok"] = logOk ? 1 : 0;
    ::close(readEnd);
    ::unlink(fifo.constData());
}
BENCHMARK(takeMonitorTextUnderSlowLog)
    ->Args({0, 1})
    ->Args({0, 0})
    ->Args({100, 1})
    ->Args({1000, 1})
    ->Args({1000, 0})
    ->UseManualTime()
    ->Iterations(2000)
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
