// How long the GUI thread is busy per 100 ms refresh tick while MIDI floods in: the real main
// window with its default layout, both monitors already full (4096 lines), time stamps and details
// on, and 20 000 messages per second arriving on Port1's input through the loopback system and
// forwarded by thru to Port1's output, so that every message makes a MIDI In line and a MIDI Out
// line. Reported per tick: the refresh handler alone (collecting the text and appending it to the
// views) and all the GUI thread's event work in that tick's period (handler, layout and painting).

#include "LoopbackMidiService.h"
#include "MainWindow.h"
#include "MidiEditView.h"
#include "MonitorTextView.h"
#include "SettingsFile.h"
#include "SubWindowManager.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMdiSubWindow>
#include <QTimer>
#include <QTimerEvent>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

// Measures, on the GUI thread, the time spent delivering events: per outermost event, and for the
// refresh timer's events separately.
class TimingApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        const bool outermost = depth == 0;
        const bool tick = watched && receiver == watched && event->type() == QEvent::Timer &&
                          static_cast<QTimerEvent*>(event)->timerId() == watched->refreshTimerId();
        const qint64 start = outermost || tick ? clock.nsecsElapsed() : 0;
        ++depth;
        const bool result = QApplication::notify(receiver, event);
        --depth;
        if (outermost || tick) {
            const qint64 spent = clock.nsecsElapsed() - start;
            if (outermost)
                busySincePreviousTick += spent;
            if (tick && recording) {
                handlerTimes.push_back(spent);
                // The period ends with this tick: its own work and everything since the last one.
                periodTimes.push_back(busySincePreviousTick + (outermost ? 0 : spent));
            }
            if (tick)
                busySincePreviousTick = 0;
        }
        return result;
    }

    MainWindow* watched = nullptr;
    bool recording = false;
    std::vector<qint64> handlerTimes;
    std::vector<qint64> periodTimes;

private:
    QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    int depth = 0;
    qint64 busySincePreviousTick = 0;
};

void runEventLoopFor(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

MidiEditView* viewOf(QMdiSubWindow* subWindow)
{
    return subWindow ? qobject_cast<MidiEditView*>(subWindow->widget()) : nullptr;
}

double percentile(std::vector<qint64> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5));
    return double(values[index]) / 1e6;
}

void BM_RefreshTickUnderFlood(benchmark::State& state)
{
    auto* app = static_cast<TimingApplication*>(qApp);
    const int messagesPerSecond = int(state.range(0));
    const int seconds = 5;

    auto service = std::make_unique<LoopbackMidiService>();
    LoopbackMidiService* loop = service.get();
    HostMidiService::install(std::move(service));

    VantelMidiModel model;
    model.setValue(ParamTimeStamp, 1);
    model.setValue(ParamMessageDetail, 1);
    model.setValue(ParamMessageColor, int(state.range(1)));
    model.setValue(ParamParser, int(state.range(3)));
    auto window = std::make_unique<MainWindow>(&model);
    window->show();
    window->resizeToDefault();
    runEventLoopFor(200);
    window->openInputPort(0, 0);      // Loopback A
    window->openOutputPort(0, 1);     // Loopback B: thru data leaves without coming back
    model.setValue(ParamMidiThru, 1); // Port1->Port1

    MidiEditView* in = viewOf(window->subWindows()->singleView(ViewKind::MidiInMonitor));
    MidiEditView* out = viewOf(window->subWindows()->singleView(ViewKind::MidiOutMonitor));
    if (!in || !out) {
        state.SkipWithError("the default layout has no monitors");
        return;
    }
    // Full monitors: every append now also drops lines from the top.
    QString filler;
    for (int i = 0; i < 4096; ++i)
        filler += QStringLiteral("\n00:00:00:000 Port1 Ch 1 NoteOn   90 3C 64 [C3  ( 60), 100]");
    in->appendReceivedText(filler, 4096 * 3);
    out->appendOutText(filler);
    runEventLoopFor(200);

    std::atomic<bool> stop{false};
    std::atomic<qint64> injected{0};
    std::thread device([&] {
        // A device that sends a steady stream: every millisecond the messages that are due.
        const auto begin = std::chrono::steady_clock::now();
        qint64 sent = 0;
        while (!stop.load()) {
            const auto now = std::chrono::steady_clock::now();
            const qint64 due = std::chrono::duration_cast<std::chrono::microseconds>(now - begin).count() *
                               messagesPerSecond / 1000000;
            QByteArray batch;
            for (; sent < due; ++sent) {
                const char note = char(0x30 + sent % 32);
                if (sent % 4 == 3)
                    batch.append("\xB0\x07", 2).append(char(sent % 128));
                else
                    batch.append(char(sent % 2 ? 0x80 : 0x90)).append(note).append(char(0x64));
            }
            if (!batch.isEmpty())
                loop->injectBytes(QStringLiteral("Loopback A"), batch);
            injected = sent;
            std::this_thread::sleep_until(now + std::chrono::milliseconds(1));
        }
    });

    if (state.range(2) == 0) {
        // The window's own share: the text is collected and converted, and nobody shows it.
        window->subWindows()->closeAll();
        runEventLoopFor(100);
    }

    for (auto _ : state) {
        app->handlerTimes.clear();
        app->periodTimes.clear();
        app->watched = window.get();
        runEventLoopFor(300); // settle into the flood
        app->recording = true;
        runEventLoopFor(seconds * 1000);
        app->recording = false;
        app->watched = nullptr;
    }
    stop = true;
    device.join();
    loop->waitUntilDelivered();

    state.counters["ticks"] = double(app->handlerTimes.size());
    state.counters["msg_per_s_sent"] = double(injected.load()) / (seconds + 0.7);
    state.counters["handler_median_ms"] = percentile(app->handlerTimes, 0.5);
    state.counters["handler_worst_ms"] = percentile(app->handlerTimes, 1.0);
    state.counters["period_median_ms"] = percentile(app->periodTimes, 0.5);
    state.counters["period_worst_ms"] = percentile(app->periodTimes, 1.0);
    if (state.range(2) != 0) {
        state.counters["in_lines"] = double(in->monitorView()->lineCount());
        state.counters["out_lines"] = double(out->monitorView()->lineCount());
    }

    window.reset();
    HostMidiService::shutDown();
}

} // namespace

// Arguments: messages per second, colouring of the monitor text (parameter 1203, on by default),
// monitors open (0: all views closed, which leaves the collection of the text alone), parser
// (parameter 1207; off, the monitors show raw bytes and colour them with the other rule table).
BENCHMARK(BM_RefreshTickUnderFlood)
    ->Args({20000, 1, 1, 1})
    ->Args({20000, 0, 1, 1})
    ->Args({20000, 1, 0, 1})
    ->Args({20000, 1, 1, 0})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TimingApplication app(argc, argv);
    Q_INIT_RESOURCE(images);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
