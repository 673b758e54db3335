"""Glyph strips: one row of glyphs under a white marker row, on the magenta
key colour.

Each listed character gets a marker run (white pixels in row 0) as long as
its advance less the one pixel of spacing the program adds between glyphs,
widened where the ink reaches beyond the advance, and one unmarked column
after it. Ink lies inside the run, so the cutter never splits a glyph and
measured text advances exactly as the font says.

The strip is colour-keyed, so it cannot hold partial transparency: each
anti-aliased pixel is blended against the colour the text will be drawn on,
and pixels fainter than INK_THRESHOLD are left transparent.
"""

from PIL import Image, ImageDraw

import paint

KEY = (0xFF, 0x00, 0xFF)
MARKER = (0xFF, 0xFF, 0xFF)

# Coverage below this (of 255) is dropped rather than blended.
INK_THRESHOLD = 40
# Coverage is rounded to this many steps, so a strip needs few colours.
COVERAGE_STEPS = 15
# Room left of the pen when a glyph is rendered alone.
PAD = 32

# What the calculator's private sign codes look like.
SIGN_TEXT = {
    "\u00DB": "\u00FB",         # unused by the program: its letter, in lower case like the rest
    "\u00DD": "\u25A1",         # placeholder
    "\u0085": "\u00B2",         # square
    "\u0086": "\u207B\u00B9",   # reciprocal
    "\u00ED": "\u03C0",         # pi
    "\u00DC": "\u212F",         # e
    "\u0080": "\u1D07",         # exponent sign
    "\u0087": "\u221A",         # root
    "\u0088": "\u00B0",         # unused by the program
}

DIGITS = "0123456789"
LETTERS = "abcdefghijklmnopqrstuvwxyz"
BLUEFONT_CHARS = ("\u00DB\u00DD\u0085\u0086!\u00ED\u00DC\u0080^\u0087()*+-./" + DIGITS + LETTERS + " =")
FONT_CHARS = ("\u00DB\u00DD\u0085\u0086!\u00ED\u00DC\u0080,^\u0087()*+-./" + DIGITS + LETTERS + "\u0088 ")


def render_glyph(face, text, baseline, cell_height):
    """Coverage of one glyph in a cell_height tall box with the baseline at
    row `baseline`, the pen at column PAD. Returns (coverage image, ink left,
    ink right, advance); ink columns are relative to the pen."""
    advance = round(face.getlength(text))
    width = 2 * PAD + advance
    # Drawn with a cell of room above and below, to see ink the cell would cut.
    tall = Image.new("L", (width, cell_height * 3), 0)
    ImageDraw.Draw(tall).text((PAD, cell_height + baseline), text, font=face, fill=255, anchor="ls")
    tall = tall.point(lambda v: 0 if v < INK_THRESHOLD else
                      round(round(v * COVERAGE_STEPS / 255) * 255 / COVERAGE_STEPS))
    box = tall.getbbox()
    if box is None:
        return tall.crop((0, cell_height, width, 2 * cell_height)), 0, 0, advance
    if box[1] < cell_height or box[3] > 2 * cell_height:
        raise ValueError("glyph %r does not fit a %d-row cell with its baseline at row %d"
                         % (text, cell_height, baseline))
    return tall.crop((0, cell_height, width, 2 * cell_height)), box[0] - PAD, box[2] - PAD, advance


def build_strip(chars, face, baseline, cell_height, ink, background, space=0):
    """The strip image (RGB, cell_height + 1 rows) and, per listed
    character, (run start, run length). space: the least width of the space
    glyph."""
    pieces = []
    for ch in chars:
        text = SIGN_TEXT.get(ch, ch)
        coverage, ink_left, ink_right, advance = render_glyph(face, text, baseline, cell_height)
        if ch == " ":
            run_start, run_end = 0, max(1, space, advance - 1)
        else:
            run_start = min(0, ink_left)
            run_end = max(advance - 1, ink_right, run_start + 1)
        pieces.append((ch, coverage, run_start, run_end))

    width = sum(end - start + 1 for _, _, start, end in pieces)
    strip = Image.new("RGB", (width, cell_height + 1), KEY)
    draw = ImageDraw.Draw(strip)
    runs = []
    x = 0
    for ch, coverage, run_start, run_end in pieces:
        length = run_end - run_start
        draw.line([(x, 0), (x + length - 1, 0)], fill=MARKER)
        if ch != " ":
            # The pen sits at x - run_start inside the strip.
            pen = x - run_start
            cov = coverage.crop((PAD + run_start, 0, PAD + run_end, cell_height))
            blended = Image.new("RGB", cov.size, KEY)
            pixels = blended.load()
            cov_pixels = cov.load()
            for cy in range(cov.size[1]):
                for cx in range(cov.size[0]):
                    a = cov_pixels[cx, cy]
                    if a:
                        pixels[cx, cy] = paint.snap565(paint.mix(background, ink, a / 255))
            strip.paste(blended, (pen + run_start, 1))
        runs.append((ch, x, length))
        x += length + 1
    return strip, runs


def cut_strip(strip, chars):
    """Cuts a strip the way the program does (marker row, magenta key) and
    returns {char: (x, width, left, right)} or raises ValueError when the
    marker runs and the glyphs disagree. Used by the preview, so what it shows
    is what the program will measure and draw."""
    width, height = strip.size
    px = strip.load()
    key = paint.snap565(KEY)

    def is_marker(c):
        return paint.snap565(px[c, 0]) == (255, 255, 255)

    def has_ink(c):
        return any(paint.snap565(px[c, y]) != key for y in range(1, height))

    found = []
    inside = False
    start = 0
    i = 0
    for c in range(width):
        if i >= len(chars):
            break
        h = chars[i]
        marker = is_marker(c)
        if marker and h == " ":
            if not inside:
                start, inside = c, True
            continue
        if has_ink(c):
            if not inside:
                start, inside = c, True
            continue
        if not marker and inside:
            found.append((start, c - start))
            i += 1
            inside = False
    runs = []
    c = 0
    while c < width and len(runs) < len(chars):
        if is_marker(c):
            begin = c
            while c < width and is_marker(c):
                c += 1
            if c < width:
                runs.append((begin, c))
        c += 1
    if len(found) != len(chars) or len(runs) != len(chars):
        raise ValueError("strip cuts into %d glyphs and %d marker runs for %d characters"
                         % (len(found), len(runs), len(chars)))
    metrics = {}
    for ch, (x, w), (begin, end) in zip(chars, found, runs):
        metrics[ch] = (x, w, x - begin, end - x - w)
    return metrics
