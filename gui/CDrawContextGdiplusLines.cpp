// CDrawContext over GDI+: the lines that lineTo collects, drawn in as few calls as give the
// same pixels. A run of lines in one pen (the leveller's graph: hundreds of one-pixel segments
// per frame) costs one GDI+ call per group of segments instead of one per segment, which is
// most of a frame's time on some systems.
#include "gui/CDrawContext.h"

#include "gui/PixelMath.h"
#include "gui/RepaintCache.h"

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
// What one more line call costs, in pixels of bounding box drawn: a half-opaque pen costs about
// 0.09 ms a call and 19 ns a pixel of its box under Wine. Runs longer than kLongestRun segments
// are not weighed (a bound on the work of cutting).
constexpr double kCallCostInPixels = 4700.0;
constexpr size_t kLongestRun = 256;
} // namespace

void CDrawContext::flushLines() const
{
    if (pendingLines.empty()) return;
    if (!graphics || !pen)
    {
        pendingLines.clear();
        return;
    }
    const size_t count = pendingLines.size();
    if (count == 1)
    {
        drawLineRun(pendingLines.data(), nullptr, 1);
        pendingLines.clear();
        return;
    }

    // Each segment's pixels, widened by what the pen adds: a pen reaches half its width past
    // the segment, and a pixel is touched only when that reaches past the pixel's edge, half a
    // pixel away. A pen of one pixel or less (the graph's) stays within the pixels between the
    // segment's ends, even smoothed: a curve's every other segment can share a group.
    const double halfWidth =
        std::isfinite(lineWidth) ? std::min(std::fabs(lineWidth), 1000.0) * 0.5 : 500.0;
    const int32_t margin = std::max(0, int32_t(std::ceil(halfWidth - 0.5)));
    struct Box
    {
        int32_t left, top, right, bottom;
        bool meets(const Box& o) const
        {
            return left <= o.right && o.left <= right && top <= o.bottom && o.top <= bottom;
        }
    };
    std::vector<Box> boxes(count);
    for (size_t i = 0; i < count; ++i)
    {
        const PendingLine& l = pendingLines[i];
        boxes[i] = {std::min(l.x0, l.x1) - margin, std::min(l.y0, l.y1) - margin,
                    std::max(l.x0, l.x1) + margin, std::max(l.y0, l.y1) + margin};
    }
    // First fit: each segment joins the first group none of whose segments it meets. All the
    // segments share one pen: a pixel that two of them cover (in two groups) is blended twice
    // with the same colour, which gives the same result in either order. (With smoothing that
    // really antialiases, two coverages may meet in the other order, a rounding step apart.)
    std::vector<std::vector<size_t>> groups;
    for (size_t i = 0; i < count; ++i)
    {
        bool placed = false;
        for (std::vector<size_t>& group : groups)
        {
            bool apart = true;
            // The latest members come first: a curve's neighbours are its recent segments.
            for (auto it = group.rbegin(); it != group.rend() && apart; ++it)
                apart = !boxes[i].meets(boxes[*it]);
            if (apart)
            {
                group.push_back(i);
                placed = true;
                break;
            }
        }
        if (!placed) groups.push_back({i});
    }
    // A group is drawn in runs of consecutive members, cut where drawing the whole costs more
    // than another call: a half-opaque pen is drawn in software over the run's bounding box,
    // so a wavy curve across the graph is cheaper in a few narrower runs (the runs of a group
    // stay apart from each other, so the pixels are the same however it is cut).
    std::vector<double> best;
    std::vector<size_t> cut;
    // An opaque pen is drawn by the system's own line drawing, whatever its box: never cut.
    const double callCost = frameColor.alpha == 255 ? 1e300 : kCallCostInPixels;
    for (const std::vector<size_t>& group : groups)
    {
        const size_t n = group.size();
        best.assign(n + 1, 0.0);
        cut.assign(n + 1, 0);
        for (size_t j = 1; j <= n; ++j)
        {
            best[j] = -1.0;
            int32_t left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;
            const size_t first = j > kLongestRun ? j - kLongestRun : 0;
            for (size_t i = j; i-- > first;)
            {
                const PendingLine& l = pendingLines[group[i]];
                left = std::min({left, l.x0, l.x1});
                right = std::max({right, l.x0, l.x1});
                top = std::min({top, l.y0, l.y1});
                bottom = std::max({bottom, l.y0, l.y1});
                const double area = (double(right) - left + 1.0) * (double(bottom) - top + 1.0);
                const double cost = best[i] + callCost + area;
                if (best[j] < 0.0 || cost < best[j])
                {
                    best[j] = cost;
                    cut[j] = i;
                }
            }
        }
        for (size_t end = n; end > 0;)
        {
            const size_t begin = cut[end];
            drawLineRun(pendingLines.data(), group.data() + begin, end - begin);
            end = begin;
        }
    }
    pendingLines.clear();
}

void CDrawContext::drawLineRun(const PendingLine* lines, const size_t* members, size_t count) const
{
    auto line = [&](size_t k) -> const PendingLine& { return lines[members ? members[k] : k]; };
    auto draw = [&](Gdiplus::Graphics& g)
    {
        if (count == 1)
        {
            const PendingLine& l = line(0);
            g.DrawLine(pen, l.x0, l.y0, l.x1, l.y1);
            return;
        }
        // One open figure per segment, as a single line call makes it.
        Gdiplus::GraphicsPath path;
        for (size_t k = 0; k < count; ++k)
        {
            const PendingLine& l = line(k);
            path.StartFigure();
            path.AddLine(INT(l.x0), INT(l.y0), INT(l.x1), INT(l.y1));
        }
        g.DrawPath(pen, &path);
    };
    if (!paintLog)
    {
        draw(*graphics);
        return;
    }
    // A run of the graph's curve is mostly what the last frame drew: a half-opaque pen (drawn
    // in software) is kept; an opaque one costs less to draw again than to keep.
    PaintDescription op;
    op << 'L' << uint64_t(count);
    int32_t left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;
    for (size_t k = 0; k < count; ++k)
    {
        const PendingLine& l = line(k);
        op << l.x0 << l.y0 << l.x1 << l.y1;
        left = std::min({left, l.x0, l.x1});
        right = std::max({right, l.x0, l.x1});
        top = std::min({top, l.y0, l.y1});
        bottom = std::max({bottom, l.y0, l.y1});
    }
    const PaintBox reach = lineReach(left, top, right, bottom, lineWidth);
    drawLogged(reach, {}, op.bytes, draw, frameColor.alpha == 255 ? Keep::never : Keep::exact);
}
