"""The skin's pictures, drawn at each class's own resolution.

Every function takes a SizeClass and returns an opaque RGB image; images
with several frames hold them side by side. Backgrounds are the colours the
images lie on in the calculator, so rounded edges blend into their
surroundings without a colour key.
"""

from PIL import Image

import glyphs
import paint
from sizes import PALETTE as P, SCREEN_BACKGROUND


def _key_face(canvas, left, top, right, bottom, radius, style):
    """One key face: a 1-pixel border around a vertical gradient."""
    border, face_top, face_bottom = style
    canvas.rounded(left, top, right, bottom, radius, border)
    canvas.gradient(left + 1, top + 1, right - 1, bottom - 1, face_top, face_bottom, mask_radius=radius - 1)


NORMAL = (P["face_border"], P["face_top"], P["face_bottom"])
PRESSED = (P["pressed_border"], P["pressed_top"], P["pressed_bottom"])
HELD = (P["face_border"], P["held_top"], P["held_bottom"])


def _key_frame(width, height, face, press, radius, look):
    """One frame of a key image. Normal: the face with a shadow offset by
    `press`; pressed: the face moved onto its shadow, darker, lit from below;
    held: the normal shape in a light blue."""
    x0, y0, x1, y1 = face
    canvas = paint.Canvas(width, height, SCREEN_BACKGROUND)
    if look == "pressed":
        _key_face(canvas, x0 + press, y0 + press, x1 + press, y1 + press, radius, PRESSED)
        # An inner shadow along the top edge reads as "pushed in".
        canvas.gradient(x0 + press + radius, y0 + press + 1, x1 + press - radius, y0 + press + 1 + press / 2,
                        P["pressed_border"], P["pressed_top"])
    else:
        canvas.rounded(x0 + press, y0 + press, x1 + press, y1 + press, radius, P["shadow"])
        _key_face(canvas, x0, y0, x1, y1, radius, NORMAL if look == "normal" else HELD)
    return canvas.finish()


def frames_side_by_side(frames):
    width = sum(f.width for f in frames)
    out = Image.new("RGB", (width, frames[0].height))
    x = 0
    for f in frames:
        out.paste(f, (x, 0))
        x += f.width
    return out


def button2(c):
    """Key image 0: normal and pressed; the small class has a third frame, a
    highlighted look the calculator does not use."""
    looks = ["normal", "pressed", "held"][: c.key_frames]
    w, h = c.key
    return frames_side_by_side([_key_frame(w, h, c.face, c.press, c.radius, look) for look in looks])


def longbutton(c):
    """Key image 1, two columns wide; no calculator key uses it."""
    w, h = c.longbutton
    x0, y0, _, y1 = c.face
    # The same margins as button2, the face stretched over two columns.
    face = (x0, y0, w - (c.key[0] - c.face[2]), y1)
    return frames_side_by_side([_key_frame(w, h, face, c.press, c.radius, look) for look in ("normal", "pressed")])


def _header_base(c):
    w, h = c.header
    canvas = paint.Canvas(w, h, P["panel_bottom"])
    canvas.gradient(0, 0, w, c.header_band, P["band_top"], P["band_bottom"])
    canvas.gradient(0, c.header_band, w, h - c.px(1), P["panel_top"], P["panel_bottom"])
    canvas.rounded(0, h - c.px(1), w, h, 0, P["panel_edge"])
    return canvas


def _padlock(canvas, x, y, w, h, colour, open_shackle, background):
    """A padlock in the box (x, y, w, h): a body in the lower half and a
    shackle above it, raised with one leg free when open. Both stay inside
    the box, so the closed lock drawn over the open one hides it entirely."""
    stroke = w * 0.14
    body_top = y + h * 0.46
    body = (x + w * 0.12, body_top, x + w * 0.88, y + h * 0.92)
    ring_left, ring_right = x + w * 0.24, x + w * 0.76
    ring_top = y + stroke / 2 + (0 if open_shackle else h * 0.1)
    ring = (ring_left, ring_top, ring_right, ring_top + (ring_right - ring_left))
    canvas.arc(*ring, 180, 360, stroke, colour)
    mid = (ring[1] + ring[3]) / 2
    for i, leg in enumerate((ring[0] + stroke / 2, ring[2] - stroke / 2)):
        # The open lock's left leg stops short of the body.
        end = mid + (body_top - mid) * 0.3 if open_shackle and i == 0 else body_top + 1
        canvas.line([(leg, mid), (leg, end)], stroke, colour)
    canvas.rounded(*body, w * 0.12, colour)
    # A keyhole in the ground colour.
    cx, cy = (body[0] + body[2]) / 2, (body[1] + body[3]) / 2
    r = w * 0.09
    canvas.ellipse(cx - r, cy - r * 1.4, cx + r, cy + r * 0.6, background)
    canvas.rounded(cx - r * 0.5, cy, cx + r * 0.5, cy + h * 0.16, 0, background)


def lock_origin(c):
    """Where the calculator draws the lock, relative to the header."""
    return c.px(8), c.px(11)


def _header_with_padlock(c, colour, open_shackle):
    canvas = _header_base(c)
    x, y = lock_origin(c)
    w, h = c.lock
    ground = canvas.image.getpixel(((x + w // 2) * paint.SUPERSAMPLE, (y + h // 2) * paint.SUPERSAMPLE))
    _padlock(canvas, x, y, w, h, colour, open_shackle, ground)
    return canvas.finish()


def header(c):
    # A faint open padlock marks the spot that locks the stored answers.
    return _header_with_padlock(c, P["lock_ghost"], True)


def lock(c):
    # Drawn opaquely over the header, so it is cut from a header with the
    # closed padlock: its ground matches to the pixel and hides the open one.
    x, y = lock_origin(c)
    w, h = c.lock
    return _header_with_padlock(c, P["lock"], False).crop((x, y, x + w, y + h))


def textbox(c):
    """A white field across the whole width (wide screens stretch it), with
    a shade under the header and an edge at the bottom, where the slot tabs
    hang; below it the screen's background."""
    w, h = c.textbox
    canvas = paint.Canvas(w, h, SCREEN_BACKGROUND)
    edge = c.px(1)
    canvas.rounded(0, 0, w, c.field_bottom - edge, 0, P["field"])
    canvas.gradient(0, 0, w, c.px(2), P["field_shadow"], P["field"])
    canvas.rounded(0, c.field_bottom - edge, w, c.field_bottom, 0, P["field_edge"])
    return canvas.finish()


def slot_row_in_textbox(c):
    """The textbox row where the slot tabs are drawn (input box bottom less
    6, large 11)."""
    return c.textbox[1] - (11 if c.vga else 6)


def coolblue(c):
    w, h = c.coolblue
    row = slot_row_in_textbox(c)
    behind = textbox(c).crop((0, row, w, row + h))
    canvas = paint.Canvas(w, h, (0, 0, 0))
    canvas.image.paste(behind.resize((w * paint.SUPERSAMPLE, h * paint.SUPERSAMPLE), Image.NEAREST))
    r = h * 0.75
    # Square top (it hangs from the field's edge), round bottom corners.
    canvas.rounded(0, -r, w, h, r, P["tab_edge"])
    canvas.rounded(c.px(1), -r, w - c.px(1), h - c.px(1), r - c.px(1), P["tab"])
    return canvas.finish()


def _centred_label(image, cx, cy, text, height):
    """White bold text, hinted at the final size, centred on (cx, cy)."""
    face = paint.font(paint.SANS_BOLD, round(height))
    return paint.draw_text_centred(image, cx, cy, text, face, P["white"])


def _round_button(c, size, colour, vector=None, label=None):
    """A round button with a drop shadow on the screen background, with a
    vector symbol or a text label on it."""
    w, h = size
    canvas = paint.Canvas(w, h, SCREEN_BACKGROUND)
    one = c.px(1)
    d = min(w, h) - 2 * c.px(2) - one
    x0 = (w - d - one) / 2
    y0 = (h - d - one) / 2
    canvas.ellipse(x0 + one, y0 + one, x0 + d + one, y0 + d + one, P["shadow"])
    canvas.ellipse(x0, y0, x0 + d, y0 + d, paint.mix(colour, (0, 0, 0), 0.18))
    canvas.ellipse(x0 + one, y0 + one, x0 + d - one, y0 + d - one, colour)
    cx, cy = x0 + d / 2, y0 + d / 2
    if vector:
        vector(canvas, cx, cy, d)
    image = canvas.finish()
    if label:
        _centred_label(image, cx, cy, label, d * 0.62)
    return image


def _power_symbol(c):
    def painter(canvas, cx, cy, d):
        r = d * 0.26
        stroke = max(c.px(1) * 1.5, d * 0.1)
        canvas.arc(cx - r, cy - r + d * 0.03, cx + r, cy + r + d * 0.03, 300, 240 + 360, stroke, P["white"])
        canvas.line([(cx, cy - r - d * 0.06), (cx, cy - d * 0.02)], stroke, P["white"])
    return painter


def closebutton(c):
    """Ends the program, so it shows a power switch rather than a cross."""
    return _round_button(c, c.closebutton, P["quit"], vector=_power_symbol(c))


def help_button(c):
    """Starts the tutorial."""
    return _round_button(c, c.help, P["help"], label="?")


def _face_button(c, size, badge_colour, text):
    """A small key-like button for the bottom corners, with a round badge."""
    w, h = size
    canvas = paint.Canvas(w, h, SCREEN_BACKGROUND)
    m = c.px(3)
    p = c.press
    face = (m, m - c.px(1), w - m - p, h - m - p + c.px(1))
    canvas.rounded(face[0] + p, face[1] + p, face[2] + p, face[3] + p, c.radius, P["shadow"])
    _key_face(canvas, *face, c.radius, NORMAL)
    cx, cy = (face[0] + face[2]) / 2, (face[1] + face[3]) / 2
    r = (face[3] - face[1]) * 0.36
    canvas.ellipse(cx - r, cy - r, cx + r, cy + r, badge_colour)
    return _centred_label(canvas.finish(), cx, cy, text, r * 1.55)


def about_button(c):
    return _face_button(c, c.about, P["info"], "i")


def clear_button(c):
    return _face_button(c, c.clear, P["clear"], "C")


def strip(c, which):
    style = c.font if which == "font" else c.bluefont
    face = paint.font(paint.SANS if which == "font" else paint.SANS_BOLD, style["size"])
    chars = glyphs.FONT_CHARS if which == "font" else glyphs.BLUEFONT_CHARS
    ink = P["ink"] if which == "font" else P["blue_ink"]
    ground = P["text_ground"] if which == "font" else paint.mix(P["face_top"], P["face_bottom"], 0.5)
    image, _ = glyphs.build_strip(chars, face, style["baseline"], style["cell"], ink, ground, style.get("space", 0))
    return image


# Name -> painter, in the calculator's load order.
IMAGES = {
    "header": header,
    "textbox": textbox,
    "lock": lock,
    "coolblue": coolblue,
    "about-button": about_button,
    "clear-button": clear_button,
    "bluefont": lambda c: strip(c, "bluefont"),
    "font": lambda c: strip(c, "font"),
    "closebutton": closebutton,
    "help": help_button,
    "button2": button2,
    "longbutton": longbutton,
}
