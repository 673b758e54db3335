"""Drawing helpers for the skin: colours snapped to the display's 5-6-5
pixels, anti-aliased shapes drawn on a supersampled canvas and reduced with a
box filter, and vertical gradients.

Every image is opaque (the calculator blits skin images without a colour
key), so anti-aliased edges are blended here against the colour that lies
behind the image on screen.
"""

from PIL import Image, ImageDraw, ImageFont

FONT_DIR = "/usr/share/fonts/truetype/dejavu/"
SANS = FONT_DIR + "DejaVuSans.ttf"
SANS_BOLD = FONT_DIR + "DejaVuSans-Bold.ttf"

# Shapes are drawn this many times larger and box-filtered down.
SUPERSAMPLE = 4


def hex_colour(value):
    """0xRRGGBB as an (r, g, b) tuple."""
    return ((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF)


def _level(v, top):
    """The nearest of `top + 1` levels, widened back to 8 bits the way the
    display's truncation reads it (level << 3 | level >> 2 for 5 bits)."""
    level = (v * top + 127) // 255
    return (level << 3 | level >> 2) if top == 31 else (level << 2 | level >> 4)


_LEVELS5 = [_level(v, 31) for v in range(256)]
_LEVELS6 = [_level(v, 63) for v in range(256)]


def snap565(rgb):
    """The nearest colour the 5-6-5 display can show, as 8-bit channels that
    the decoders truncate to exactly that pixel. Nearest rather than
    truncated, so light greys do not turn pink where green's sixth bit
    rounds differently from red and blue."""
    return (_LEVELS5[rgb[0]], _LEVELS6[rgb[1]], _LEVELS5[rgb[2]])


def snap_image(image):
    """Snaps every pixel of an RGB image to 5-6-5."""
    r, g, b = image.split()
    return Image.merge("RGB", (r.point(_LEVELS5), g.point(_LEVELS6), b.point(_LEVELS5)))


def mix(a, b, t):
    """a blended towards b by t (0 gives a, 1 gives b)."""
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def font(path, size):
    # The basic layout engine renders single glyphs without shaping, the same
    # on every machine that has the font.
    return ImageFont.truetype(path, size, layout_engine=ImageFont.Layout.BASIC)


class Canvas:
    """An RGB image drawn at SUPERSAMPLE times its size; finish() reduces it.
    Coordinates given to the drawing calls are in final pixels (floats
    allowed), so shapes land on the final pixel grid."""

    def __init__(self, width, height, background):
        self.image = Image.new("RGB", (width * SUPERSAMPLE, height * SUPERSAMPLE), background)
        self.draw = ImageDraw.Draw(self.image)

    @staticmethod
    def _box(x0, y0, x1, y1):
        s = SUPERSAMPLE
        return [round(x0 * s), round(y0 * s), round(x1 * s) - 1, round(y1 * s) - 1]

    def rounded(self, x0, y0, x1, y1, radius, fill):
        """A filled rounded rectangle covering [x0, x1) x [y0, y1)."""
        self.draw.rounded_rectangle(self._box(x0, y0, x1, y1), radius=round(radius * SUPERSAMPLE), fill=fill)

    def ellipse(self, x0, y0, x1, y1, fill):
        self.draw.ellipse(self._box(x0, y0, x1, y1), fill=fill)

    def gradient(self, x0, y0, x1, y1, top, bottom, mask_radius=None):
        """A vertical gradient over [x0, x1) x [y0, y1), optionally clipped to
        a rounded rectangle."""
        s = SUPERSAMPLE
        box = self._box(x0, y0, x1, y1)
        w, h = box[2] - box[0] + 1, box[3] - box[1] + 1
        band = Image.new("RGB", (w, h))
        rows = ImageDraw.Draw(band)
        for y in range(h):
            # Colours change per final pixel row, so each row is one flat colour.
            t = min(1.0, (y // s) / max(1, (h // s) - 1))
            rows.line([(0, y), (w - 1, y)], fill=mix(top, bottom, t))
        mask = None
        if mask_radius is not None:
            mask = Image.new("L", (w, h), 0)
            ImageDraw.Draw(mask).rounded_rectangle([0, 0, w - 1, h - 1], radius=round(mask_radius * s), fill=255)
        self.image.paste(band, (box[0], box[1]), mask)

    def line(self, points, width, fill):
        s = SUPERSAMPLE
        self.draw.line([(x * s, y * s) for x, y in points], width=round(width * s), fill=fill)

    def arc(self, x0, y0, x1, y1, start, end, width, fill):
        self.draw.arc(self._box(x0, y0, x1, y1), start, end, width=round(width * SUPERSAMPLE), fill=fill)

    def finish(self):
        return snap_image(self.image.reduce(SUPERSAMPLE))


def draw_text_centred(image, cx, cy, text, face, fill):
    """Hinted text rendered at final size (not supersampled, so stems stay
    on whole pixels), its ink box centred on (cx, cy)."""
    mask_image = Image.new("L", image.size, 0)
    draw = ImageDraw.Draw(mask_image)
    left, top, right, bottom = draw.textbbox((0, 0), text, font=face)
    x = round(cx - (right - left) / 2 - left)
    y = round(cy - (bottom - top) / 2 - top)
    draw.text((x, y), text, font=face, fill=255)
    colour = Image.new("RGB", image.size, fill)
    image.paste(colour, (0, 0), mask_image)
    return image
