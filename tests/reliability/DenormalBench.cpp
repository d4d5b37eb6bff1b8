// Time per 512-frame block of the leveller (48 kHz, stereo, float) for ordinary input, for input
// made only of subnormal numbers, and for silence after a loud passage (the followers and
// filters decay towards the subnormal range). The three should cost about the same: the audio
// path settles subnormal state to zero instead of computing with it. The same ordinary input
// also goes through the double-precision path (processDoubleReplacing), which should cost no
// more than the float path. A benchmark, not a test:
//   build/<folder>/tests/reliability/reliability_denormal_bench

#include "host/lib/VstPlugin.h"
#include "plugin/OstraInstance.h"
#include "tests/reliability/HostilePlugin.h"

#include <benchmark/benchmark.h>

#include <limits>
#include <memory>

namespace
{
constexpr int kFrames = 512;

enum class Input
{
    kSpeechLevel,
    kSubnormal,
    kSilenceAfterLoud
};

// An instance made through the plug-in's entry, opened and resumed at 48 kHz with blocks of
// kFrames; null (and the benchmark skipped) when none was made. The host keeps no record of the
// plug-in's requests, which would otherwise grow for the whole run.
std::unique_ptr<CVstPlugin> RunningInstance(benchmark::State& state, CHostCallback& host)
{
    host.keepRequests(false);
    std::string error;
    auto plugin = CVstPlugin::create(&MakeOstraInstance, host, error);
    if (!plugin)
    {
        state.SkipWithError(error.c_str());
        return nullptr;
    }
    plugin->open();
    plugin->setSampleRate(48000.0f);
    plugin->setBlockSize(kFrames);
    plugin->resume();
    return plugin;
}

void ProcessBlocks(benchmark::State& state, Input kind)
{
    CHostCallback host;
    auto plugin = RunningInstance(state, host);
    if (!plugin) return;
    TestBlock block(2, kFrames, 0.3f);
    if (kind == Input::kSilenceAfterLoud)
    {
        block.fillConstant(0.9f);
        for (int i = 0; i < 200; ++i)
            plugin->processReplacing(block.in(), block.out(), kFrames);
        block.fillConstant(0.0f);
    }
    if (kind == Input::kSubnormal)
        block.fillConstant(std::numeric_limits<float>::denorm_min() * 1000.0f);
    // The same block again and again (the tone is filled once: computing it is not timed).
    for (auto _ : state)
    {
        plugin->processReplacing(block.in(), block.out(), kFrames);
        benchmark::DoNotOptimize(block.output(0)[kFrames - 1]);
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}

// The ordinary input through processDoubleReplacing, the same tone as BM_SpeechLevelInput.
void BM_SpeechLevelInputDouble(benchmark::State& state)
{
    CHostCallback host;
    auto plugin = RunningInstance(state, host);
    if (!plugin) return;
    TestBlockD block(2, kFrames, 0.3);
    for (auto _ : state)
    {
        plugin->processDoubleReplacing(block.in(), block.out(), kFrames);
        benchmark::DoNotOptimize(block.output(0)[kFrames - 1]);
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}

void BM_SpeechLevelInput(benchmark::State& state)
{
    ProcessBlocks(state, Input::kSpeechLevel);
}
void BM_SubnormalInput(benchmark::State& state)
{
    ProcessBlocks(state, Input::kSubnormal);
}
void BM_SilenceAfterLoud(benchmark::State& state)
{
    ProcessBlocks(state, Input::kSilenceAfterLoud);
}
} // namespace

BENCHMARK(BM_SpeechLevelInput);
BENCHMARK(BM_SpeechLevelInputDouble);
BENCHMARK(BM_SubnormalInput);
BENCHMARK(BM_SilenceAfterLoud);
BENCHMARK_MAIN();
