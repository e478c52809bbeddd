// Cost of the parameter store's hot path: worker threads read values on every message, views set
// them on every knob step, and each set notifies the bound controls and the listeners.
#include "ModelAssistant.h"
#include "ModelConnection.h"
#include "VantelMidiModel.h"

#include <benchmark/benchmark.h>

namespace {

class Bound : public ModelConnection
{
public:
    void update(qint32 parameterId) override { benchmark::DoNotOptimize(parameterId); }
};

class Listener : public ModelAssistant
{
public:
    void parameterChanged(qint32 id) override { benchmark::DoNotOptimize(id); }
};

void getValue(benchmark::State& state)
{
    VantelMidiModel model;
    qint32 id = ParamFilterControlChangeNumber;
    for (auto _ : state) {
        benchmark::DoNotOptimize(model.getValue(id));
        id = id == ParamFilterControlChangeNumberLast ? ParamFilterControlChangeNumber : id + 1;
    }
}
BENCHMARK(getValue);

void setSameValue(benchmark::State& state)
{
    VantelMidiModel model;
    for (auto _ : state)
        benchmark::DoNotOptimize(model.setValue(ParamBulkInterval, 0));
}
BENCHMARK(setSameValue);

// A changed value reaching two bound controls and, as in the running program, a handful of
// listeners (main window, analyzer, editor views).
void setChangedValue(benchmark::State& state)
{
    VantelMidiModel model;
    Bound a, b;
    for (Bound* c : {&a, &b}) {
        c->setId(ParamBulkInterval);
        c->connectModel(&model);
    }
    Listener listeners[4];
    for (Listener& l : listeners)
        model.addAssistant(&l);
    qint32 value = 0;
    for (auto _ : state) {
        value = (value + 1) & 1023;
        benchmark::DoNotOptimize(model.setValue(ParamBulkInterval, value));
    }
    for (Listener& l : listeners)
        model.removeAssistant(&l);
}
BENCHMARK(setChangedValue);

} // namespace

BENCHMARK_MAIN();
