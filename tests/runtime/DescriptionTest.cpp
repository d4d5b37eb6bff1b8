// Slider declarations, folder sliders, and the host-value helpers with and without an adapter.
#include <gtest/gtest.h>

#include <algorithm>

#include "TestHelpers.h"
#include "runtime/Xlat.h"

namespace
{

// A small effect that declares its sliders in its constructor, as scripts do.
class DeclaringEffect : public TXlat
{
  public:
    DeclaringEffect()
    {
        firstIndex = AddSlider(2, nullptr, 0, 0, 1, 1, "", "", "", "SC Filter");
        AddEnumName("Off");
        AddEnumName("On");
        AddSlider(7, &mirrorValue, -5, -10, 0, 1, "", "more", "ms", "Recovery");
        lastIndex = AddSlider(10, nullptr, 10, 1, 10, 0.1, "", "", "", "[Display Speed]");
    }
    double mirrorValue = 0.0;
    int32_t firstIndex = -1;
    int32_t lastIndex = -1;
};

} // namespace

TEST(Sliders, DeclarationsFillValuesAndRecordsInOrder)
{
    DeclaringEffect fx;
    EXPECT_EQ(fx.sliders.size(), 128u);
    EXPECT_EQ(fx.samples.size(), 64u);
    EXPECT_EQ(fx.firstIndex, 0);
    EXPECT_EQ(fx.lastIndex, 2);
    ASSERT_EQ(fx.SliderRecordCount(), 3);
    EXPECT_EQ(fx.sliders[10], 10.0);
    EXPECT_EQ(fx.sliders[7], -5.0);
    EXPECT_EQ(fx.sliders[2], 0.0);
    EXPECT_EQ(fx.mirrorValue, 0.0); // the mirror receives host values, not the default

    const SliderRecord& sc = fx.sliderRecords[0];
    EXPECT_EQ(sc.number, 2);
    EXPECT_EQ(sc.enumNames, (std::vector<std::string>{"Off", "On"}));
    EXPECT_TRUE(sc.folderScanned);
    const SliderRecord& rec = fx.sliderRecords[1];
    EXPECT_EQ(rec.mirror, &fx.mirrorValue);
    EXPECT_EQ(rec.defaultValue, -5.0);
    EXPECT_EQ(rec.minimum, -10.0);
    EXPECT_EQ(rec.maximum, 0.0);
    EXPECT_EQ(rec.step, 1.0);
    EXPECT_EQ(rec.extraText, "more");
    EXPECT_EQ(rec.label, "ms");
    EXPECT_TRUE(rec.enumNames.empty());
    EXPECT_EQ(fx.sliderRecords[2].name, "[Display Speed]");
    EXPECT_EQ(fx.sliderRecords[2].step, 0.1);
}

TEST(Sliders, OutOfRangeNumbersAndEarlyEnumNamesAreRejected)
{
    TXlat rt;
    rt.AddEnumName("orphan"); // no slider yet: ignored
    EXPECT_EQ(rt.AddSlider(128, nullptr, 5, 0, 10, 1, "", "", "", "too high"), -1);
    EXPECT_EQ(rt.AddSlider(-1, nullptr, 5, 0, 10, 1, "", "", "", "negative"), -1);
    EXPECT_EQ(rt.SliderRecordCount(), 0);
    EXPECT_EQ(rt.AddSlider(127, nullptr, 5, 0, 10, 1, "", "", "", "last"), 0);
    EXPECT_EQ(rt.sliders[127], 5.0);
    EXPECT_TRUE(rt.sliderRecords[0].enumNames.empty());
}

TEST(Sliders, FolderSliderStepsAreTheRegularFilesOfItsFolder)
{
    ScratchFolder folder("rt_slider_files");
    folder.addFile("b.wav");
    folder.addFile("a.wav");
    folder.addFile(".hidden");
    folder.addFolder("sub");

    TXlat rt;
    EXPECT_EQ(rt.AddSlider(3, nullptr, 4, 7, 9, 1, folder.relative(), "", "", "Files"), 0);
    const SliderRecord& r = rt.sliderRecords[0];
    std::vector<std::string> names = r.enumNames;
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.wav", "b.wav"}));
    EXPECT_TRUE(r.folderScanned);
    EXPECT_EQ(r.defaultValue, 0.0);
    EXPECT_EQ(r.minimum, 0.0);
    EXPECT_EQ(r.maximum, 1.0);
    EXPECT_EQ(r.step, 0.5);
    EXPECT_EQ(rt.sliders[3], 4.0); // keeps the declared default

    // Names declared after the listing are appended to the listed ones.
    rt.AddEnumName("extra");
    EXPECT_EQ(rt.sliderRecords[0].enumNames.size(), 3u);
}

TEST(Sliders, FolderSliderWithoutFilesHasTheSingleNoDataStep)
{
    ScratchFolder onlyFolders("rt_slider_dirs");
    onlyFolders.addFolder("inner");
    onlyFolders.addFile(".dotfile");

    TXlat rt;
    rt.AddSlider(4, nullptr, 2, 0, 5, 1, "rt_no_such_folder_here", "", "", "Missing");
    rt.AddSlider(5, nullptr, 0, 0, 5, 1, onlyFolders.relative(), "", "", "Empty");
    for (const SliderRecord& r : rt.sliderRecords)
    {
        EXPECT_EQ(r.enumNames, (std::vector<std::string>{"(No Data Files)"})) << r.name;
        EXPECT_EQ(r.minimum, 0.0);
        EXPECT_EQ(r.maximum, 0.0);
        EXPECT_EQ(r.step, 0.5);
    }
    EXPECT_EQ(rt.sliders[4], 2.0);
}

TEST(HostValues, WithoutAdapterEverythingAnswersZero)
{
    TXlat rt;
    EXPECT_EQ(rt.adapter, nullptr);
    EXPECT_EQ(rt.HostSampleRate(), 0.0);
    EXPECT_EQ(rt.HostBlockSize(), 0);
    EXPECT_EQ(rt.HostChannelCount(), 0);
    EXPECT_EQ(rt.HostOutputChannelCount(), 0);
    EXPECT_EQ(rt.HostTempo(), 0.0);
    double t = 1, n = 1, d = 1;
    rt.HostTempoAndTimeSig(t, n, d);
    EXPECT_EQ(t + n + d, 0.0);
    EXPECT_FALSE(rt.HostPlaying());
    EXPECT_FALSE(rt.HostRecording());
    EXPECT_EQ(rt.HostPpqPosition(), 0.0);
    EXPECT_EQ(rt.HostBarStart(), 0.0);
    EXPECT_EQ(rt.HostSetLatency(64), 0);
    EXPECT_EQ(rt.HostRedraw(), 0);
    EXPECT_EQ(rt.HostUpdateDisplay(), 0);
    int32_t w = 5, h = 5;
    EXPECT_FALSE(rt.HostEditorSize(w, h));
    EXPECT_EQ(w + h, 0);
    EXPECT_EQ(rt.HostDrawContext(), nullptr);
    EXPECT_FALSE(rt.HostSendMidi(0, 0x90, 60, 100));
    int32_t df = 1, b0 = 1, b1 = 1, b2 = 1;
    EXPECT_FALSE(rt.HostReceiveMidi(df, b0, b1, b2));
    EXPECT_EQ(df + b0 + b1 + b2, 0);
}

TEST(HostValues, WithAdapterTheHostAnswersArePassedOn)
{
    CFakeHost host;
    host.sampleRate = 48000.0;
    host.numerator = 3.0;
    host.playing = host.recording = true;
    host.ppq = 7.5;
    host.barStart = 6.0;
    TXlat rt;
    rt.adapter = &host;
    EXPECT_EQ(rt.HostSampleRate(), 48000.0);
    EXPECT_EQ(rt.HostBlockSize(), 512);
    EXPECT_EQ(rt.HostChannelCount(), 2);
    double t = 0, n = 0, d = 0;
    rt.HostTempoAndTimeSig(t, n, d);
    EXPECT_EQ(t, 120.0);
    EXPECT_EQ(n, 3.0);
    EXPECT_EQ(d, 4.0);
    EXPECT_TRUE(rt.HostPlaying());
    EXPECT_TRUE(rt.HostRecording());
    EXPECT_EQ(rt.HostPpqPosition(), 7.5);
    EXPECT_EQ(rt.HostBarStart(), 6.0);
    EXPECT_EQ(rt.HostSetLatency(64), 1);
    EXPECT_EQ(host.lastLatency, 64);
    int32_t w = 0, h = 0;
    EXPECT_TRUE(rt.HostEditorSize(w, h));
    EXPECT_EQ(w, kEditorWidth);
    EXPECT_EQ(h, kEditorHeight);
}
