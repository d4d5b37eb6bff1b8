#include "tests/support/RecordingTarget.h"

#include <cmath>

GfxCall& RecordingTarget::Add(const char* op)
{
    calls.push_back(GfxCall{});
    calls.back().op = op;
    calls.back().mode = drawMode;
    return calls.back();
}

GfxCall& RecordingTarget::AddShape(const char* op, const GfxRect& r, int32_t value)
{
    GfxCall& c = Add(op);
    c.rect = r;
    c.value = value;
    return c;
}

void RecordingTarget::setDrawMode(int32_t m)
{
    Add("setDrawMode").value = m;
    drawMode = m;
}

void RecordingTarget::SetColor(const char* op, GfxColor c, GfxColor& current)
{
    Add(op).color = c;
    current = c;
}

double RecordingTarget::getStringWidth(const char* text)
{
    Add("getStringWidth").text = text ? text : "(null)";
    if (charWidth < 0.0) return charWidth;
    return text ? charWidth * static_cast<double>(std::string(text).size()) : -1.0;
}

void RecordingTarget::moveTo(const GfxPoint& p)
{
    Add("moveTo").point = p;
    pen = p;
}

void RecordingTarget::lineTo(const GfxPoint& p)
{
    GfxCall& c = Add("lineTo");
    c.point = p;
    c.rect = GfxRect{pen.x, pen.y, p.x, p.y};
    c.color = frameColor;
    pen = p;
}

void RecordingTarget::drawRect(const GfxRect& r, int32_t style)
{
    AddShape("drawRect", r, style).color = fillColor;
}

void RecordingTarget::drawString(const char* text, const GfxRect& r, bool, int32_t align)
{
    GfxCall& c = AddShape("drawString", r, align);
    c.text = text ? text : "(null)";
    c.color = fontColor;
}

void RecordingTarget::drawStringAt(const char* text, const GfxPoint& p, bool)
{
    GfxCall& c = Add("drawStringAt");
    c.point = p;
    c.text = text ? text : "(null)";
}

void RecordingTarget::drawPoint(const GfxPoint& p, GfxColor color)
{
    GfxCall& c = Add("drawPoint");
    c.point = p;
    c.color = color;
}

bool RecordingTarget::setFont(const char* face, int32_t size, int32_t flags)
{
    const std::string name = face ? face : "";
    GfxCall& c = Add("setFont");
    c.value = size;
    c.flags = flags;
    c.text = name;
    for (const std::string& unknown : unknownFaces)
        if (unknown == name) return false;
    fontSize = size;
    return true;
}

bool RecordingTarget::drawBitmap(void* bitmap, const GfxRect& r, const GfxPoint& source,
                                 int32_t alpha)
{
    GfxCall& c = AddShape("drawBitmap", r, alpha);
    c.point = source;
    c.bitmap = bitmap;
    return bitmapsDraw;
}

std::vector<GfxCall> RecordingTarget::Matching(const char* op,
                                               bool (*match)(const GfxCall&, const void*),
                                               const void* what) const
{
    std::vector<GfxCall> out;
    for (const GfxCall& c : calls)
        if (c.op == op && match(c, what)) out.push_back(c);
    return out;
}

std::vector<GfxCall> RecordingTarget::Named(const std::string& op) const
{
    return Matching(
        op.c_str(), [](const GfxCall&, const void*) { return true; }, nullptr);
}

std::vector<GfxCall> RecordingTarget::TextsEqualTo(const std::string& text) const
{
    return Matching(
        "drawString",
        [](const GfxCall& c, const void* t)
        { return c.text == *static_cast<const std::string*>(t); },
        &text);
}

std::vector<GfxCall> RecordingTarget::RectsIn(GfxColor color) const
{
    return Matching(
        "drawRect",
        [](const GfxCall& c, const void* k) { return c.color == *static_cast<const GfxColor*>(k); },
        &color);
}

std::vector<GfxCall> RecordingTarget::LinesIn(GfxColor color) const
{
    return Matching(
        "lineTo",
        [](const GfxCall& c, const void* k) { return c.color == *static_cast<const GfxColor*>(k); },
        &color);
}

bool RecordingTarget::AllCoordinatesFinite() const
{
    for (const GfxCall& c : calls)
    {
        if (c.op != "drawRect" && c.op != "lineTo" && c.op != "drawString") continue;
        if (!std::isfinite(c.rect.left) || !std::isfinite(c.rect.top) ||
            !std::isfinite(c.rect.right) || !std::isfinite(c.rect.bottom))
            return false;
    }
    return true;
}
