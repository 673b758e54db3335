"""Mock calculator screens composed from the generated images, so the skin
can be judged in place: the keypad in both layers (a key held down, the
slots locked, the mode switches), and the about screen.

Text is cut from the glyph strips and drawn glyph by glyph with the
program's spacing rules; images are drawn with their frames and clipping
insets, in the calculator's drawing order.
"""

from PIL import Image, ImageDraw

import glyphs
from layout import Layout, keypad_labels
from sizes import SCREEN_BACKGROUND


class StripFont:
    """A glyph strip cut as the program cuts it, with spacing 1."""

    def __init__(self, image, chars):
        self.image = image
        self.key = image.getpixel((image.width - 1, image.height - 1))
        self.metrics = glyphs.cut_strip(image, chars)
        self.height = image.height  # FontHeight: the strip with its marker row

    def metric(self, ch):
        return self.metrics.get(ch, (0, 0, 0, 0))

    def measure(self, text):
        return self.draw(None, 0, 0, text)

    def space_width(self):
        w = self.metric(" ")[1]
        return w if w else self.height

    def draw(self, target, x, y, text):
        """Draws text at (x, y) as DrawText does (without a target: only
        measures) and returns its width."""
        pen = 0
        for j, ch in enumerate(text):
            gx, w, left, right = self.metric(ch)
            if j > 0:
                pen += left
            if w == 0:
                continue
            if target is not None:
                glyph = self.image.crop((gx, 1, gx + w, self.image.height))
                keyed = Image.new("L", glyph.size, 0)
                keyed.putdata([0 if p == self.key else 255 for p in glyph.getdata()])
                target.paste(glyph, (x + pen, y), keyed)
            pen += w
            if j != len(text) - 1:
                pen += 1 + right
        return pen


def blit(target, image, x, y, frame=0, frames=1, insets=(0, 0, 0, 0)):
    fw = image.width // frames
    piece = image.crop((frame * fw, 0, (frame + 1) * fw, image.height))
    left, top, right, bottom = insets
    piece = piece.crop((left, top, fw - right, image.height - bottom))
    target.paste(piece, (x + left, y + top))


def blit_clipped_left(target, image, x, y, clip_left):
    piece = image.crop((clip_left, 0, image.width, image.height))
    target.paste(piece, (x + clip_left, y))


def draw_delete_arrow(draw, x, y, vga, pressed):
    """A left-pointing arrow in black at key + (25, 17), as the screen draws
    it."""
    sx = x + (25 << vga) + ((2 << vga) if pressed else 0)
    sy = y + (17 << vga) + ((2 << vga) if pressed else 0)
    black = (0, 0, 0)
    if not vga:
        draw.line([(sx, sy), (sx + 8, sy)], fill=black)
        draw.line([(sx + 1, sy - 1), (sx + 1, sy + 1)], fill=black)
        draw.line([(sx + 2, sy - 2), (sx + 2, sy + 2)], fill=black)
    else:
        draw.line([(sx, sy), (sx + 16, sy)], fill=black)
        draw.line([(sx, sy + 1), (sx + 16, sy + 1)], fill=black)
        for k in range(4):
            draw.line([(sx + 1 + k, sy - k - 1), (sx + 1 + k, sy + k + 2)], fill=black)


class Skin:
    def __init__(self, c, images):
        self.c = c
        self.images = images
        self.font = StripFont(images["font"], glyphs.FONT_CHARS)
        self.blue = StripFont(images["bluefont"], glyphs.BLUEFONT_CHARS)
        self.frames = {"button2": c.key_frames, "longbutton": 2}

    def sizes(self):
        out = {}
        for name, image in self.images.items():
            out[name] = (image.width // self.frames.get(name, 1), image.height)
        return out


def compose(skin, width, height, layer=0, locked=False, pressed=None, about=False,
            input_text="", answer="", slots=(), angle_mode=0, fractions=False, full_screen=False):
    c = skin.c
    vga = c.vga
    fh = skin.font.height
    lay = Layout(c, width, height, skin.sizes(), fh, full_screen)
    screen = Image.new("RGB", (width, height), SCREEN_BACKGROUND)
    draw = ImageDraw.Draw(screen)
    img = skin.images

    blit(screen, img["about-button"], *lay.about)
    blit(screen, img["clear-button"], *lay.clear)

    if about:
        s = skin.font.space_width()
        top = lay.keys[0][1] + (6 << vga)
        lines = ["abacine", "scientific calculator", "(c) 2024 velmora", "all rights reserved."]
        for n, line in enumerate(lines):
            skin.font.draw(screen, 20 << vga, top + n * (fh + fh // 4), line)
        web_y = top + fh * (len(lines) + 2)
        web = "www.velmora.com"
        tw = skin.font.draw(screen, 20 << vga, web_y, web)
        uy = web_y + fh - fh // 8
        draw.line([(20 << vga, uy), ((20 << vga) + tw, uy)], fill=(0x1A, 0x1F, 0x26))
        help_w, help_h = img["help"].size
        close_x = width - help_w - s
        blit(screen, img["closebutton"], close_x, top)
        blit(screen, img["help"], close_x, top + 2 * help_h)
        version = "v1.0"
        vw = skin.font.measure(version)
        skin.font.draw(screen, width // 2 - vw // 2, height - fh // 2 - fh, version)
    else:
        labels = keypad_labels(lay.wide, layer)
        for i in range(20):
            if not lay.enabled[i]:
                continue
            x, y = lay.keys[i]
            down = pressed == i
            blit(screen, img["button2"], x, y, 1 if down else 0, c.key_frames, c.key_insets)
            label = "" if i == lay.delete_key else labels[i]
            if label:
                kw, kh = skin.sizes()["button2"]
                lw = skin.blue.measure(label)
                lx = x + kw // 2 - lw // 2 + lay.label_offset[0]
                ly = y + kh // 2 - skin.blue.height // 2 + lay.label_offset[1] + 1
                if down:
                    lx += lay.pressed_offset[0]
                    ly += lay.pressed_offset[1]
                skin.blue.draw(screen, lx, ly, label)
        draw_delete_arrow(draw, *lay.keys[lay.delete_key], vga, pressed == lay.delete_key)

    # Input box, stretched on wide screens.
    bx, by, bw, bh = lay.input_box
    if lay.wide:
        blit_clipped_left(screen, img["textbox"], lay.textbox_stretch[0], by, lay.textbox_stretch[1])
    blit(screen, img["textbox"], bx, by)
    tx = bx + skin.font.space_width() // 4
    ty = by + (img["textbox"].height - fh) // 2 - 1
    skin.font.draw(screen, tx, ty, input_text)
    # At the end of the text the caret stands at the right edge of the last
    # character's cell (its glyph width plus one).
    cx = tx + skin.font.measure(input_text) + 1 if input_text else tx
    l, t, r, b = lay.caret
    draw.rectangle([cx + l, ty + t, cx + r, ty + b], fill=(0, 0, 0))

    # Slots: tabs, then values (layer 0) or mode switches (layer 1).
    for i in range(lay.columns):
        blit(screen, img["coolblue"], *lay.slot_images[i])
    modes = ["rad", "deg", "grad", "5/4" if fractions else "1.25"]
    for i, (sx, sy, sw, sh) in enumerate(lay.slots):
        text = ""
        if layer == 0 and i < len(slots):
            text = slots[i]
        elif layer == 1 and i < 4:
            text = modes[i]
        if text:
            w = skin.font.measure(text)
            skin.font.draw(screen, sx + sw // 2 - w // 2, sy + sh // 2 - fh // 2, text)
        if layer == 1 and i == angle_mode:
            for k, colour in enumerate([(0xA0,) * 3, (0xFF,) * 3, (0xA0,) * 3]):
                draw.rectangle([sx + k, sy + k, sx + sw - 1 - k, sy + sh - 1 - k], outline=colour)

    # Answer display, stretched on wide screens.
    hx, hy = lay.header
    if lay.wide:
        blit_clipped_left(screen, img["header"], lay.header_stretch[0], hy, lay.header_stretch[1])
    blit(screen, img["header"], hx, hy)
    if answer:
        skin.blue.draw(screen, *lay.answer, answer)
    if locked:
        blit(screen, img["lock"], *lay.lock)
    return screen, lay


def preview_sheet(skin, width, height, full_screen=False):
    """Three screens side by side: layer 0 with a key held and the slots
    locked, layer 1 with the mode switches, and the about screen."""
    state = dict(input_text="7.5^2+\u0087(\u00ED)", answer="58.02245385",
                 slots=["12", "0.5", "1.2\u00805"], full_screen=full_screen)
    panels = [
        compose(skin, width, height, layer=0, locked=True, pressed=9, **state)[0],
        compose(skin, width, height, layer=1, angle_mode=1, **state)[0],
        compose(skin, width, height, about=True, **state)[0],
    ]
    gap = 8 << skin.c.vga
    sheet = Image.new("RGB", (3 * width + 2 * gap, height), (0x55, 0x5B, 0x63))
    for i, panel in enumerate(panels):
        sheet.paste(panel, (i * (width + gap), 0))
    return sheet
