"""Tests of the skin generator's writers and strips (run with
/usr/bin/python3 -m unittest discover -s tools/skin). The images themselves
are checked by the C++ suite in tests/skin through the program's decoders."""

import io
import random
import unittest

from PIL import Image

import files
import glyphs
import paint


def distinct_image(width, height):
    """Every pixel a colour of its own (after snapping to 5-6-5)."""
    image = Image.new("RGB", (width, height))
    image.putdata([((i % 32) << 3, ((i // 32) % 64) << 2, ((i // 2048) % 32) << 3) for i in range(width * height)])
    return image


def random_image(rng, width, height, colours):
    palette = [paint.snap565((rng.randrange(256), rng.randrange(256), rng.randrange(256))) for _ in range(colours)]
    image = Image.new("RGB", (width, height))
    # Runs of equal pixels between random ones, so both RLE8 forms appear.
    data = []
    while len(data) < width * height:
        colour = rng.choice(palette)
        data.extend([colour] * rng.choice([1, 1, 2, 3, 7, 300]))
    image.putdata(data[: width * height])
    return image


class BmpTest(unittest.TestCase):
    def test_every_form_round_trips_and_the_smallest_is_chosen(self):
        rng = random.Random(7)
        noisy = Image.new("RGB", (33, 9))
        noisy.putdata([paint.snap565((i * 37 % 256, i * 11 % 256, 0)) for i in range(33 * 9)])
        rows = [
            # (image, forms it may take)
            (random_image(rng, 1, 1, 1), {"4-bit palette", "RLE8"}),
            (random_image(rng, 5, 3, 16), {"4-bit palette", "RLE8"}),
            (noisy, {"8-bit palette"}),             # no runs: RLE8 would be larger
            (random_image(rng, 640, 4, 200), {"RLE8"}),
            (distinct_image(40, 30), {"24-bit"}),
        ]
        for image, forms in rows:
            with self.subTest(size=image.size, colours=len(files.palette_of(image))):
                data = files.encode_bmp(image)
                self.assertIn(files.describe_bmp(data), forms)
                decoded = Image.open(io.BytesIO(data)).convert("RGB")
                self.assertEqual(decoded.size, image.size)
                self.assertEqual(list(decoded.getdata()), list(paint.snap_image(image).getdata()))

    def test_rle8_rows_cover_every_code(self):
        # Not black and white: Pillow reads a two-grey palette as a 1-bit image.
        black, white = (0x20, 0x40, 0x80), (0xF8, 0xC0, 0x40)
        colours = [paint.snap565((i * 13 % 256, i * 7 % 256, i * 3 % 256)) for i in range(40)]
        rows = {
            "run longer than 255": [black] * 600,
            "literal of 3": colours[:3] + [black] * 300,
            "literal of 4 (even)": colours[:4] + [black] * 300,
            "literal of 5 (padded)": colours[:5] + [black] * 300,
            "singles between runs": [black, white, black, black, white] + [black] * 300,
            "literal longer than 255": (colours * 8)[:300] + [black] * 4,
        }
        for name, row in rows.items():
            with self.subTest(name):
                image = Image.new("RGB", (len(row), 2))
                image.putdata(row + list(reversed(row)))
                data = files.encode_bmp(image)
                decoded = Image.open(io.BytesIO(data)).convert("RGB")
                self.assertEqual(list(decoded.getdata()), list(paint.snap_image(image).getdata()))

    def test_rle8_stream_ends_each_row_and_the_image(self):
        stream = files._rows_rle8([[1, 1, 1], [2, 3, 4], [5, 6, 7]])
        # Bottom row first; (0, 0) after each row, (0, 1) after the last.
        self.assertEqual(stream, bytes([0, 3, 5, 6, 7, 0, 0, 0, 0, 3, 2, 3, 4, 0, 0, 0, 3, 1, 0, 1]))


class PngTest(unittest.TestCase):
    def test_palette_when_it_fits_and_never_interlaced(self):
        rng = random.Random(11)
        rows = (random_image(rng, 50, 20, 2), "palette"), (distinct_image(16, 16), "palette"), (
            distinct_image(20, 20), "RGB")
        for image, form in rows:
            with self.subTest(colours=len(files.palette_of(image))):
                data = files.encode_png(image)
                self.assertEqual(files.describe_png(data), form)
                self.assertEqual(data[28], 0, "interlaced")
                decoded = Image.open(io.BytesIO(data)).convert("RGB")
                self.assertEqual(list(decoded.getdata()), list(paint.snap_image(image).getdata()))
                self.assertEqual(files.encode_png(image), data)


class StripTest(unittest.TestCase):
    def test_strip_cuts_into_its_characters_with_advances_of_the_font(self):
        face = paint.font(paint.SANS, 11)
        chars = "\u0087(1)ij =\u0086"
        strip, runs = glyphs.build_strip(chars, face, 9, 12, (0, 0, 0), (255, 255, 255), space=4)
        self.assertEqual(strip.height, 13)
        metrics = glyphs.cut_strip(strip, chars)
        self.assertEqual(set(metrics), set(chars))
        for ch, x, length in runs:
            gx, width, left, right = metrics[ch]
            with self.subTest(ch=ch):
                # Ink inside the run; the run is the advance less the spacing.
                self.assertGreaterEqual(left, 0)
                self.assertEqual(left + width + right, length)
                if ch == " ":
                    self.assertEqual(length, 4)
                else:
                    text = glyphs.SIGN_TEXT.get(ch, ch)
                    self.assertGreaterEqual(length, round(face.getlength(text)) - 1)

    def test_no_pixel_of_a_glyph_is_the_key_or_the_marker_colour_blend(self):
        face = paint.font(paint.SANS_BOLD, 14)
        strip, _ = glyphs.build_strip("w8", face, 12, 15, (0x15, 0x42, 0x8A), (0xEE, 0xF2, 0xF8))
        body = strip.crop((0, 1, strip.width, strip.height))
        key = paint.snap565(glyphs.KEY)
        colours = {c for _, c in body.getcolors()}
        self.assertIn(key, colours)
        # Blends run from the ink towards the ground, never towards magenta.
        for c in colours - {key}:
            self.assertGreater(c[2], c[0])

    def test_a_glyph_taller_than_its_cell_is_refused(self):
        face = paint.font(paint.SANS, 20)
        with self.assertRaises(ValueError):
            glyphs.build_strip("(", face, 9, 12, (0, 0, 0), (255, 255, 255))

    def test_a_strip_without_a_gap_column_fails_to_cut(self):
        strip = Image.new("RGB", (4, 3), glyphs.KEY)
        for x in range(4):
            strip.putpixel((x, 0), glyphs.MARKER)
            strip.putpixel((x, 1), (0, 0, 0))
        with self.assertRaises(ValueError):
            glyphs.cut_strip(strip, "ab")


if __name__ == "__main__":
    unittest.main()
