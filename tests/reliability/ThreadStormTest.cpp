// A thread storm on one instance, for a bounded time: the audio thread processes without pause
// while a second thread sets random parameters and reads their texts (hosts automate from any
// thread), a third loads and saves chunks (the host's UI thread) and a fourth runs the gfx hook
// with random mouse states (the editor's drawing). Under AddressSanitizer this finds any use of
// freed or reallocated memory between them, under ThreadSanitizer any race beyond those by design,
// and under Wine it runs on the Windows threads and C runtime; the output of finite input must
// stay finite throughout.
//
// Shared without locks: the slider values, the leveller's coefficients and followers, the gain
// history and the editor's meters are doubles that one thread writes while others read them,
// each access a relaxed atomic one (SharedDouble), and the coefficients reach the audio thread
// as whole sets. A ThreadSanitizer build runs this test with no suppression at all: any plain
// access to shared memory is a fault.

#include "effect/XlatEffect.h"
#include "host/lib/VstPlugin.h"
#include "plugin/COstra.h"
#include "plugin/OstraInstance.h"
#include "runtime/Xlat.h"
#include "tests/reliability/HostilePlugin.h"
#include "tests/support/HostEdits.h"
#include "plugin/EditorSize.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <thread>

namespace
{
// An instance made through the plug-in's own entry, opened and resumed at 48 kHz with blocks of
// `block` frames, as a host has it before it plays; null (and a test failure) when none was made.
std::unique_ptr<CVstPlugin> RunningInstance(CHostCallback& host, VstInt32 block)
{
    std::string error;
    auto plugin = CVstPlugin::create(&MakeOstraInstance, host, error);
    if (!plugin)
    {
        ADD_FAILURE() << error;
        return nullptr;
    }
    plugin->open();
    plugin->setSampleRate(48000.0f);
    plugin->setBlockSize(block);
    plugin->resume();
    return plugin;
}

// The leveller behind an instance's effect record.
TXlatEffect* LevellerOf(CVstPlugin& plugin)
{
    AEffect* effect = plugin.effect();
    return dynamic_cast<TXlatEffect*>(
        static_cast<COstra*>(static_cast<AudioEffect*>(effect->object))->getRuntime());
}
} // namespace

TEST(ThreadStorm, AudioParametersChunksAndGfxAtOnce)
{
    CHostCallback host;
    auto plugin = RunningInstance(host, 128);
    ASSERT_NE(plugin, nullptr);
    AEffect* effect = plugin->effect();
    TXlat* runtime = LevellerOf(*plugin);
    ASSERT_NE(runtime, nullptr);
    const std::vector<uint8_t> initial = plugin->getChunk();
    ASSERT_EQ(initial.size(), 260u);

    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0}, nonFinite{0}, changes{0}, chunks{0}, draws{0};

    std::thread audio(
        [&]
        {
            TestBlock block(2, 128, 0.4f);
            for (int i = 0; !stop.load(std::memory_order_relaxed); ++i)
            {
                block.fillSine(i % 7 == 0 ? 0.9f : 0.05f, i);
                effect->processReplacing(effect, block.in(), block.out(), 128);
                if (!block.outputFinite()) nonFinite.fetch_add(1);
                blocks.fetch_add(1);
            }
        });
    std::thread parameters(
        [&]
        {
            std::mt19937 random(1);
            std::uniform_real_distribution<float> value(0.0f, 1.0f);
            while (!stop.load(std::memory_order_relaxed))
            {
                const VstInt32 index = static_cast<VstInt32>(random() % 9);
                effect->setParameter(effect, index, value(random));
                (void)effect->getParameter(effect, index);
                // Hosts ask for the texts of automated parameters from the same thread.
                char text[64] = {};
                effect->dispatcher(effect, effGetParamDisplay, index, 0, text, 0.0f);
                effect->dispatcher(effect, effGetParamName, index, 0, text, 0.0f);
                changes.fetch_add(1);
            }
        });
    std::thread chunkThread(
        [&]
        {
            std::mt19937 random(2);
            while (!stop.load(std::memory_order_relaxed))
            {
                void* data = nullptr;
                const VstIntPtr size = effect->dispatcher(effect, effGetChunk, 0, 0, &data, 0.0f);
                std::vector<uint8_t> copy;
                if (size > 0 && data)
                    copy.assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
                if (copy.empty() || random() % 4 == 0) copy = initial;
                // Now and then a cut chunk or one with a damaged value.
                if (random() % 3 == 0) copy.resize(random() % copy.size());
                if (copy.size() > 8 && random() % 2 == 0)
                    copy[4 + random() % (copy.size() - 4)] ^= 0xFF;
                effect->dispatcher(effect, effSetChunk, 0, static_cast<VstIntPtr>(copy.size()),
                                   copy.data(), 0.0f);
                chunks.fetch_add(1);
            }
        });
    std::thread gfx(
        [&]
        {
            std::mt19937 random(3);
            while (!stop.load(std::memory_order_relaxed))
            {
                runtime->mouseX = static_cast<double>(random() % 700) - 50.0;
                runtime->mouseY = static_cast<double>(random() % 500) - 50.0;
                runtime->mouseButtons = static_cast<double>(random() % 4);
                runtime->DoGfx(600.0, 400.0);
                draws.fetch_add(1);
            }
        });

    std::this_thread::sleep_for(std::chrono::seconds(2));
    stop = true;
    audio.join();
    parameters.join();
    chunkThread.join();
    gfx.join();

    EXPECT_GT(blocks.load(), 0);
    EXPECT_GT(changes.load(), 0);
    EXPECT_GT(chunks.load(), 0);
    EXPECT_GT(draws.load(), 0);
    EXPECT_EQ(nonFinite.load(), 0);

    // Quiet again: the instance still levels once the host loads a sound state. (The storm's
    // damaged chunks may have left a slider at a value such as -1.7e38 dB, which a chunk may
    // carry and which silences the output, so the check starts from the saved state.)
    ASSERT_EQ(effect->dispatcher(effect, effSetChunk, 0, static_cast<VstIntPtr>(initial.size()),
                                 const_cast<uint8_t*>(initial.data()), 0.0f),
              static_cast<VstIntPtr>(initial.size()));
    EXPECT_EQ(plugin->getChunk(), initial);
    TestBlock block(2, 128, 0.3f);
    for (int i = 0; i < 50; ++i)
    {
        block.fillSine(0.3f, i);
        effect->processReplacing(effect, block.in(), block.out(), 128);
    }
    EXPECT_TRUE(block.outputFinite());
    EXPECT_GT(block.outputPeak(), 0.0f);
}

// Host automation while the editor draws and the user drags one row: a value the host set on any
// other row must survive every frame (the editor writes back only what the mouse changed), the
// editor's copy must show it, and in the end the coefficients must be those of the parameters
// the host reads back.
TEST(ThreadStorm, HostAutomationSurvivesEditorFrames)
{
    CHostCallback host;
    auto plugin = RunningInstance(host, 128);
    ASSERT_NE(plugin, nullptr);
    AEffect* effect = plugin->effect();
    TXlatEffect* fx = LevellerOf(*plugin);
    ASSERT_NE(fx, nullptr);
    const LevellerVariables& v = fx->vars;
    const SharedDouble LevellerVariables::*copies[] = {
        &LevellerVariables::sliderCopy2, &LevellerVariables::sliderCopy3,
        &LevellerVariables::sliderCopy4, &LevellerVariables::sliderCopy5,
        &LevellerVariables::sliderCopy6, &LevellerVariables::sliderCopy7,
        &LevellerVariables::sliderCopy8, &LevellerVariables::sliderCopy9,
        &LevellerVariables::sliderCopy10};
    constexpr VstInt32 kDragged = 5; // Recovery, slider 7 (row at x 115..315, y 170..190)

    std::atomic<bool> stop{false};
    std::atomic<long> frames{0};
    long sets = 0, lost = 0, staleCopies = 0;

    std::thread gfx(
        [&]
        {
            // Hover over the row, press: the row drags and follows the pointer from then on.
            fx->mouseX = 215.0;
            fx->mouseY = 180.0;
            fx->mouseButtons = 0.0;
            fx->DoGfx(kEditorWidth, kEditorHeight);
            fx->mouseButtons = 1.0;
            for (int i = 0; !stop.load(std::memory_order_relaxed); ++i)
            {
                fx->mouseX = 130.0 + (i * 7) % 180;
                fx->DoGfx(kEditorWidth, kEditorHeight);
                frames.fetch_add(1);
            }
        });
    std::thread automation(
        [&]
        {
            std::mt19937 random(4);
            std::uniform_real_distribution<float> value(0.0f, 1.0f);
            float afterSet[9] = {};
            bool set[9] = {};
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
            while (std::chrono::steady_clock::now() < deadline || frames.load() <= 100)
            {
                VstInt32 index = static_cast<VstInt32>(random() % 8);
                if (index >= kDragged) ++index;
                // Whatever this thread set last on the row is still there, in the parameter and in
                // the editor's copy.
                const size_t i = static_cast<size_t>(index);
                if (set[i] && effect->getParameter(effect, index) != afterSet[i]) ++lost;
                if (fx->vars.*copies[i] != fx->sliders[i + 2]) ++staleCopies;
                effect->setParameter(effect, index, value(random));
                afterSet[i] = effect->getParameter(effect, index);
                set[i] = true;
                ++sets;
            }
            stop = true;
        });
    const std::thread::id automationThread = automation.get_id();
    const std::thread::id gfxThread = gfx.get_id();
    automation.join();
    gfx.join();
    EXPECT_GT(sets, 1000);
    EXPECT_GT(frames.load(), 100);
    EXPECT_EQ(lost, 0) << "host values overwritten by editor frames";
    EXPECT_EQ(staleCopies, 0) << "editor copies that do not show the host's value";

    // Release the button; every copy shows its slider and the coefficients are the ones a
    // slider-code run makes from the parameters as they stand.
    fx->mouseButtons = 0.0;
    fx->DoGfx(kEditorWidth, kEditorHeight);
    // The host heard the drag as one gesture on the dragged parameter, from the editor's thread
    // (the release frame ran on this one), and nothing of its own automation.
    const std::vector<HostRequest> edits = EditRequests(host);
    ASSERT_GE(edits.size(), 3u);
    EXPECT_EQ(edits.front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(edits.back().opcode, audioMasterEndEdit);
    for (size_t i = 0; i < edits.size(); ++i)
    {
        EXPECT_EQ(edits[i].index, kDragged);
        EXPECT_NE(edits[i].thread, automationThread);
        const bool last = i + 1 == edits.size();
        EXPECT_TRUE(last || edits[i].thread == gfxThread) << i;
        EXPECT_TRUE(i == 0 || last || edits[i].opcode == audioMasterAutomate) << i;
    }
    for (size_t i = 0; i < 9; ++i)
        EXPECT_EQ(v.*copies[i], fx->sliders[i + 2]) << i + 2;
    LevellerVariables expected = v;
    fx->RunSliderCode();
    expected.maxGainDb = v.maxGainDb; // the slider code restarts the readouts' extremes
    expected.maxAttenuationDb = v.maxAttenuationDb;
    EXPECT_EQ(std::memcmp(&expected, &v, sizeof v), 0);
}

// Two threads run the slider code as fast as they can (host automation on one, an editor drag on
// the other), each with its own low-cut rows and levels, while the audio thread processes short
// blocks. The coefficients every processed frame used must be those of one complete run: a
// low-cut set that is one of the valid rows (or the "Off" start), and a gain-law target and knee
// computed from the same Push Down value. The output stays bounded throughout.
TEST(ThreadStorm, OverlappingSliderCodeRunsNeverMixCoefficientSets)
{
    CHostCallback host;
    auto plugin = RunningInstance(host, 16);
    ASSERT_NE(plugin, nullptr);
    AEffect* effect = plugin->effect();
    TXlatEffect* leveller = LevellerOf(*plugin);
    ASSERT_NE(leveller, nullptr);

    // The valid low-cut sets: the start ("Off", no row matched yet) and rows 1 .. 8, taken from
    // the slider code of a quiet instance at the same rate.
    std::vector<BiquadCoefficients> lowCuts;
    {
        auto probe = RunningInstance(host, 1024);
        ASSERT_NE(probe, nullptr);
        TXlatEffect* fx = LevellerOf(*probe);
        ASSERT_NE(fx, nullptr);
        for (int row = 0; row <= 8; ++row)
        {
            if (row > 0)
                probe->effect()->setParameter(probe->effect(), 1, static_cast<float>(row) / 8.0f);
            const BiquadSection& s = fx->vars.lowCutL;
            lowCuts.push_back({s.b0, s.b1, s.b2, s.a1, s.a2});
        }
    }
    const auto validLowCut = [&](const BiquadCoefficients& c)
    {
        for (const BiquadCoefficients& v : lowCuts)
            if (c.b0 == v.b0 && c.b1 == v.b1 && c.b2 == v.b2 && c.a1 == v.a1 && c.a2 == v.a2)
                return true;
        return false;
    };
    // Push Down values (slider 5) the two threads use; Pull Up (slider 6) is 0 throughout.
    const double pushDown[] = {0.0, -6.0, -12.0, -24.0};
    // Computed at run time like the slider code does (no compile-time folding of pow).
    std::vector<std::pair<double, double>> gainLaws;
    for (double s5 : pushDown)
    {
        volatile double hidden = s5;
        const double s = hidden;
        gainLaws.emplace_back(std::pow(10.0, s / 20.0), std::pow(10.0, (s - 0.0) / 20.0));
    }
    const auto validGainLaw = [&](double target, double knee)
    {
        for (const auto& law : gainLaws)
            if (target == law.first && knee == law.second) return true;
        return false;
    };

    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0}, badLowCut{0}, badGainLaw{0}, unbounded{0}, runs{0};
    std::thread audio(
        [&]
        {
            TestBlock block(2, 16, 0.5f);
            for (int i = 0; !stop.load(std::memory_order_relaxed); ++i)
            {
                block.fillSine(0.5f, i);
                effect->processReplacing(effect, block.in(), block.out(), 16);
                const LevellerSliderSet& used = leveller->AudioSliderSet();
                if (!validLowCut(used.lowCut)) badLowCut.fetch_add(1);
                if (!validGainLaw(used.targetLevel, used.kneeLevel)) badGainLaw.fetch_add(1);
                if (!block.outputFinite() || block.outputPeak() > 4.0f) unbounded.fetch_add(1);
                blocks.fetch_add(1);
            }
        });
    const auto writer = [&](int firstRow, int pushIndex)
    {
        for (int i = 0; !stop.load(std::memory_order_relaxed); ++i)
        {
            // Rows 1, 3, 5, 7 on one thread, 2, 4, 6, 8 on the other; Push Down likewise apart.
            const int row = firstRow + 2 * (i % 4);
            const double s5 = pushDown[pushIndex + 2 * (i % 2)];
            effect->setParameter(effect, 1, static_cast<float>(row) / 8.0f);
            effect->setParameter(effect, 3, static_cast<float>((s5 + 30.0) / 30.0));
            runs.fetch_add(2);
        }
    };
    std::thread automation(writer, 1, 0);
    std::thread drag(writer, 2, 1);

    std::this_thread::sleep_for(std::chrono::seconds(2));
    stop = true;
    audio.join();
    automation.join();
    drag.join();

    EXPECT_GT(blocks.load(), 1000);
    EXPECT_GT(runs.load(), 1000);
    EXPECT_EQ(badLowCut.load(), 0);
    EXPECT_EQ(badGainLaw.load(), 0);
    EXPECT_EQ(unbounded.load(), 0);
}
