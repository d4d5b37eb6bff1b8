// Hook defaults and order, the ensure-init counter, the open reset, the idle redraw throttle and
// what destruction releases.
#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "TestHelpers.h"
#include "runtime/Xlat.h"

namespace
{

class RecordingScript : public TXlat
{
  public:
    explicit RecordingScript(std::vector<std::string>* log = nullptr, bool* destroyed = nullptr)
        : calls(log), gone(destroyed)
    {
    }
    ~RecordingScript() override
    {
        if (gone) *gone = true;
    }
    void DoInit() override { Note("init"); }
    void DoSlider() override { Note("slider"); }
    void DoBlock() override { Note("block"); }
    void DoSample() override { samples[0] *= 2; }

  private:
    void Note(const char* what)
    {
        if (calls) calls->push_back(what);
    }
    std::vector<std::string>* calls;
    bool* gone;
};

int releasedBitmaps = 0;
void CountRelease(void* bitmap)
{
    ++releasedBitmaps;
    *static_cast<int*>(bitmap) = -1;
}

} // namespace

TEST(Hooks, DefaultsDoNothingAndOverridesAreReachedThroughTheBase)
{
    TXlat plain;
    plain.samples[0] = 0.25;
    plain.DoBlock();
    plain.DoSample();
    plain.DoSlider();
    plain.DoGfx(kEditorWidth, kEditorHeight);
    plain.DoClose();
    plain.DoSuspend();
    plain.DoResume();
    EXPECT_EQ(plain.samples[0], 0.25);

    std::vector<std::string> calls;
    bool destroyed = false;
    std::unique_ptr<TXlat> script = std::make_unique<RecordingScript>(&calls, &destroyed);
    script->DoResume();
    script->DoBlock();
    script->samples[0] = 0.25;
    script->DoSample();
    EXPECT_EQ(script->samples[0], 0.5);
    EXPECT_EQ(calls, (std::vector<std::string>{"init", "slider", "block"}));
    script.reset(); // the destructor is virtual
    EXPECT_TRUE(destroyed);
}

TEST(Hooks, EnsureInitRunsInitOnceAndCountsEveryCall)
{
    std::vector<std::string> calls;
    RecordingScript s(&calls);
    s.DoEnsureInit();
    s.DoEnsureInit();
    s.DoEnsureInit();
    EXPECT_EQ(calls, (std::vector<std::string>{"init"}));
    EXPECT_EQ(s.initCount, 3);
    // A resume runs init regardless of the counter.
    s.DoResume();
    EXPECT_EQ(calls, (std::vector<std::string>{"init", "init", "slider"}));
    EXPECT_EQ(s.initCount, 3);
}

TEST(Hooks, OpenClearsMemoryAndStringsButKeepsSlidersAndFileNames)
{
    TXlat rt;
    rt.AddSlider(2, nullptr, 1, 0, 1, 1, "", "", "", "S");
    rt.Element(600000) = 10001;
    rt.RegisterString(10000, "Build");
    rt.RegisterFileName(0, "quar2_gfx\\bg.png");
    rt.lastRedrawTicks = 1234;
    rt.DoOpen();
    EXPECT_TRUE(rt.memory.empty());
    EXPECT_EQ(rt.Element(600000), 0.0);
    EXPECT_TRUE(rt.strings.empty());
    EXPECT_EQ(rt.stringCount, 0.0);
    EXPECT_EQ(rt.lastRedrawTicks, 0);
    EXPECT_EQ(rt.sliders[2], 1.0);
    ASSERT_NE(rt.FileName(0), nullptr);
    EXPECT_EQ(*rt.FileName(0), "quar2_gfx\\bg.png");
    EXPECT_EQ(rt.FileName(1), nullptr);
}

TEST(Hooks, IdleRedrawsOnlyWhenTheRateIntervalHasPassed)
{
    CFakeHost host;
    TXlat rt;
    rt.adapter = &host;

    // Rate 0 (the start value), negative or NaN: never.
    rt.lastRedrawTicks = MilliClock() - 100000;
    for (double rate : {0.0, -30.0, std::numeric_limits<double>::quiet_NaN()})
    {
        rt.redrawRate = rate;
        rt.DoIdle();
    }
    EXPECT_EQ(host.redraws, 0);

    // Half a frame per second: one redraw once 2 s have passed, then none right after.
    rt.redrawRate = 0.5;
    rt.lastRedrawTicks = MilliClock() - 2500;
    rt.DoIdle();
    EXPECT_EQ(host.redraws, 1);
    const int32_t stamped = rt.lastRedrawTicks;
    EXPECT_LE(MilliClockSince(MilliClock(), stamped), 1000);
    rt.DoIdle();
    rt.DoIdle();
    EXPECT_EQ(host.redraws, 1);
    EXPECT_EQ(rt.lastRedrawTicks, stamped);

    // Not yet due: 1500 ms of a 2000 ms interval.
    rt.lastRedrawTicks = MilliClock() - 1500;
    rt.DoIdle();
    EXPECT_EQ(host.redraws, 1);

    // Works across the wrap of the 32-bit millisecond counter.
    rt.lastRedrawTicks = static_cast<int32_t>(static_cast<uint32_t>(MilliClock()) - 3000u);
    rt.DoIdle();
    EXPECT_EQ(host.redraws, 2);

    // Without an adapter the throttle still runs, it just has nobody to ask.
    rt.adapter = nullptr;
    rt.lastRedrawTicks = MilliClock() - 5000;
    rt.DoIdle();
    EXPECT_EQ(host.redraws, 2);
    EXPECT_LE(MilliClockSince(MilliClock(), rt.lastRedrawTicks), 1000);
}

TEST(Hooks, IdleClockCountsWallTimeNotProcessorTime)
{
    const int32_t before = MilliClock();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    // A sleeping thread uses no processor time; a processor-time clock would barely move.
    EXPECT_GE(MilliClockSince(MilliClock(), before), 50);
    EXPECT_EQ(MilliClockSince(5, -5), 10);
    EXPECT_EQ(MilliClockSince(INT32_MIN + 4, INT32_MAX - 5), 10);
}

TEST(Hooks, DestructionReleasesImageBitmapsAndFreesHolders)
{
    releasedBitmaps = 0;
    int bitmapA = 1, bitmapB = 2;
    {
        TXlat rt;
        GfxImageHolder* loaded = NewImageHolder();
        loaded->bitmap = &bitmapA;
        loaded->releaseBitmap = &CountRelease;
        rt.images[0].holder = loaded;
        rt.images[0].width = 430;
        rt.images[1].holder = NewImageHolder(); // load failed: empty holder
        GfxImageHolder* noRelease = NewImageHolder();
        noRelease->bitmap = &bitmapB; // no release operation: nothing to call
        rt.images[2].holder = noRelease;
        rt.images[3]; // never loaded: null holder
        rt.fonts[1] = FontRecord{"Arial", 11.9, 1};
    }
    EXPECT_EQ(releasedBitmaps, 1);
    EXPECT_EQ(bitmapA, -1);
    EXPECT_EQ(bitmapB, 2);
    EXPECT_FALSE(FreeImageHolder(nullptr));
}
