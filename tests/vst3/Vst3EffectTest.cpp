// The VST3 effect in this process, where the plug-in object can be made to do what the leveller
// never does by itself: a latency that changes while the plug-in runs reaches the host as
// restartComponent(kLatencyChanged) on a UI-thread call, never from the audio thread, and the
// latency in force stays what the host read until it activates the plug-in again.

#include "plugin/COstra.h"
#include "tests/vst3/Vst3Host.h"
#include "vst3/Vst3Effect.h"
#include "vst3/Vst3Factory.h"

#include <gtest/gtest.h>

using namespace vst3;

TEST(Vst3Effect, AChangedLatencyIsAnnouncedOnTheUiThreadAndTakenAtReactivation)
{
    CVst3Factory* factory = CVst3Factory::get();
    ASSERT_NE(factory, nullptr);
    CHostApplication app;
    CRecordingHandler handler;
    {
        CVst3Instance instance(*factory, app);
        ASSERT_TRUE(instance.ok());
        ASSERT_EQ(instance.controller->setComponentHandler(&handler), kResultOk);
        ASSERT_TRUE(instance.start(44100.0, 256));
        auto* effect = static_cast<CVst3Effect*>(instance.component);
        ASSERT_EQ(instance.processor->getLatencySamples(), 64u);

        // The plug-in object reports 100 frames while running (as the block hook would, on the
        // audio thread): the host hears nothing yet, and the latency in force stays 64.
        effect->bridge()->plugin()->setLatency(100);
        EXPECT_TRUE(handler.calls.empty());
        std::vector<float> left(256, 0.1f), right(256, 0.1f);
        float* io[2] = {left.data(), right.data()};
        ASSERT_EQ(instance.process(io, io, 256), kResultOk);
        EXPECT_TRUE(handler.calls.empty());
        // The next call on the UI thread tells the host, once.
        EXPECT_EQ(instance.processor->getLatencySamples(), 64u);
        ASSERT_EQ(handler.calls.size(), 1u);
        EXPECT_EQ(handler.calls[0], "restart " + std::to_string(kLatencyChanged));
        effect->deliverRestarts();
        EXPECT_EQ(handler.calls.size(), 1u);
        // The host deactivates and asks again: the new value.
        ASSERT_EQ(instance.component->setActive(0), kResultOk);
        EXPECT_EQ(instance.processor->getLatencySamples(), 100u);
        instance.controller->setComponentHandler(nullptr);
    }
    EXPECT_EQ(handler.references, 1u); // released what it kept
    EXPECT_EQ(factory->release(), 0u);
}
