// editor_paint_bench.exe [--frames N] [--profile]: how long the leveller's editor takes per
// paint under Wine + Xvfb while audio plays. [Windows only; run it with scripts/bench-editor.sh]
//
// The real leveller and the real toolkit in this process: a frame window in a host window, the
// host's idle calls every few milliseconds, and an audio thread that processes a voice-like
// signal in real time with the transport playing, so the graph and the readouts move. Each
// paint message's dispatch is timed, for the path the frame takes on the systems of today
// (straight into the window) and for the older systems' path (a back buffer copied to the
// window). The audio thread's time per block is reported with the editor closed and open.
//
// --profile times one frame's toolkit calls instead (background image, knobs, text measuring and
// drawing, font selection and creation, graph segments, rectangles, colour and mode changes, the
// clip, the context itself), drawn into a window's device context and into an off-screen
// bitmap, through a drawing target that wraps the toolkit's and times every call.
//
// A benchmark: it reports, it asserts nothing.

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "effect/XlatEffect.h"
#include "host/cli/SpeechLikeSignal.h"
#include "graphics/DrawContextTarget.h"
#include "graphics/FontCache.h"
#include "gui/CDrawContext.h"
#include "gui/CFontDesc.h"
#include "gui/CFrame.h"
#include "gui/COffscreenContext.h"
#include "gui/RepaintCache.h"
#include "runtime/ModuleHandle.h"
#include "tests/support/EditorWindowSupport.h"
#include "tests/plugin/ProbeRuntime.h"
#include "tests/support/FakeHost.h"

namespace
{

constexpr int kRate = 44100;
constexpr int kBlock = 512;

double Now()
{
    static const double ticksPerMs = []
    {
        LARGE_INTEGER f{};
        QueryPerformanceFrequency(&f);
        return double(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER t{};
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / ticksPerMs;
}

// Nearest-rank percentile of `sorted`.
double Percentile(const std::vector<double>& sorted, double fraction)
{
    if (sorted.empty()) return 0.0;
    const size_t rank = size_t(std::ceil(fraction * double(sorted.size())));
    return sorted[std::min(sorted.size() - 1, rank > 0 ? rank - 1 : 0)];
}

void PrintTimes(const char* what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("%-34s %6zu   %8.3f %8.3f %8.3f %8.3f\n", what, ms.size(), Percentile(ms, 0.5),
                Percentile(ms, 0.9), Percentile(ms, 0.99), ms.empty() ? 0.0 : ms.back());
}

// The audio thread of a host: blocks in real time, the transport playing, each block's
// processing time recorded (into the open or the closed record, as the editor is).
class AudioPlayer
{
  public:
    explicit AudioPlayer(ProbeInstance& instance)
        : instance(instance), signal(makeSpeechLikeSignal(8, kRate).left)
    {
        closedMs.reserve(1 << 16);
        openMs.reserve(1 << 16);
        thread = std::thread([this] { Run(); });
    }
    ~AudioPlayer()
    {
        stop = true;
        thread.join();
    }
    std::atomic<bool> editorOpen{false};
    std::vector<double> closedMs;
    std::vector<double> openMs;

  private:
    void Run()
    {
        std::vector<float> l(kBlock), r(kBlock), ol(kBlock), orr(kBlock);
        float* in[2] = {l.data(), r.data()};
        float* out[2] = {ol.data(), orr.data()};
        AEffect* e = instance.effect();
        size_t position = 0;
        const double start = Now();
        for (long long block = 0; !stop; ++block)
        {
            for (int i = 0; i < kBlock; ++i)
            {
                l[size_t(i)] = r[size_t(i)] = signal[position];
                position = (position + 1) % signal.size();
            }
            const double before = Now();
            e->processReplacing(e, in, out, kBlock);
            const double took = Now() - before;
            instance.host.advance(kBlock);
            if (block % 64 == 0) instance.host.clearRequests(); // the host's log of time queries
            std::vector<double>& record = editorOpen ? openMs : closedMs;
            if (record.size() < record.capacity()) record.push_back(took);
            const double due = start + double(block + 1) * kBlock * 1000.0 / kRate;
            const double wait = due - Now();
            if (wait > 1.0) Sleep(DWORD(wait));
        }
    }

    ProbeInstance& instance;
    std::vector<float> signal;
    std::atomic<bool> stop{false};
    std::thread thread;
};

// Paints `frames` frames of the open editor at the redraw timer's pace, with idle calls every
// few milliseconds as hosts give them; answers each paint's dispatch time.
std::vector<double> TimePaints(ProbeInstance& instance, HWND frameWindow, int frames)
{
    std::vector<double> ms;
    int warmUp = 5;
    const DWORD start = GetTickCount();
    while (int(ms.size()) < frames && GetTickCount() - start < DWORD(frames) * 200 + 5000)
    {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&message);
            const double before = Now();
            DispatchMessageW(&message);
            const double took = Now() - before;
            if (message.message == WM_PAINT && message.hwnd == frameWindow)
            {
                if (warmUp > 0)
                    --warmUp;
                else
                    ms.push_back(took);
            }
        }
        instance.dispatch(effEditIdle);
        Sleep(5);
    }
    return ms;
}

int RunPaints(int frames)
{
    auto* leveller = new TXlatEffect();
    ProbeInstance instance(leveller);
    instance.host.sampleRate = float(kRate);
    instance.host.blockSize = kBlock;
    instance.dispatch(effOpen);
    instance.dispatch(effSetSampleRate, 0, 0, nullptr, float(kRate));
    instance.dispatch(effSetBlockSize, 0, kBlock);
    instance.dispatch(effMainsChanged, 0, 1);
    AudioPlayer audio(instance);
    Sleep(1500); // the audio alone first, and a history for the graph

    std::printf("%-34s %6s   %8s %8s %8s %8s   (ms)\n", "", "count", "median", "p90", "p99",
                "worst");
    CEditorHostWindow host;
    if (!CreateHostWindow(host, kEditorWidth, kEditorHeight))
    {
        std::printf("no window of the editor's size\n");
        return 1;
    }
    struct Path
    {
        const char* name;
        int32_t version;
    };
    for (const Path path :
         {Path{"paint, straight into the window", 0}, Path{"paint, back buffer then window", 5}})
    {
        CFrame::overridePlatformMajorVersion(path.version);
        instance.dispatch(effEditOpen, 0, 0, host.handle());
        audio.editorOpen = true;
        const std::vector<double> ms = TimePaints(instance, EditorChild(host), frames);
        audio.editorOpen = false;
        instance.dispatch(effEditClose);
        CEditorHostWindow::pumpFor(100);
        PrintTimes(path.name, ms);
    }
    CFrame::overridePlatformMajorVersion(0);
    Sleep(300);
    PrintTimes("audio block, editor closed", audio.closedMs);
    PrintTimes("audio block, editor painting", audio.openMs);
    return 0;
}

// --- Profile ---------------------------------------------------------------------------------

// Times every drawing call of the script, by kind, around the toolkit's own target.
class TimingTarget final : public CGfxTarget
{
  public:
    TimingTarget(CDrawContext& context, CFontCache& fonts)
        : inner(context, &fonts), context(context)
    {
    }

    std::map<std::string, double> ms;
    std::map<std::string, int> calls;

    void setDrawMode(int32_t mode) override
    {
        Time(
            "colour and draw-mode changes", [&] { inner.setDrawMode(mode); },
            mode != context.getDrawMode());
    }
    void setFontColor(GfxColor c) override
    {
        Time("colour and draw-mode changes", [&] { inner.setFontColor(c); });
    }
    void setFillColor(GfxColor c) override
    {
        Time("colour and draw-mode changes", [&] { inner.setFillColor(c); });
    }
    void setFrameColor(GfxColor c) override
    {
        Time(
            "colour and draw-mode changes", [&] { inner.setFrameColor(c); },
            CColor{c.red, c.green, c.blue, c.alpha} != context.getFrameColor());
    }
    double getStringWidth(const char* text) override
    {
        double w = 0.0;
        Time("text measuring", [&] { w = inner.getStringWidth(text); });
        return w;
    }
    int32_t getFontSize() override { return inner.getFontSize(); }
    void moveTo(const GfxPoint& p) override
    {
        Time("pen moves", [&] { inner.moveTo(p); });
    }
    void lineTo(const GfxPoint& p) override
    {
        Time("graph line segments", [&] { inner.lineTo(p); }); // collected
    }
    void drawRect(const GfxRect& r, int32_t style) override
    {
        Time(
            "rectangles (switch)", [&] { inner.drawRect(r, style); }, true);
    }
    void drawEllipse(const GfxRect& r, int32_t style) override { inner.drawEllipse(r, style); }
    void drawArc(const GfxRect& r, float a, float b, int32_t style) override
    {
        inner.drawArc(r, a, b, style);
    }
    void drawString(const char* text, const GfxRect& r, bool opaque, int32_t align) override
    {
        // The clip the text is drawn in, set and restored once more on its own, to see its
        // share; the text call sets and restores it again itself.
        const CRect previous = context.getClipRect();
        CRect clip(r.left, r.top, r.right, r.bottom);
        clip.bound(previous);
        Time(
            "clip changes (one set and restore per text)",
            [&]
            {
                context.setClipRect(clip);
                context.setClipRect(previous);
            },
            true);
        Time("text drawing", [&] { inner.drawString(text, r, opaque, align); });
    }
    void drawStringInRect(const char* text, const GfxRect& r, int32_t align, bool aa) override
    {
        inner.drawStringInRect(text, r, align, aa);
    }
    void drawStringAt(const char* text, const GfxPoint& p, bool aa) override
    {
        inner.drawStringAt(text, p, aa);
    }
    void drawPoint(const GfxPoint& p, GfxColor c) override { inner.drawPoint(p, c); }
    GfxColor getPoint(const GfxPoint& p) override { return inner.getPoint(p); }
    bool setFont(const char* face, int32_t size, int32_t flags) override
    {
        bool ok = false;
        Time("font selection (SetFont)", [&] { ok = inner.setFont(face, size, flags); });
        // The platform font is made on first use; made here, its cost shows on its own.
        Time("font creation (GDI+ font per SetFont)",
             [&]
             {
                 if (CFontDesc* font = context.getFont()) font->getPlatformFont();
             });
        return ok;
    }
    bool drawBitmap(void* bitmap, const GfxRect& d, const GfxPoint& s, int32_t alpha) override
    {
        bool ok = false;
        const bool background = d.right - d.left > 200.0;
        Time(
            background ? "background image" : "knob images",
            [&] { ok = inner.drawBitmap(bitmap, d, s, alpha); }, true);
        return ok;
    }

  private:
    // Lines wait in the context until something else is drawn or the pen or smoothing changes;
    // with `drawsLines` the call would draw them, and that drawing is counted as theirs.
    template <typename F> void Time(const char* what, F&& call, bool drawsLines = false)
    {
        if (drawsLines)
        {
            const bool opaque = context.getFrameColor().alpha == 255;
            const double before = Now();
            context.flushLines();
            ms[opaque ? "graph lines, opaque pen (drawn in groups)"
                      : "graph lines, half-opaque pen (drawn in groups)"] += Now() - before;
        }
        const double before = Now();
        call();
        ms[what] += Now() - before;
        ++calls[what];
    }

    CDrawContextTarget inner;
    CDrawContext& context;
};

// `finish` (may be empty) runs after each frame's context is released: the copy to the window.
void Profile(const char* name, int frames, const std::function<CDrawContext*()>& makeContext,
             const std::function<void()>& finish = nullptr)
{
    // The plug-in object as the leveller sees it during the profile: the editor's size, the
    // transport playing, and the timing target while a frame draws.
    CFontCache fonts;
    CFakeHost host;
    host.sampleRate = kRate;
    host.blockSize = kBlock;
    host.playing = true;
    host.fontCache = &fonts;
    TXlatEffect fx;
    fx.adapter = &host;
    fx.DoOpen();
    fx.DoResume();
    LevellerVariables& v = fx.vars;
    v.historyStep = 441000.0 / 512.0 / 360.0;
    v.historyBaseCopy = v.historyBase;
    for (int i = 0; i < 900; ++i)
        fx.Element(v.historyBase + i) = 100.0 - 5.0 * (8.0 * std::sin(i * 0.045));
    v.historyWritePos = 700;
    v.playState = 1.0;
    v.lastGain = 1.5;

    std::map<std::string, double> totals;
    std::map<std::string, int> calls;
    double contextMs = 0.0, releaseMs = 0.0, frameMs = 0.0, gfxMs = 0.0, clipMs = 0.0;
    double finishMs = 0.0;
    for (int f = 0; f < frames; ++f)
    {
        const double start = Now();
        CDrawContext* context = makeContext();
        const double made = Now();
        const CRect previous = context->getClipRect();
        context->setClipRect(CRect(0, 0, kEditorWidth, kEditorHeight));
        const double clipped = Now();
        TimingTarget target(*context, fonts);
        host.target = &target;
        fx.DoGfx(kEditorWidth, kEditorHeight);
        host.target = nullptr;
        const double drawn = Now();
        context->setClipRect(previous);
        context->forget();
        const double released = Now();
        if (finish) finish();
        const double end = Now();
        finishMs += end - released;
        contextMs += made - start;
        clipMs += clipped - made;
        gfxMs += drawn - clipped;
        releaseMs += released - drawn;
        frameMs += end - start;
        for (const auto& [what, t] : target.ms)
            totals[what] += t;
        for (const auto& [what, n] : target.calls)
            calls[what] += n;
    }
    fonts.Release();
    double calls_ms = 0.0;
    for (const auto& entry : totals)
        calls_ms += entry.second;
    std::printf("\n%s: %.3f ms per frame over %d frames\n", name, frameMs / frames, frames);
    std::printf("  %-46s %9s %9s %7s\n", "", "calls", "ms/frame", "share");
    auto line = [&](const std::string& what, int n, double total)
    {
        std::printf("  %-46s %9.1f %9.3f %6.1f%%\n", what.c_str(), double(n) / frames,
                    total / frames, 100.0 * total / frameMs);
    };
    std::vector<std::pair<double, std::string>> order;
    for (const auto& [what, t] : totals)
        order.push_back({t, what});
    std::sort(order.rbegin(), order.rend());
    for (const auto& [t, what] : order)
        line(what, calls[what], t);
    line("script and bridge (the frame's own work)", 0, gfxMs - calls_ms);
    line("context creation", frames, contextMs);
    line("frame clip set and restore", frames, clipMs);
    line("context release", frames, releaseMs);
    if (finish) line("copy to the window", frames, finishMs);
}

int RunProfile(int frames)
{
    // A plain window of the editor's size to draw into.
    CEditorHostWindow host;
    if (!CreateHostWindow(host, kEditorWidth, kEditorHeight))
    {
        std::printf("no window of the editor's size\n");
        return 1;
    }
    HWND window = static_cast<HWND>(host.handle());
    // As the frame paints: text and images repeated from earlier frames put back.
    CRepaintCache kept;
    Profile("straight into a window's device context", frames,
            [&]
            {
                auto* context = new CDrawContext(nullptr, nullptr, window);
                context->enableRepaintReuse(&kept);
                return context;
            });
    // The alternative of drawing into a memory surface of the window's format and copying it to
    // the window after the drawing: Wine smooths text differently there, so the frame does not.
    HDC windowDc = GetDC(window);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = kEditorWidth;
    info.bmiHeader.biHeight = -kEditorHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP surface = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(windowDc);
    HGDIOBJ previous = SelectObject(memory, surface);
    Profile(
        "into a memory surface, then copied (not used: its text differs)", frames,
        [&] { return new CDrawContext(nullptr, memory, window); },
        [&]
        {
            GdiFlush();
            BitBlt(windowDc, 0, 0, kEditorWidth, kEditorHeight, memory, 0, 0, SRCCOPY);
        });
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(surface);
    ReleaseDC(window, windowDc);
    Profile("into an off-screen bitmap", frames,
            [&] { return new COffscreenContext(nullptr, kEditorWidth, kEditorHeight); });
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    hInstance = GetModuleHandleW(nullptr); // the artwork is this program's "DATA" resources
    int frames = 150;
    bool profile = false;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--profile") == 0)
            profile = true;
        else if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc)
            frames = std::clamp(std::atoi(argv[++i]), 1, 100000);
        else
        {
            std::fprintf(stderr, "usage: editor_paint_bench.exe [--frames N] [--profile]\n");
            return 2;
        }
    }
    const int result = profile ? RunProfile(frames) : RunPaints(frames);
    std::fflush(stdout);
    return result;
}
