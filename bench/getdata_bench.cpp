// Speed of one reading request: a typical display string, and large
// templates with a token every 10 bytes, which must cost time linear in
// their length.
#include "plugin/exports.h"
#include "plugin/reading_request.h"
#include "sensor/sensor_library.h"
#include "tests/support/fake_vendor_library.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

void bindSensor() {
    fake_vendor::Reset();
    fake_vendor::state.devices = {{21.5, 40.0}};
    sensorLibrary = fake_vendor::BoundRecord(1);
}

// "[tempC]abc[hum]abcde[dew]abcde..." : one token every 10 bytes.
std::string denseTemplate(std::size_t length) {
    static const char* const pieces[] = {"[tempC]abc", "[hum]abcde", "[dew]abcde", "[devcnt]ab"};
    std::string text;
    text.reserve(length + 10);
    for (std::size_t i = 0; text.size() < length; ++i) text += pieces[i % 4];
    return text;
}

void BM_GetDataTypical(benchmark::State& state) {
    bindSensor();
    PluginInstance* instance = dllstartup(0, 0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetData(instance,
                                         "[tempC] \xB0"
                                         "C  [hum] %  dew point [dew] \xB0"
                                         "C",
                                         "0", "1", "", ""));
    }
    dllshutdown(instance);
    sensorLibrary = SensorLibrary{};
}
BENCHMARK(BM_GetDataTypical);

void BM_GetDataDenseTemplate(benchmark::State& state) {
    bindSensor();
    const std::string displayString = denseTemplate(static_cast<std::size_t>(state.range(0)));
    PluginInstance* instance = dllstartup(0, 0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetData(instance, displayString.c_str(), "0", "1", "", ""));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
    state.SetComplexityN(state.range(0));
    dllshutdown(instance);
    sensorLibrary = SensorLibrary{};
}
BENCHMARK(BM_GetDataDenseTemplate)
    ->RangeMultiplier(4)
    ->Range(64 << 10, 4 << 20)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

void BM_ReplaceAllOneMegabyte(benchmark::State& state) {
    const std::string original = denseTemplate(1 << 20);  // 104,858 tokens, a quarter of them "[tempC]"
    for (auto _ : state) {
        std::string text = original;
        ReplaceAll(text, "[tempC]", "21.5");
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_ReplaceAllOneMegabyte)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
