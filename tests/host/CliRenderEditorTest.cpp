// End-to-end test of quar2-host's render-editor: the test plug-in's editor pictured in an X11
// window of quar2-host's own and its paints timed.

#include "CliCommandSupport.h"

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <regex>
#include <vector>

namespace
{

struct Picture
{
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
    uint32_t at(int x, int y) const
    {
        const uint8_t* p = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
        return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
};

Picture readPng(const std::string& path)
{
    Picture picture;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return picture;
    image.format = PNG_FORMAT_RGB;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr))
    {
        png_image_free(&image);
        return {};
    }
    picture.width = int(image.width);
    picture.height = int(image.height);
    return picture;
}

// The paint-time line of render-editor: frames, median, 90th and 99th percentile, worst.
bool paintTimes(const std::string& out, const std::string& when, std::vector<double>& figures)
{
    const std::regex line("paint times over ([0-9]+) frames " + when +
                          ": median ([0-9.]+) ms, 90th percentile ([0-9.]+) ms, 99th "
                          "percentile ([0-9.]+) ms, worst ([0-9.]+) ms");
    std::smatch m;
    if (!std::regex_search(out, m, line)) return false;
    figures.clear();
    for (size_t i = 1; i < m.size(); ++i)
        figures.push_back(std::stod(m[i].str()));
    return true;
}

} // namespace

// The test plug-in's editor (red and blue halves, a green bar as wide as the blocks processed)
// in an X11 window of quar2-host's own, as a Linux host shows it; make test runs the native
// tests inside Xvfb when there is no display.
TEST(CliRenderEditor, PicturesALinuxEditorInAnX11WindowAndTimesItsPaints)
{
    const char* display = std::getenv("DISPLAY");
    ASSERT_TRUE(display != nullptr && *display != '\0')
        << "needs an X display (make test starts Xvfb when there is none)";
    CScratchDir dir;
    Audio tone;
    for (int i = 0; i < 96000; ++i)
        tone.samples.insert(tone.samples.end(), 2, 0.25f * float(std::sin(i * 0.04)));
    ASSERT_TRUE(WriteAudio(dir.path("in.wav"), tone));

    RunResult r = RunHost({"render-editor", kPlugin, dir.path("live.png"), "--seconds", "2",
                           "--input", dir.path("in.wav"), "-v"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("editor 200x100 after 2 s of audio"), std::string::npos) << r.out;
    std::vector<double> ms;
    ASSERT_TRUE(paintTimes(r.out, "while the audio played", ms)) << r.out;
    // The test editor draws in every idle call: dozens of timed paints in 2 s, in order.
    EXPECT_GE(ms[0], 20) << r.out;
    EXPECT_TRUE(0 <= ms[1] && ms[1] <= ms[2] && ms[2] <= ms[3] && ms[3] <= ms[4]) << r.out;
    Picture live = readPng(dir.path("live.png"));
    ASSERT_EQ(live.width, 200);
    ASSERT_EQ(live.height, 100);
    EXPECT_EQ(live.at(50, 50), 0xFF0000u);
    EXPECT_EQ(live.at(150, 50), 0x0000FFu);
    EXPECT_EQ(live.at(100, 5), 0x00FF00u) << "audio did not run before the picture";

    // Offline: exactly the whole blocks of 2 s (187 of 512 frames), the same picture every run.
    for (const char* name : {"a.png", "b.png"})
    {
        r = RunHost({"render-editor", kPlugin, dir.path(name), "--seconds", "2", "--input",
                     dir.path("in.wav"), "--offline"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(paintTimes(r.out, "after the audio", ms)) << r.out;
    }
    const Picture still = readPng(dir.path("a.png"));
    ASSERT_EQ(still.width, 200);
    EXPECT_EQ(still.at(186, 5), 0x00FF00u);
    EXPECT_EQ(still.at(187, 5), 0x0000FFu);
    const Picture again = readPng(dir.path("b.png"));
    ASSERT_EQ(again.rgb.size(), still.rgb.size());
    for (int y = 0, reported = 0; y < still.height && !reported; ++y)
        for (int x = 0; x < still.width && !reported; ++x)
            if (still.at(x, y) != again.at(x, y))
            {
                ADD_FAILURE() << "the offline pictures differ first at " << x << ", " << y;
                reported = 1;
            }

    // Failures say why in one line and write nothing.
    r = RunHost({"render-editor", kPlugin, dir.path("x.png")}, {}, {"DISPLAY="});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("needs an X display"), std::string::npos) << r.err;
    r = RunHost({"render-editor", kPlugin, dir.path("x.png")}, {},
                {"QUAR2_TEST_PLUGIN_FAULT=no-editor"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("has no editor"), std::string::npos) << r.err;
    EXPECT_NE(RunHost({"render-editor", kNullPlugin, dir.path("x.png")}).status, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.path("x.png")));
}
