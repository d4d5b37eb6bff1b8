#include "leveller_rig.h"

#include <cmath>
#include <cstring>

double LevellerRecordingTarget::getStringWidth(const char* text)
{
    return kCharWidth * static_cast<double>(std::strlen(text));
}

void LevellerRecordingTarget::lineTo(const GfxPoint& p)
{
    RecordedDraw d;
    d.kind = RecordedDraw::kLine;
    d.rect = GfxRect{pen.x, pen.y, p.x, p.y};
    d.color = frameColor;
    d.mode = mode;
    draws.push_back(d);
    pen = p;
}

void LevellerRecordingTarget::drawRect(const GfxRect& rect, int32_t)
{
    RecordedDraw d;
    d.kind = RecordedDraw::kRect;
    d.rect = rect;
    d.color = fillColor;
    d.mode = mode;
    draws.push_back(d);
}

void LevellerRecordingTarget::drawString(const char* text, const GfxRect& rect, bool, int32_t)
{
    RecordedDraw d;
    d.kind = RecordedDraw::kText;
    d.rect = rect;
    d.color = fontColor;
    d.text = text;
    d.mode = mode;
    draws.push_back(d);
}

bool LevellerRecordingTarget::setFont(const char* face, int32_t size, int32_t flags)
{
    fonts.push_back(RecordedFont{face, size, flags});
    fontSize = size;
    return true;
}

std::vector<RecordedDraw> LevellerRecordingTarget::TextsEqualTo(const std::string& text) const
{
    std::vector<RecordedDraw> found;
    for (const RecordedDraw& d : draws)
        if (d.kind == RecordedDraw::kText && d.text == text)
            found.push_back(d);
    return found;
}

std::vector<RecordedDraw> LevellerRecordingTarget::RectsIn(GfxColor color) const
{
    std::vector<RecordedDraw> found;
    for (const RecordedDraw& d : draws)
        if (d.kind == RecordedDraw::kRect && d.color == color)
            found.push_back(d);
    return found;
}

std::vector<RecordedDraw> LevellerRecordingTarget::LinesIn(GfxColor color) const
{
    std::vector<RecordedDraw> found;
    for (const RecordedDraw& d : draws)
        if (d.kind == RecordedDraw::kLine && d.color == color)
            found.push_back(d);
    return found;
}

bool LevellerRecordingTarget::AllCoordinatesFinite() const
{
    for (const RecordedDraw& d : draws) {
        if (!std::isfinite(d.rect.left) || !std::isfinite(d.rect.top) ||
            !std::isfinite(d.rect.right) || !std::isfinite(d.rect.bottom))
            return false;
    }
    return true;
}

LevellerRig::LevellerRig(double sampleRate, int32_t blockSize, bool recordDrawing)
{
    host.sampleRate = sampleRate;
    host.blockSize = blockSize;
    if (recordDrawing)
        host.target = &target;
    fx.adapter = &host;
    fx.DoOpen();
    fx.DoResume();
}

void LevellerRig::Frame(double x, double y, double buttons)
{
    target.draws.clear();
    target.fonts.clear();
    fx.mouseX = x;
    fx.mouseY = y;
    fx.mouseButtons = buttons;
    fx.DoGfx(430.0, 600.0);
}

void LevellerRig::HoverAndPress(double x, double y, double buttons)
{
    Frame(x, y, 0.0);
    Frame(x, y, buttons);
}

void LevellerRig::SetSlider(int slider, double value)
{
    fx.sliders[static_cast<size_t>(slider)] = value;
    fx.DoSlider();
}

void LevellerRig::ProcessBlock(int frames, double value)
{
    fx.DoBlock();
    for (int i = 0; i < frames; ++i) {
        fx.samples[0] = value;
        fx.samples[1] = value;
        fx.DoSample();
    }
}
