#pragma once
// Test doubles for the script graphics: a drawing target that records every call the bridge
// makes, and a plug-in object (adapter) that offers it while "drawing".

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/GfxTarget.h"
#include "runtime/XlatAdapter.h"

// One recorded call: the operation's name plus whatever arguments it had.
struct GfxCall
{
    std::string op;
    GfxRect rect;
    GfxPoint point;
    GfxColor color;
    int32_t value = 0; // mode, style, alignment, size or alpha
    int32_t flags = 0;
    std::string text;
    void* bitmap = nullptr;
};

class RecordingTarget : public CGfxTarget
{
public:
    // Text widths: `charWidth` pixels per byte. A negative value answers that value for every
    // text (a context without a usable font).
    double charWidth = 7.0;
    // What setFont answers for a face; false for every face in `unknownFaces`.
    std::vector<std::string> unknownFaces;

    std::vector<GfxCall> calls;

    // The calls named `op`, in order.
    std::vector<GfxCall> Named(const std::string& op) const;

    void setDrawMode(int32_t mode) override { Add("setDrawMode").value = mode; }
    void setFontColor(GfxColor c) override { Add("setFontColor").color = c; }
    void setFillColor(GfxColor c) override { Add("setFillColor").color = c; }
    void setFrameColor(GfxColor c) override { Add("setFrameColor").color = c; }
    double getStringWidth(const char* text) override;
    int32_t getFontSize() override { return fontSize; }
    void moveTo(const GfxPoint& p) override { Add("moveTo").point = p; }
    void lineTo(const GfxPoint& p) override { Add("lineTo").point = p; }
    void drawRect(const GfxRect& r, int32_t style) override { AddShape("drawRect", r, style); }
    void drawEllipse(const GfxRect& r, int32_t style) override
    {
        AddShape("drawEllipse", r, style);
    }
    void drawArc(const GfxRect& r, float, float, int32_t style) override
    {
        AddShape("drawArc", r, style);
    }
    void drawString(const char* text, const GfxRect& r, bool, int32_t align) override
    {
        AddShape("drawString", r, align).text = text ? text : "(null)";
    }
    void drawStringInRect(const char* text, const GfxRect& r, int32_t align, bool) override
    {
        AddShape("drawStringInRect", r, align).text = text ? text : "(null)";
    }
    void drawStringAt(const char* text, const GfxPoint& p, bool) override
    {
        GfxCall& c = Add("drawStringAt");
        c.point = p;
        c.text = text ? text : "(null)";
    }
    void drawPoint(const GfxPoint& p, GfxColor color) override
    {
        GfxCall& c = Add("drawPoint");
        c.point = p;
        c.color = color;
    }
    GfxColor getPoint(const GfxPoint&) override { return GfxColor{0, 0, 0, 255}; }
    bool setFont(const char* face, int32_t size, int32_t flags) override;
    bool drawBitmap(void* bitmap, const GfxRect& r, const GfxPoint& source,
                    int32_t alpha) override
    {
        GfxCall& c = AddShape("drawBitmap", r, alpha);
        c.point = source;
        c.bitmap = bitmap;
        return true;
    }

    int32_t fontSize = 0;

private:
    GfxCall& Add(const char* op)
    {
        calls.push_back(GfxCall{});
        calls.back().op = op;
        return calls.back();
    }
    GfxCall& AddShape(const char* op, const GfxRect& r, int32_t value)
    {
        GfxCall& c = Add(op);
        c.rect = r;
        c.value = value;
        return c;
    }
};

// The plug-in object as the runtime sees it: an editor of 430 x 600 (when `hasEditor`) and the
// recording target while `drawing` is set.
class DrawingAdapter : public CXlatAdapter
{
public:
    bool getEditorSize(int32_t& w, int32_t& h) override
    {
        if (!hasEditor)
            return false;
        w = 430;
        h = 600;
        return true;
    }
    CGfxTarget* getScriptDrawTarget() override { return drawing ? &target : nullptr; }

    bool hasEditor = true;
    bool drawing = true;
    RecordingTarget target;
};

// Lines of the debug log that contain `needle` (the log is shared with other programs, so
// tests look only for their own unique texts).
int CountLogLines(const std::string& needle);
// A text unique to this process and call, for file names.
std::string GfxUniqueTag(const std::string& stem);
