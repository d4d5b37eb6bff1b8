// The text half of CDrawContext over cairo: measuring and drawing, placed as
// the GDI+ context places them (the measured box carries a margin on each side, and a string
// drawn at a point starts one margin to the right of it).
#include "gui/CDrawContext.h"

#include "gui/CFontDesc.h"
#include "gui/DrawingCodes.h"
#include "gui/PixelMath.h"

#include <cmath>
#include <cstdint>

namespace
{
// GDI+'s default string layout keeps a margin of one sixth of the em size on each side of the
// text: measured widths include both, drawn text starts after the first.
constexpr double kTextMarginEm = 1.0 / 6.0;

// Measures and draws with unhinted metrics, so that widths follow the font's design (as GDI+'s
// do) rather than the pixel grid.
void selectFont(cairo_t* cr, cairo_font_face_t* face, double size, bool antialias)
{
    cairo_set_font_face(cr, face);
    cairo_set_font_size(cr, size);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_antialias(options,
                                     antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
}

// Cairo puts a context that is handed malformed UTF-8 into an error state for good; such a
// string counts as empty, as the GDI+ context's failed conversion does.
bool validUtf8(const char* text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (*p)
    {
        int follow = 0;
        uint32_t code = *p;
        if (code < 0x80)
            follow = 0;
        else if ((code & 0xE0) == 0xC0)
            follow = 1, code &= 0x1F;
        else if ((code & 0xF0) == 0xE0)
            follow = 2, code &= 0x0F;
        else if ((code & 0xF8) == 0xF0)
            follow = 3, code &= 0x07;
        else
            return false;
        ++p;
        for (int i = 0; i < follow; ++i, ++p)
        {
            if ((*p & 0xC0) != 0x80) return false;
            code = (code << 6) | (*p & 0x3F);
        }
        static constexpr uint32_t kSmallest[4] = {0, 0x80, 0x800, 0x10000};
        if (code < kSmallest[follow] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
    }
    return true;
}

const char* usableText(const char* text)
{
    return validUtf8(text) ? text : "";
}

bool validSize(double size)
{
    return std::isfinite(size) && size > 0.0 && size < 10000.0;
}
} // namespace

double CDrawContext::getStringWidth(const char* string)
{
    if (!string || !font) return -1.0;
    cairo_font_face_t* face = font->getPlatformFont();
    if (!graphics || !face) return -1.0;
    const double size = double(toReal(font->getSize()));
    if (!validSize(size)) return 0.0;
    cairo_save(graphics);
    selectFont(graphics, face, size, true);
    cairo_text_extents_t extents{};
    cairo_text_extents(graphics, usableText(string), &extents);
    cairo_restore(graphics);
    // Single precision, as the GDI+ measure answers.
    return double(float(extents.x_advance + 2.0 * kTextMarginEm * size));
}

void CDrawContext::drawString(const char* string, const CPoint& point, bool antialias)
{
    if (!string || !font || !graphics) return;
    flushLines();
    cairo_font_face_t* face = font->getPlatformFont();
    if (!face) return;
    const double size = double(toReal(font->getSize()));
    if (!validSize(size)) return;
    cairo_save(graphics);
    selectFont(graphics, face, size, antialias);
    cairo_font_extents_t metrics{};
    cairo_font_extents(graphics, &metrics);
    // The point names the bottom line: the text's top (its line's top) is one line height
    // above the point, plus one pixel.
    const double x = toReal(point.x + offset.x) + kTextMarginEm * size;
    const double top = double(toReal(point.y + offset.y) + 1.0f - float(metrics.height));
    const double baseline = top + metrics.ascent;
    cairo_set_source_rgba(graphics, fontColor.red / 255.0, fontColor.green / 255.0,
                          fontColor.blue / 255.0, fontColor.alpha / 255.0);
    string = usableText(string);
    cairo_move_to(graphics, x, baseline);
    cairo_show_text(graphics, string);
    if (font->getStyle() & kUnderlineFace)
    {
        // Underlined text is the one style drawn by hand: cairo fonts have no underline.
        cairo_text_extents_t extents{};
        cairo_text_extents(graphics, string, &extents);
        const double thickness = std::fmax(1.0, std::round(size / 14.0));
        cairo_rectangle(graphics, x, std::round(baseline + size * 0.1), extents.x_advance,
                        thickness);
        cairo_fill(graphics);
    }
    cairo_restore(graphics);
}
