"""The calculator screen's placement rules, for the preview only.

The program has its own implementation (src/app/screen_layout.cpp); this
copy lets the generator show the skin in place before the screen exists.
Keep the two in step: the skin tests check the program's version against
the images, and the preview is only as right as this copy.
"""

# Keypad labels by (wide, layer); None keeps the label of the layer before.
# "del" marks the delete key, which has no label (an arrow is drawn on it).
E, PI, ROOT, SQ, REC, EXP = "\u00DC", "\u00ED", "\u0087", "\u0085", "\u0086", "\u0080"
KEYPADS = {
    (False, 0): ["2nd", "(", ")", "del", "7", "8", "9", "/", "4", "5", "6", "*",
                 "1", "2", "3", "-", "0", ".", ROOT, "+"],
    (False, 1): ["2nd", "(", ")", "del", "sin", "cos", "tan", "!", "asin", "acos", "atan", "x" + SQ,
                 "ln", E + "^x", "log", "x" + REC, PI, E, "^", EXP],
    (True, 0): ["2nd", "7", "8", "9", "del", "/", "4", "5", "6", "-", "*", "1", "2", "3", "+",
                "(", "0", ".", ROOT, ")"],
    (True, 1): ["2nd", "(", ")", E + "^x", "del", PI, "sin", "cos", "tan", "x" + SQ,
                E, "asin", "acos", "atan", "x" + REC, None, "log", "ln", "^", None],
}


def keypad_labels(wide, layer):
    labels = list(KEYPADS[(wide, 0)])
    for i, label in enumerate(KEYPADS[(wide, layer)]):
        if label is not None:
            labels[i] = label
    return labels


class Layout:
    """Every position of the calculator screen for one screen size.

    sizes: image name -> (frame width, height); fh: the regular font's
    height (its strip's height)."""

    def __init__(self, c, width, height, sizes, fh, full_screen=False):
        vga = c.vga
        self.vga = vga
        self.width, self.height = width, height
        self.wide = width > height
        self.columns, self.rows = (5, 4) if self.wide else (4, 5)
        hw, hh = sizes["header"]
        tw, th = sizes["textbox"]
        kw, kh = sizes["button2"]
        cw, ch = sizes["coolblue"]
        if full_screen:
            self.header = (0, 20 if vga else 11)
        else:
            self.header = (0, -2 if vga else 0)
        hx, hy = self.header
        self.answer = (hx + (72 << vga), hy + (16 << vga) + 2 * vga)
        self.lock = (hx + (8 << vga), hy + (11 << vga))
        self.input_box = (0, hy + hh, width if self.wide else tw, th)
        box_bottom = hy + hh + th
        self.keypad_top = box_bottom - 1 + (fh if self.wide else int(fh * 1.5))
        self.column_step = kw - fh // 4
        self.row_step = kh - fh // 4 - 4 + (0 if vga else 2)
        self.left = width // 2 - (self.column_step * self.columns) // 2
        self.keys = [(self.left + (i % self.columns) * self.column_step,
                      self.keypad_top + (i // self.columns) * self.row_step) for i in range(20)]
        self.enabled = [True] * 20
        aw, ah = sizes["about-button"]
        if self.wide and height - ah < self.keypad_top + self.rows * self.row_step:
            self.enabled[15] = self.enabled[19] = False
        self.delete_key = 4 if self.wide else 3
        slot_row = box_bottom - (11 if vga else 6)
        slot_height = 40 if vga else 24
        self.slot_images = []
        self.slots = []
        for i in range(self.columns):
            x = self.keys[i][0] + ch + ch // 3
            self.slot_images.append((x, slot_row))
            self.slots.append((x, slot_row + ch + fh // 4, cw, slot_height))
        cbw, cbh = sizes["clear-button"]
        self.about = (0, height - ah)
        self.clear = (width - cbw, height - cbh)
        self.label_offset = (-1, -2 if vga else -1)
        self.pressed_offset = (2 << vga, 2 << vga)
        self.caret = (-1, -3, 1, 22) if vga else (-1, -1, 0, 10)
        # Wide screens stretch the header and the input box: a second copy
        # drawn further right with its left part clipped away.
        self.header_stretch = (100 << vga, 120 << vga)
        self.textbox_stretch = (80 << vga, 160 << vga)
