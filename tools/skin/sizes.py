"""Pixel sizes and colours of the skin, per screen class.

The small class (240-pixel-wide screens) and the large class (480) are
drawn separately at their own resolution; most large sizes are twice the
small ones because the screen's placement rules double their constants.

Why these sizes (the calculator's layout rules fix the rest):
- font: 12-row cells (strip 13 with the marker row); the input box's caret
  spans 11 rows from one row above the text, large 25 from three above.
  Its height sets the keypad's column and row overlap (font height / 4 = 3,
  large 6), which the key images' margins absorb.
- key frame 60 x 38 (large 120 x 76): four columns of 57-pixel steps fill
  the 240-wide screen, five fill 320, and four rows of 33 fit under the
  header and input box on a 240-tall screen with the bottom buttons, also
  in full-screen mode where the header starts 11 rows lower. The face is
  centred on the delete key's arrow (25, 17) and the centred label, and
  starts 6 rows down (large 8) so that the slot texts, which the wide
  layout puts over the first key row, stay off it. Face, pressed face and
  shadow end above the next row (33 rows, large 66), whose frame covers the
  rest.
- header 36 and textbox 22 (large 72 and 44): the answer text starts at row
  16 and needs a 15-row cell; the input text is centred in the field.
- coolblue 46 x 4 (large 92 x 8): a slot's text area starts below it, so it
  is a thin tab; at x = key + 5 and 46 wide it is centred over the key face.
"""

from paint import hex_colour

SCREEN_BACKGROUND = hex_colour(0xE7E7E7)

# One coherent palette: cool blues on light grey, with a coral accent for the
# destructive actions (clear, quit).
PALETTE = {
    "ink": hex_colour(0x1A1F26),          # regular text
    "text_ground": hex_colour(0xF3F4F6),  # what regular text is blended against
    "blue_ink": hex_colour(0x15428A),     # key labels and the answer
    "face_top": hex_colour(0xFFFFFF),
    "face_bottom": hex_colour(0xDCE5F0),
    "face_border": hex_colour(0x8499B4),
    "face_highlight": hex_colour(0xFFFFFF),
    "pressed_top": hex_colour(0xB9CAE0),
    "pressed_bottom": hex_colour(0xD3DEEC),
    "pressed_border": hex_colour(0x5D7898),
    "held_top": hex_colour(0xE4F0FF),
    "held_bottom": hex_colour(0xBCD6F6),
    "shadow": hex_colour(0xB4BCC6),
    "band_top": hex_colour(0x2F6FC4),
    "band_bottom": hex_colour(0x245BA6),
    "panel_top": hex_colour(0xF7FAFD),
    "panel_bottom": hex_colour(0xE3ECF6),
    "panel_edge": hex_colour(0xA3B5CB),
    "field": hex_colour(0xFFFFFF),
    "field_shadow": hex_colour(0xC9D3DF),
    "field_edge": hex_colour(0x7F98B8),
    "tab": hex_colour(0x3A8EE6),
    "tab_edge": hex_colour(0x2466B0),
    "lock": hex_colour(0x15428A),
    "lock_ghost": hex_colour(0xC5D3E3),
    "info": hex_colour(0x2F6FC4),
    "clear": hex_colour(0xD9534A),
    "quit": hex_colour(0xC8433A),
    "help": hex_colour(0x2F6FC4),
    "white": hex_colour(0xFFFFFF),
}


class SizeClass:
    def __init__(self, name, vga, **sizes):
        self.name = name
        self.vga = vga
        self.__dict__.update(sizes)

    def px(self, n):
        """A small-class pixel constant in this class."""
        return n << self.vga


SMALL = SizeClass(
    "small", 0,
    screen=(240, 320),
    header=(240, 36), header_band=8,
    textbox=(240, 22), field_bottom=17,
    coolblue=(46, 4),
    lock=(16, 20),
    about=(36, 26), clear=(36, 26),
    closebutton=(30, 30), help=(30, 30),
    key=(60, 38), key_frames=3, key_insets=(2, 0, 2, 2),
    # The key face inside a frame: [x0, x1) x [y0, y1); pressed it moves by press.
    face=(3, 6, 55, 31), press=2, radius=4,
    longbutton=(117, 38),
    # Glyph cells: font size in pixels, cell rows, baseline row, and for the
    # regular font a wider space: the input box starts its text a quarter of
    # a space from the screen's edge.
    font=dict(size=11, cell=12, baseline=9, space=4),
    bluefont=dict(size=14, cell=15, baseline=12),
)

LARGE = SizeClass(
    "large", 1,
    screen=(480, 640),
    header=(480, 72), header_band=18,
    textbox=(480, 44), field_bottom=34,
    coolblue=(92, 8),
    lock=(32, 40),
    about=(72, 52), clear=(72, 52),
    closebutton=(60, 60), help=(60, 60),
    key=(120, 76), key_frames=2, key_insets=(4, 0, 4, 4),
    face=(7, 8, 111, 62), press=4, radius=8,
    longbutton=(234, 76),
    font=dict(size=22, cell=25, baseline=18, space=8),
    bluefont=dict(size=28, cell=30, baseline=23),
)

CLASSES = (SMALL, LARGE)
