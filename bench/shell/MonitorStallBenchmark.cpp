// How long the GUI thread stalls while a 1 MiB system-exclusive dump arrives through JACK once a
// second: the real main window with its default layout (MIDI In and Out monitors) and a
// system-exclusive view open, Port1's input connected to a JACK client of this program that sends
// the dump in pieces of one event per cycle. A timer on the GUI thread fires every 5 ms; a stall
// is how much later than due it fired. Also reported: the resident memory at the start, at the end
// and its peak.
//
// Needs a running JACK server named in JACK_DEFAULT_SERVER; bench/shell/monitor-stall.sh starts a
// private one (dummy driver) and runs this program against it.

#include "JackMidiService.h"
#include "MainWindow.h"
#include "MidiEditProgressView.h"
#include "MidiEditView.h"
#include "SubWindowManager.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMdiSubWindow>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <jack/jack.h>
#include <jack/midiport.h>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

namespace {

constexpr int DumpBytes = 1 << 20;

// A JACK client with one MIDI output port that sends the dump whenever asked, one event of at
// most a few kilobytes per cycle.
class DumpSender
{
public:
    DumpSender()
    {
        dump.resize(DumpBytes);
        for (int i = 0; i < DumpBytes; ++i)
            dump[size_t(i)] = quint8((i * 7) % 128);
        dump.front() = 0xF0;
        dump.back() = 0xF7;
        client = jack_client_open("vantel-dump-sender", JackNoStartServer, nullptr);
        if (client == nullptr)
            return;
        port = jack_port_register(client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        jack_set_process_callback(client, &DumpSender::process, this);
        if (port == nullptr || jack_activate(client) != 0) {
            jack_client_close(client);
            client = nullptr;
        }
    }
    ~DumpSender()
    {
        if (client != nullptr)
            jack_client_close(client);
    }

    bool isOpen() const { return client != nullptr; }
    QString portName() const { return QString::fromUtf8(jack_port_name(port)); }
    // Starts the next dump unless one is still going out.
    bool send()
    {
        if (sending.load())
            return false;
        sent = 0;
        sending = true;
        return true;
    }
    int dumpsSent() const { return finished.load(); }

private:
    static int process(jack_nframes_t frames, void* argument)
    {
        auto* self = static_cast<DumpSender*>(argument);
        void* buffer = jack_port_get_buffer(self->port, frames);
        jack_midi_clear_buffer(buffer);
        if (!self->sending.load())
            return 0;
        const size_t room = jack_midi_max_event_size(buffer);
        const size_t piece = std::min({room, size_t(8192), self->dump.size() - self->sent});
        if (piece > 0 && jack_midi_event_write(buffer, 0, self->dump.data() + self->sent, piece) == 0)
            self->sent += piece;
        if (self->sent >= self->dump.size()) {
            self->sending = false;
            ++self->finished;
        }
        return 0;
    }

    std::vector<quint8> dump;
    jack_client_t* client = nullptr;
    jack_port_t* port = nullptr;
    std::atomic<bool> sending{false};
    size_t sent = 0;
    std::atomic<int> finished{0};
};

double residentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/statm"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = status.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * 4096.0 / (1024.0 * 1024.0) : 0;
}

// CPU time the calling thread has used.
qint64 threadCpuNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

double peakResidentMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

void runEventLoopFor(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

void BM_GuiStallUnderDumps(benchmark::State& state)
{
    const int seconds = qEnvironmentVariableIsSet("VANTEL_STALL_SECONDS")
                            ? qMax(1, qEnvironmentVariableIntValue("VANTEL_STALL_SECONDS"))
                            : 60;
    auto service = std::make_unique<JackMidiService>();
    if (!service->isRunning()) {
        state.SkipWithError("no JACK server (run bench/shell/monitor-stall.sh)");
        return;
    }
    HostMidiService::install(std::move(service));
    DumpSender sender;
    if (!sender.isOpen()) {
        state.SkipWithError("the sender could not join the JACK server");
        HostMidiService::shutDown();
        return;
    }

    VantelMidiModel model;
    auto window = std::make_unique<MainWindow>(&model);
    window->show();
    window->resizeToDefault();
    window->openEditView(MidiEditView::SystemExclusive, QSize(), QString());
    if (state.range(0) == 0)
        window->subWindows()->closeAll();
    runEventLoopFor(300);
    QStringList choices;
    window->inputPortChoices(0, &choices, nullptr);
    // The first choice is "not connected"; device numbers count from the one after it.
    const int index = int(choices.indexOf(sender.portName())) - 1;
    if (index < 0 || !window->openInputPort(0, quint32(index))) {
        const QByteArray listed = choices.join(QStringLiteral(", ")).toUtf8();
        state.SkipWithError(("Port1 input could not take the sender's port; choices: " + listed).constData());
        window.reset();
        HostMidiService::shutDown();
        return;
    }
    runEventLoopFor(300);
    const double residentBefore = residentMegabytes();

    std::vector<qint64> stalls;
    // Of each stall, the part the GUI thread spent working (the rest it was waiting for a core, on
    // a loaded machine).
    std::vector<qint64> busy;
    for (auto _ : state) {
        QElapsedTimer sinceTick;
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        probe.setInterval(5);
        qint64 cpuAtTick = threadCpuNanoseconds();
        QObject::connect(&probe, &QTimer::timeout, [&] {
            stalls.push_back(std::max<qint64>(0, sinceTick.nsecsElapsed() - 5000000));
            const qint64 cpu = threadCpuNanoseconds();
            busy.push_back(cpu - cpuAtTick);
            cpuAtTick = cpu;
            sinceTick.restart();
        });
        QTimer dumps;
        dumps.setInterval(1000);
        QObject::connect(&dumps, &QTimer::timeout, [&] { sender.send(); });
        sender.send();
        dumps.start();
        sinceTick.start();
        probe.start();
        runEventLoopFor(seconds * 1000);
        probe.stop();
        dumps.stop();
    }
    std::sort(stalls.begin(), stalls.end());
    std::sort(busy.begin(), busy.end());
    const auto at = [&stalls](double p) {
        return stalls.empty()
                   ? 0.0
                   : double(
                         stalls[std::min(stalls.size() - 1, size_t(p * double(stalls.size() - 1) + 0.5))]) /
                         1e6;
    };
    state.counters["dumps_sent"] = sender.dumpsSent();
    state.counters["stall_median_ms"] = at(0.5);
    state.counters["stall_p99_ms"] = at(0.99);
    state.counters["stall_worst_ms"] = at(1.0);
    state.counters["busy_worst_ms"] = busy.empty() ? 0.0 : double(busy.back()) / 1e6;
    state.counters["stalls_over_30ms"] =
        double(std::count_if(stalls.begin(), stalls.end(), [](qint64 s) { return s > 30000000; }));
    // What the In monitor was fed: the bytes its lines stand for.
    if (QMdiSubWindow* in =
            state.range(0) != 0 ? window->subWindows()->singleView(ViewKind::MidiInMonitor) : nullptr)
        if (auto* monitor = qobject_cast<MidiEditView*>(in->widget()))
            state.counters["in_monitor_bytes"] = double(monitor->progressView()->byteCount());
    state.counters["rss_start_mb"] = residentBefore;
    state.counters["rss_end_mb"] = residentMegabytes();
    state.counters["rss_peak_mb"] = peakResidentMegabytes();

    window.reset();
    HostMidiService::shutDown();
}

} // namespace

// Seconds of dumps: VANTEL_STALL_SECONDS, 60 by default. Argument: views open (1: both monitors and
// a system-exclusive view; 0: every view closed, the window's own share).
BENCHMARK(BM_GuiStallUnderDumps)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(images);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
