// A firmware-sized dump in the system-exclusive editor: how long a 1 MiB .syx file and a 24 MB
// hexadecimal text take from the Open command until the view has painted them (a large file is
// read and placed behind the progress page), and how long the dump's transmission takes through
// the loopback system with the progress page up, each with how far apart the GUI thread's timer
// ticks came meanwhile (the window's responsiveness).

#include "../../tests/viewhost/LoopbackViewHost.h"

#include "MidiEditGeneralView.h"
#include "MidiEditView.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"
#include "WorkerThread.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

constexpr int DumpBytes = 1 << 20;

// Sends to the loopback system's "Loopback A" and "Loopback B", which complete at once.
class BenchHost : public LoopbackViewHost
{
public:
    explicit BenchHost(VantelMidiModel* model) : LoopbackViewHost(model) { openLoopbackOutputs(); }
    ~BenchHost() override { WorkerThread::finishReleased(10000); }
};

QString writeDump(const QTemporaryDir& folder)
{
    QByteArray bytes(DumpBytes, '\0');
    for (int i = 0; i < DumpBytes; ++i)
        bytes[i] = char(i % 128);
    bytes[0] = char(0xF0);
    bytes[DumpBytes - 1] = char(0xF7);
    const QString path = folder.filePath(QStringLiteral("dump.syx"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

MidiEditView* shownEditor(VantelMidiModel* model, ViewHost* host)
{
    auto* view = new MidiEditView(nullptr, model, MidiEditView::SystemExclusive, QString(), host);
    view->resize(338, 274);
    view->show();
    QApplication::processEvents();
    return view;
}

QString writeHexText(const QTemporaryDir& folder, int megabytes)
{
    // Lines as a received dump saved as text has them: 4096 bytes, 12 287 characters.
    QByteArray line;
    for (int i = 0; i < 4096; ++i)
        line += QByteArray::number(0x10 + i % 0x60, 16).toUpper() + (i + 1 < 4096 ? " " : "\n");
    const QString path = folder.filePath(QStringLiteral("dump.txt"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        while (file.size() < qint64(megabytes) << 20)
            file.write(line);
    }
    return path;
}

// Opens a file into a shown, empty editor and runs the event loop until it is in place and painted;
// the longest gap between ticks of a 5 ms timer on the GUI thread goes to `gap`.
MidiEditView* openAndWait(VantelMidiModel* model, ViewHost* host, const QString& path, qint64* gap)
{
    MidiEditView* view = shownEditor(model, host);
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] { *gap = std::max(*gap, sinceTick.restart()); });
    sinceTick.start();
    ticker.start();
    view->generalView()->placeFileText(path);
    QApplication::processEvents();
    // A large file is read and placed behind the progress page.
    while (view->currentPage() == MidiEditView::ProgressPage)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    view->repaint();
    *gap = std::max(*gap, sinceTick.elapsed());
    ticker.stop();
    return view;
}

// Opens the file into a new editor once per iteration; the text must come out expectedSize
// characters long.
void measureOpening(benchmark::State& state, const QString& path, int expectedSize)
{
    VantelMidiModel model;
    BenchHost host(&model);
    qint64 longestGap = 0;
    for (auto _ : state) {
        MidiEditView* view = openAndWait(&model, &host, path, &longestGap);
        state.PauseTiming();
        if (view->text().size() != expectedSize)
            state.SkipWithError("the file did not open whole");
        delete view;
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["longest_gui_gap_ms"] = double(longestGap);
}

void BM_OpenSyx1MiB(benchmark::State& state)
{
    QTemporaryDir folder;
    measureOpening(state, writeDump(folder), DumpBytes * 3 - 1);
}
BENCHMARK(BM_OpenSyx1MiB)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenHexText24MB(benchmark::State& state)
{
    QTemporaryDir folder;
    const QString path = writeHexText(folder, 24);
    measureOpening(state, path, int(QFileInfo(path).size()));
}
BENCHMARK(BM_OpenHexText24MB)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same bytes as one line of text, as some tools write a dump: a line the text area cannot
// place in pieces without laying it out again each time.
void BM_OpenHexTextOneLine(benchmark::State& state)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("line.txt"));
    QByteArray line;
    line.reserve(int(state.range(0)) << 20);
    for (int i = 0; line.size() < (int(state.range(0)) << 20); ++i)
        line += QByteArray::number(0x10 + i % 0x60, 16).toUpper() + ' ';
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(line);
    file.close();
    measureOpening(state, path, line.size());
}
BENCHMARK(BM_OpenHexTextOneLine)->Arg(1)->Arg(4)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Transmit1MiB(benchmark::State& state)
{
    QTemporaryDir folder;
    const QString path = writeDump(folder);
    VantelMidiModel model;
    BenchHost host(&model);
    qint64 opening = 0;
    MidiEditView* view = openAndWait(&model, &host, path, &opening);
    qint64 longestGap = 0;
    for (auto _ : state) {
        QElapsedTimer sinceTick;
        QTimer ticker;
        ticker.setInterval(5);
        qint64 gap = 0;
        QObject::connect(&ticker, &QTimer::timeout, [&] { gap = std::max(gap, sinceTick.restart()); });
        sinceTick.start();
        ticker.start();
        view->transmit(view->text());
        while (model.getValue(ParamTransmissionState) != 0)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        ticker.stop();
        longestGap = std::max(longestGap, gap);
    }
    state.counters["longest_gui_gap_ms"] = double(longestGap);
    state.SetBytesProcessed(int64_t(state.iterations()) * DumpBytes);
    delete view;
}
BENCHMARK(BM_Transmit1MiB)->Unit(benchmark::kMillisecond)->UseRealTime();

// A 16 MB text that is not hexadecimal, sent with the Transmit command: the time until the failure
// shows and the longest gap of the GUI thread's ticks meanwhile.
void BM_TransmitNonHexText16MB(benchmark::State& state)
{
    QString text;
    const QString line =
        QStringLiteral("F0 41 10 42 12 40 00 7F 00 41 F7 // a comment that is long enough XX\n");
    while (text.size() < 16 * 1024 * 1024)
        text += line;
    VantelMidiModel model;
    BenchHost host(&model);
    MidiEditView* view = shownEditor(&model, &host);
    view->setText(text);
    QApplication::processEvents();
    qint64 longestGap = 0;
    for (auto _ : state) {
        QElapsedTimer sinceTick;
        QTimer ticker;
        ticker.setInterval(5);
        qint64 gap = 0;
        QObject::connect(&ticker, &QTimer::timeout, [&] { gap = std::max(gap, sinceTick.restart()); });
        sinceTick.start();
        ticker.start();
        view->generalView()->transmitMenuSelected();
        while (model.getValue(ParamTransmissionState) != 0)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        gap = std::max(gap, sinceTick.elapsed());
        ticker.stop();
        longestGap = std::max(longestGap, gap);
    }
    state.counters["longest_gui_gap_ms"] = double(longestGap);
    delete view;
}
BENCHMARK(BM_TransmitNonHexText16MB)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

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
