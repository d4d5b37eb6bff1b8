// A thread storm on one instance, for a bounded time: the audio thread processes without pause
// while a second thread sets random parameters and reads their texts (hosts automate from any
// thread), a third loads and saves chunks (the host's UI thread) and a fourth runs the gfx hook
// with random mouse states (the editor's drawing). Under AddressSanitizer this finds any use of
// freed or reallocated memory between them, under ThreadSanitizer any race beyond those by design,
// and under Wine it runs on the Windows threads and C runtime; the output of finite input must
// stay finite throughout.
//
// Shared by design without locks: the slider values and the leveller's coefficients are single
// 64-bit doubles written by one thread and read by the audio thread; a torn read cannot happen
// on the 64-bit targets and a value from just before or after a change is equally valid. Those
// races, and only those, are listed in tsan-by-design.supp for a ThreadSanitizer build of this
// test; the script memory pages (atomic page table) must show no race at all.

#include "effect/XlatEffect.h"
#include "host/lib/VstPlugin.h"
#include "plugin/COstra.h"
#include "plugin/OstraInstance.h"
#include "runtime/Xlat.h"
#include "tests/reliability/HostilePlugin.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <random>
#include <thread>

TEST(ThreadStorm, AudioParametersChunksAndGfxAtOnce)
{
    CHostCallback host;
    std::string error;
    auto plugin = CVstPlugin::create(&MakeOstraInstance, host, error);
    ASSERT_NE(plugin, nullptr) << error;
    plugin->open();
    plugin->setSampleRate(48000.0f);
    plugin->setBlockSize(128);
    plugin->resume();
    AEffect* effect = plugin->effect();
    TXlat* runtime =
        static_cast<COstra*>(static_cast<AudioEffect*>(effect->object))->getRuntime();
    ASSERT_NE(runtime, nullptr);
    const std::vector<uint8_t> initial = plugin->getChunk();
    ASSERT_EQ(initial.size(), 260u);

    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0}, nonFinite{0}, changes{0}, chunks{0}, draws{0};

    std::thread audio([&] {
        TestBlock block(2, 128, 0.4f);
        for (int i = 0; !stop.load(std::memory_order_relaxed); ++i)
        {
            block.fillSine(i % 7 == 0 ? 0.9f : 0.05f, i);
            effect->processReplacing(effect, block.in(), block.out(), 128);
            if (!block.outputFinite()) nonFinite.fetch_add(1);
            blocks.fetch_add(1);
        }
    });
    std::thread parameters([&] {
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
    std::thread chunkThread([&] {
        std::mt19937 random(2);
        while (!stop.load(std::memory_order_relaxed))
        {
            void* data = nullptr;
            const VstIntPtr size = effect->dispatcher(effect, effGetChunk, 0, 0, &data, 0.0f);
            std::vector<uint8_t> copy;
            if (size > 0 && data) copy.assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
            if (copy.empty() || random() % 4 == 0) copy = initial;
            // Now and then a cut chunk or one with a damaged value.
            if (random() % 3 == 0) copy.resize(random() % copy.size());
            if (copy.size() > 8 && random() % 2 == 0) copy[4 + random() % (copy.size() - 4)] ^= 0xFF;
            effect->dispatcher(effect, effSetChunk, 0, static_cast<VstIntPtr>(copy.size()),
                               copy.data(), 0.0f);
            chunks.fetch_add(1);
        }
    });
    std::thread gfx([&] {
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
    std::string error;
    auto plugin = CVstPlugin::create(&MakeOstraInstance, host, error);
    ASSERT_NE(plugin, nullptr) << error;
    plugin->open();
    plugin->setSampleRate(48000.0f);
    plugin->setBlockSize(128);
    plugin->resume();
    AEffect* effect = plugin->effect();
    auto* fx = static_cast<TXlatEffect*>(
        static_cast<COstra*>(static_cast<AudioEffect*>(effect->object))->getRuntime());
    ASSERT_NE(fx, nullptr);
    const LevellerVariables& v = fx->vars;
    const double LevellerVariables::*copies[] = {
        &LevellerVariables::sliderCopy2, &LevellerVariables::sliderCopy3,
        &LevellerVariables::sliderCopy4, &LevellerVariables::sliderCopy5,
        &LevellerVariables::sliderCopy6, &LevellerVariables::sliderCopy7,
        &LevellerVariables::sliderCopy8, &LevellerVariables::sliderCopy9,
        &LevellerVariables::sliderCopy10};
    constexpr VstInt32 kDragged = 5; // Recovery, slider 7 (row at x 115..315, y 170..190)

    std::atomic<bool> stop{false};
    std::atomic<long> frames{0};
    long sets = 0, lost = 0, staleCopies = 0;

    std::thread gfx([&] {
        // Hover over the row, press: the row drags and follows the pointer from then on.
        fx->mouseX = 215.0;
        fx->mouseY = 180.0;
        fx->mouseButtons = 0.0;
        fx->DoGfx(430.0, 600.0);
        fx->mouseButtons = 1.0;
        for (int i = 0; !stop.load(std::memory_order_relaxed); ++i)
        {
            fx->mouseX = 130.0 + (i * 7) % 180;
            fx->DoGfx(430.0, 600.0);
            frames.fetch_add(1);
        }
    });
    std::thread automation([&] {
        std::mt19937 random(4);
        std::uniform_real_distribution<float> value(0.0f, 1.0f);
        float afterSet[9] = {};
        bool set[9] = {};
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (std::chrono::steady_clock::now() < deadline || frames.load() < 100)
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
    automation.join();
    gfx.join();
    EXPECT_GT(sets, 1000);
    EXPECT_GT(frames.load(), 100);
    EXPECT_EQ(lost, 0) << "host values overwritten by editor frames";
    EXPECT_EQ(staleCopies, 0) << "editor copies that do not show the host's value";

    // Release the button; every copy shows its slider and the coefficients are the ones a
    // slider-code run makes from the parameters as they stand.
    fx->mouseButtons = 0.0;
    fx->DoGfx(430.0, 600.0);
    for (size_t i = 0; i < 9; ++i) EXPECT_EQ(v.*copies[i], fx->sliders[i + 2]) << i + 2;
    LevellerVariables expected = v;
    fx->RunSliderCode();
    expected.maxGainDb = v.maxGainDb; // the slider code restarts the readouts' extremes
    expected.maxAttenuationDb = v.maxAttenuationDb;
    EXPECT_EQ(std::memcmp(&expected, &v, sizeof v), 0);
}
