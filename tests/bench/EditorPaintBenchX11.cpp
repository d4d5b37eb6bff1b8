// editor_paint_bench_x11 [--frames N]: how long QUAR2.so's editor takes per paint on X11 (run
// it under Xvfb or on a desktop). [Linux only]
//
// The built QUAR2.so, loaded as a host loads it, with its editor in a top-level X window made
// here. Audio is processed between the frames with the transport playing, so the graph and the
// readouts move. Each effEditIdle call that paints (the redraw timer fires every 1/30 s) is
// timed: it handles the window's events, runs the script's drawing into the back buffer and
// copies that to the window; an XSync on the editor's connection is not included, the server's
// own copy is measured separately as the round trip after each paint.
//
// A benchmark: it reports, it asserts nothing.
#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host/lib/HostCallback.h"
#include "host/lib/VstLibrary.h"
#include "host/lib/VstPlugin.h"
#include "plugin/EditorSize.h"

namespace
{
double NowMs()
{
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double Percentile(std::vector<double> values, double p)
{
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5))];
}
} // namespace

int main(int argc, char** argv)
{
    int frames = 200;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--frames") == 0) frames = std::max(1, std::atoi(argv[i + 1]));
    Display* display = XOpenDisplay(nullptr);
    if (!display)
    {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    const Window host = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, kEditorWidth,
                                            kEditorHeight, 0, 0, 0);
    XMapWindow(display, host);
    XSync(display, False);

    CVstLibrary library;
    if (!library.open(QUAR2_PLUGIN_PATH))
    {
        std::fprintf(stderr, "%s\n", library.error().c_str());
        return 1;
    }
    CHostCallback callback;
    std::string error;
    std::unique_ptr<CVstPlugin> plugin =
        CVstPlugin::create(library.entry("VSTPluginMain"), callback, error);
    if (!plugin)
    {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    constexpr int kBlock = 512;
    plugin->open();
    plugin->setSampleRate(44100.0f);
    plugin->setBlockSize(kBlock);
    plugin->resume();
    plugin->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(host));

    std::vector<float> left(kBlock), right(kBlock), outLeft(kBlock), outRight(kBlock);
    float* in[2] = {left.data(), right.data()};
    float* out[2] = {outLeft.data(), outRight.data()};
    std::vector<double> paints, roundTrips;
    double phase = 0.0;
    for (int frame = 0; frame < frames + 10; ++frame)
    {
        // 1/30 s of a tone whose loudness wanders, so the gain and its history move.
        for (int block = 0; block < 3; ++block)
        {
            for (int i = 0; i < kBlock; ++i, phase += 1.0)
                left[i] = right[i] =
                    float(0.3 * (1.0 + std::sin(phase / 20000.0)) * std::sin(phase * 0.0627));
            callback.advance(kBlock);
            plugin->processReplacing(in, out, kBlock);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(34));
        const double start = NowMs();
        plugin->dispatch(effEditIdle);
        const double painted = NowMs();
        XSync(display, False); // the server has done the copies the editor asked for
        if (frame >= 10)       // the first frames load the images and fonts
        {
            paints.push_back(painted - start);
            roundTrips.push_back(NowMs() - painted);
        }
    }
    plugin->dispatch(effEditClose);
    plugin->close();
    std::printf("QUAR2.so editor paint on X11, %d frames: median %.2f ms, 90th percentile "
                "%.2f ms, max %.2f ms; server round trip after it: median %.2f ms\n",
                frames, Percentile(paints, 0.5), Percentile(paints, 0.9), Percentile(paints, 1.0),
                Percentile(roundTrips, 0.5));
    XDestroyWindow(display, host);
    XCloseDisplay(display);
    return 0;
}
