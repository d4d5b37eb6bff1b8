#!/usr/bin/python3
"""Draws the QUAR2 editor artwork: bg.png (430 x 600) and sliderknob.png (32 x 15).

Run from anywhere:  /usr/bin/python3 resources/draw_artwork.py
The PNGs are written next to this script. The output is deterministic for a given
Pillow and font package version, so redrawing an unchanged script leaves the files
byte-identical.

Shapes are drawn at SS times the final size and reduced with a box filter, which
gives exact area coverage (anti-aliasing) and keeps one-pixel lines crisp when they
sit on whole pixels. Small texts are rendered at final size, where FreeType's
hinting keeps them sharp.

Coordinates below are in final pixels, continuous: pixel column i covers [i, i+1).
The editor's lines (graph cursor and curves) are drawn with pixel centres on whole
coordinates, so a line at y 400 lands on pixel row 400: the grid rows below are
placed on the same rows.
"""

import os

from PIL import Image, ImageChops, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
SS = 4  # supersampling factor

WIDTH, HEIGHT = 430, 600
KNOB_W, KNOB_H = 32, 15

FONT_DIR_DEJAVU = "/usr/share/fonts/truetype/dejavu/"
FONT_DIR_LIBERATION = "/usr/share/fonts/truetype/liberation/"

# ---------------------------------------------------------------------------
# Layout the editor's drawing code relies on (all in pixels).
# ---------------------------------------------------------------------------
# Slider tracks: (x, y, w, h, min, max, tick step, major tick values)
TRACKS = [
    (115, 50, 200, 20, 0, 8, 1, ()),          # LF filter, 9 steps
    (115, 80, 200, 20, 0, 11, 1, ()),         # attack mode, 12 steps
    (115, 110, 200, 20, -30, 0, 5, (0,)),     # push down, dB
    (115, 140, 200, 20, 0, 30, 5, (0,)),      # pull up, dB
    (115, 170, 200, 20, -10, 0, 1, (-5,)),    # recovery
    (115, 200, 200, 20, 0, 10, 1, (5,)),      # HF de-emphasis
    (115, 230, 200, 20, -20, 20, 5, (0,)),    # output, dB
]
SPEED_TRACK = (260, 269, 100, 20, 1, 10, 1, ())  # display speed, seconds
# The Brake sits in the header band, between the wordmark and the vendor name: the one strip
# where a track with its caption and value fits without touching the rows below.
BRAKE_TRACK = (150, 11, 100, 20, -80, 0, 10, (-40,))  # brake, dB; 0 is "Off"
KNOB_BODY = 25         # visible cap width, image columns 0..24
KNOB_CENTRE = 12       # cap's centre-line column: the widget keeps the pointer at left + 12
KNOB_TRAVEL_PAD = 28   # the knob's left edge travels from x + 1 to x + w - 27

SWITCH_BOX = (115, 274, 125, 284)   # drawn by the editor; kept clear here

GRAPH_AREA = (290, 520)             # click area of the graph (y)
PLOT_X0, PLOT_COLUMNS = 27, 360     # first column and number of columns
PLOT_Y_TOP, PLOT_Y_ZERO, PLOT_Y_BOTTOM = 300, 400, 500   # +20 dB, 0 dB, -20 dB
PIXELS_PER_DB = 5

# Our own furniture (free to change as long as it stays clear of the texts
# the editor draws: captions end at x 110, slider values and step names start
# at x 320 (x 365 for the display speed), readouts at x 119..~330, y 540..586,
# build label at x 12, y 580..594).
HEADER_BOTTOM = 40
GRAPH_PANEL = (12, 293, 418, 518)
READOUT_PANEL = (108, 533, 346, 592)

# ---------------------------------------------------------------------------
# Palette: warm charcoal, orange accent shared with the editor's switch mark
# and smoothed curve.
# ---------------------------------------------------------------------------
BG_TOP = (47, 45, 43)
BG_BOTTOM = (33, 32, 31)
HEADER_TOP = (30, 29, 28)
HEADER_BOTTOM_C = (38, 37, 35)
WELL_TOP = (13, 13, 13)
WELL_BOTTOM = (24, 23, 22)
RIM_LIGHT = (255, 250, 240, 22)
RIM_DARK = (0, 0, 0, 90)
TICK = (100, 96, 90)
TICK_MAJOR = (150, 144, 135)
GRAPH_TOP = (14, 14, 15)
GRAPH_BOTTOM = (19, 19, 20)
GRID_MINOR = (30, 30, 32)
GRID_MAJOR = (41, 41, 44)
GRID_ZERO = (66, 63, 59)
GRID_VERTICAL = (27, 27, 29)
SCALE_TEXT = (112, 108, 102)
ACCENT = (226, 126, 28)
WORDMARK = (218, 213, 205)
SUBTITLE = (128, 123, 116)


def sc(v):
    """Final-pixel coordinate to supersampled pixel index."""
    return int(round(v * SS))


def rgba(colour):
    return tuple(colour) + (255,) * (4 - len(colour))


def lerp_colour(a, b, t):
    a, b = rgba(a), rgba(b)
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(4))


def vertical_gradient(w, h, top, bottom):
    column = Image.new("RGBA", (1, h))
    column.putdata([lerp_colour(top, bottom, i / max(1, h - 1)) for i in range(h)])
    return column.resize((w, h), Image.NEAREST)


def composite(img, patch, mask, x0, y0):
    """Paints patch through mask (both supersampled) at supersampled (x0, y0)."""
    alpha = ImageChops.multiply(patch.getchannel("A"), mask)
    patch = patch.copy()
    patch.putalpha(alpha)
    img.alpha_composite(patch, (x0, y0))


def fill_rrect(img, x0, y0, x1, y1, radius, top, bottom=None):
    """Rounded rectangle with a vertical gradient, final-pixel coordinates."""
    X0, Y0, X1, Y1 = sc(x0), sc(y0), sc(x1), sc(y1)
    w, h = X1 - X0, Y1 - Y0
    if w <= 0 or h <= 0:
        return
    patch = vertical_gradient(w, h, top, bottom if bottom is not None else top)
    mask = Image.new("L", (w, h), 0)
    ImageDraw.Draw(mask).rounded_rectangle((0, 0, w - 1, h - 1), radius=sc(radius), fill=255)
    composite(img, patch, mask, X0, Y0)


def fill_rect(img, x0, y0, x1, y1, colour):
    fill_rrect(img, x0, y0, x1, y1, 0, colour)


def reduce(img):
    return img.reduce(SS)


# ---------------------------------------------------------------------------
# Text (final size)
# ---------------------------------------------------------------------------
def font(name, size):
    base = FONT_DIR_DEJAVU if name.startswith("DejaVu") else FONT_DIR_LIBERATION
    return ImageFont.truetype(base + name + ".ttf", size)


def draw_text(img, xy, text, fnt, colour, anchor="la", tracking=0.0):
    """Draws text on a final-size RGBA image; tracking adds space between letters."""
    layer = Image.new("RGBA", img.size, (0, 0, 0, 0))
    d = ImageDraw.Draw(layer)
    colour = rgba(colour)
    if tracking == 0.0:
        d.text(xy, text, font=fnt, fill=colour, anchor=anchor)
    else:
        total = sum(fnt.getlength(c) for c in text) + tracking * (len(text) - 1)
        x, y = xy
        if anchor[0] == "r":
            x -= total
        elif anchor[0] == "m":
            x -= total / 2
        for c in text:
            d.text((round(x), y), c, font=fnt, fill=colour, anchor="l" + anchor[1])
            x += fnt.getlength(c) + tracking
    img.alpha_composite(layer)


# ---------------------------------------------------------------------------
# Background parts
# ---------------------------------------------------------------------------
def draw_base(img):
    fill_rect(img, 0, 0, WIDTH, HEIGHT, BG_TOP)
    fill_rrect(img, 0, HEADER_BOTTOM, WIDTH, HEIGHT, 0, BG_TOP, BG_BOTTOM)
    # Header band with a bevelled lower edge.
    fill_rrect(img, 0, 0, WIDTH, HEADER_BOTTOM, 0, HEADER_TOP, HEADER_BOTTOM_C)
    fill_rect(img, 0, HEADER_BOTTOM - 1, WIDTH, HEADER_BOTTOM, (0, 0, 0, 110))
    fill_rect(img, 0, HEADER_BOTTOM, WIDTH, HEADER_BOTTOM + 1, (255, 250, 240, 18))
    # Accent hairline under the wordmark's band.
    fill_rect(img, 16, HEADER_BOTTOM - 1, 16 + 56, HEADER_BOTTOM, ACCENT + (170,))


def track_knob_centre(x, w, lo, hi, v):
    """Pixel column of the knob's centre line at value v.

    The editor places the knob's left edge at x + 1 + (v - lo) / (hi - lo) * (w - 28)
    and the drawing context truncates it to a whole pixel."""
    return int(x + 1 + (v - lo) / (hi - lo) * (w - KNOB_TRAVEL_PAD)) + KNOB_CENTRE


def draw_track(img, track, ticks=True):
    x, y, w, h, lo, hi, step, majors = track
    well_h = KNOB_H + 2          # the knob sits at y + 1 .. y + 16
    # Recess: light rim below, dark rim above, then the well itself.
    fill_rrect(img, x, y + 1, x + w, y + well_h + 1, 4, RIM_LIGHT)
    fill_rrect(img, x, y - 1, x + w, y + well_h - 1, 4, RIM_DARK)
    fill_rrect(img, x, y, x + w, y + well_h, 4, WELL_TOP, WELL_BOTTOM)
    # Inner shadow along the top of the well.
    fill_rrect(img, x + 1, y + 0.5, x + w - 1, y + 3, 3, (0, 0, 0, 70), (0, 0, 0, 0))
    # Centre groove along the knob's travel.
    cx0 = track_knob_centre(x, w, lo, hi, lo)
    cx1 = track_knob_centre(x, w, lo, hi, hi)
    cy = y + 1 + KNOB_H / 2
    fill_rrect(img, cx0, cy - 1.5, cx1 + 1, cy + 0.5, 1, (0, 0, 0, 200))
    fill_rrect(img, cx0, cy + 0.5, cx1 + 1, cy + 1.5, 0.5, (255, 250, 240, 22))
    if not ticks:
        return
    n = int(round((hi - lo) / step))
    for i in range(n + 1):
        v = lo + i * step
        tx = track_knob_centre(x, w, lo, hi, v)
        major = (i == 0 or i == n or v in majors)
        top = y + well_h + 2
        length = 3 if major else 2
        fill_rect(img, tx, top, tx + 1, top + length, TICK_MAJOR if major else TICK)


def draw_switch_bezel(img):
    x0, y0, x1, y1 = SWITCH_BOX
    # A soft recess just outside the editor's own box (which covers x0..x1, y0..y1).
    fill_rrect(img, x0 - 2, y0 - 2, x1 + 3, y1 + 3, 2.5, (255, 250, 240, 20))
    fill_rrect(img, x0 - 2, y0 - 2, x1 + 2, y1 + 2, 2.5, (0, 0, 0, 120))


def draw_graph_panel(img):
    x0, y0, x1, y1 = GRAPH_PANEL
    fill_rrect(img, x0, y0 + 1, x1, y1 + 1, 6, RIM_LIGHT)
    fill_rrect(img, x0, y0 - 1, x1, y1 - 1, 6, RIM_DARK)
    fill_rrect(img, x0, y0, x1, y1, 6, GRAPH_TOP, GRAPH_BOTTOM)
    fill_rrect(img, x0 + 1, y0 + 0.5, x1 - 1, y0 + 6, 5, (0, 0, 0, 90), (0, 0, 0, 0))

    plot_x1 = PLOT_X0 + PLOT_COLUMNS + 1     # the cursor can reach column 387
    # Vertical divisions: ten across the plot (a tenth of the shown time span each).
    for i in range(11):
        cx = PLOT_X0 + i * PLOT_COLUMNS / 10
        fill_rect(img, cx, PLOT_Y_TOP, cx + 1, PLOT_Y_BOTTOM + 1, GRID_VERTICAL)
    # Horizontal lines every 5 dB; stronger every 10 dB, strongest at 0 dB.
    for db in range(-20, 21, 5):
        row = PLOT_Y_ZERO - db * PIXELS_PER_DB
        colour = GRID_ZERO if db == 0 else (GRID_MAJOR if db % 10 == 0 else GRID_MINOR)
        fill_rect(img, PLOT_X0, row, plot_x1, row + 1, colour)


def draw_graph_scale(img):
    fnt = font("LiberationSans-Regular", 9)
    x = PLOT_X0 + PLOT_COLUMNS + 1 + 5
    for db in range(-20, 21, 10):
        row = PLOT_Y_ZERO - db * PIXELS_PER_DB
        text = "0" if db == 0 else ("+%d" % db if db > 0 else "\u2212%d" % -db)
        draw_text(img, (x, row + 0.5), text, fnt, SCALE_TEXT, anchor="lm")
    # Unit, just under the top label where no other label sits.
    draw_text(img, (x, PLOT_Y_TOP + 12.5), "dB", font("LiberationSans-Regular", 8),
              SCALE_TEXT + (160,), anchor="lm")


def draw_readout_panel(img):
    x0, y0, x1, y1 = READOUT_PANEL
    fill_rrect(img, x0, y0 + 1, x1, y1 + 1, 5, RIM_LIGHT)
    fill_rrect(img, x0, y0 - 1, x1, y1 - 1, 5, RIM_DARK)
    fill_rrect(img, x0, y0, x1, y1, 5, GRAPH_TOP, GRAPH_BOTTOM)
    fill_rrect(img, x0 + 1, y0 + 0.5, x1 - 1, y0 + 5, 4, (0, 0, 0, 80), (0, 0, 0, 0))


def draw_header_text(img):
    draw_text(img, (16, 21), "QUAR2", font("DejaVuSans-Bold", 17), WORDMARK,
              anchor="ls", tracking=1.5)
    draw_text(img, (17, 32), "VOICE LEVELLER", font("DejaVuSans", 7), SUBTITLE,
              anchor="ls", tracking=1.6)
    draw_text(img, (WIDTH - 16, 24), "TESSEL AUDIO", font("DejaVuSans-Bold", 8), SUBTITLE,
              anchor="rs", tracking=2.0)


def check_layout():
    """Keeps our furniture clear of what the editor draws and of its click areas."""
    gx0, gy0, gx1, gy1 = GRAPH_PANEL
    assert GRAPH_AREA[0] <= gy0 - 1 and gy1 + 1 <= GRAPH_AREA[1]
    assert gx0 < PLOT_X0 and PLOT_X0 + PLOT_COLUMNS + 30 < gx1
    assert SPEED_TRACK[1] + KNOB_H + 2 < gy0 - 1        # speed well ends above the panel
    rx0, ry0, rx1, ry1 = READOUT_PANEL
    assert ry0 - 1 > GRAPH_AREA[1] and rx0 < 119 and rx1 > 335 and ry1 + 1 <= HEIGHT
    assert rx0 > 80                                     # build label at x 12..~75
    assert HEADER_BOTTOM + 1 < TRACKS[0][1] - 1
    bx, by, bw = BRAKE_TRACK[:3]
    assert by - 1 > 0 and by + KNOB_H + 2 + 5 < HEADER_BOTTOM - 1  # well and ticks in the band
    assert bx - 45 > 100 and bx + bw + 5 + 60 < 326     # caption and value clear of the texts


def draw_background():
    check_layout()
    img = Image.new("RGBA", (WIDTH * SS, HEIGHT * SS), (0, 0, 0, 255))
    draw_base(img)
    for track in TRACKS:
        draw_track(img, track)
    draw_track(img, SPEED_TRACK, ticks=False)
    draw_track(img, BRAKE_TRACK)
    draw_switch_bezel(img)
    draw_graph_panel(img)
    draw_readout_panel(img)
    img = reduce(img)
    draw_header_text(img)
    draw_graph_scale(img)
    return img.convert("RGB")


# ---------------------------------------------------------------------------
# Knob: a 25 x 15 fader cap at the image's left edge; the remaining columns
# stay transparent so the cap never covers the value text at the row's end.
# ---------------------------------------------------------------------------
def draw_knob():
    img = Image.new("RGBA", (KNOB_W * SS, KNOB_H * SS), (0, 0, 0, 0))
    w, h = KNOB_BODY, KNOB_H
    fill_rrect(img, 0, 0, w, h, 3, (12, 12, 12))
    fill_rrect(img, 1, 1, w - 1, h - 1, 2.2, (226, 222, 215), (132, 128, 122))
    # Top highlight and a lower shading band for a rounded look.
    fill_rrect(img, 1.5, 1, w - 1.5, 2, 1, (255, 255, 255, 120))
    fill_rrect(img, 1, h - 4, w - 1, h - 1, 2, (0, 0, 0, 0), (0, 0, 0, 40))
    # Centre line on one whole column, the one under the pointer while dragging.
    c = KNOB_CENTRE
    fill_rect(img, c - 0.5, 1.5, c, h - 1.5, (70, 35, 0, 110))
    fill_rect(img, c, 1, c + 1, h - 1, ACCENT)
    fill_rect(img, c + 1, 1.5, c + 1.5, h - 1.5, (70, 35, 0, 110))
    # Grip ridges on each side of the centre line.
    for dx in (-7, -4, 4, 7):
        gx = c + 0.5 + dx
        fill_rect(img, gx - 0.5, 4, gx + 0.5, h - 4, (70, 68, 64, 150))
        fill_rect(img, gx + 0.5, 4, gx + 1, h - 4, (255, 255, 255, 70))
    return reduce(img)


def main():
    draw_background().save(os.path.join(HERE, "bg.png"), optimize=True)
    draw_knob().save(os.path.join(HERE, "sliderknob.png"), optimize=True)


if __name__ == "__main__":
    main()
