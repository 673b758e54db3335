"""The application icon: a blue calculator tile with an answer display and a
grid of keys, in the skin's palette. Square, drawn at the size asked for."""


import paint
from sizes import PALETTE as P


def draw(size):
    s = size / 64.0  # designed on a 64-unit grid
    canvas = paint.Canvas(size, size, (0, 0, 0))
    # Transparent corners: the tile is drawn on black and given an alpha mask.
    canvas.gradient(2 * s, 2 * s, 62 * s, 62 * s, P["band_top"], P["band_bottom"], mask_radius=12 * s)
    canvas.rounded(9 * s, 9 * s, 55 * s, 23 * s, 3 * s, P["panel_top"])
    for row in range(3):
        for col in range(4):
            x = 9 * s + col * 12 * s
            y = 28 * s + row * 10 * s
            face = P["clear"] if (row, col) == (2, 3) else P["face_top"]
            canvas.rounded(x, y, x + 10 * s, y + 8 * s, 2 * s, face)
    # Full colour: the desktop shows the icon, not the handheld's display.
    image = canvas.image.reduce(paint.SUPERSAMPLE)
    face = paint.font(paint.SANS_BOLD, round(12 * s))
    paint.draw_text_centred(image, 41 * s, 16 * s, "\u03C0", face, P["blue_ink"])
    mask = paint.Canvas(size, size, (0, 0, 0))
    mask.rounded(2 * s, 2 * s, 62 * s, 62 * s, 12 * s, (255, 255, 255))
    alpha = mask.image.reduce(paint.SUPERSAMPLE).convert("L")
    icon = image.convert("RGBA")
    icon.putalpha(alpha)
    return icon
