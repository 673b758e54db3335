#!/usr/bin/python3
"""Generates the calculator's skin: every image and both glyph strips for the
small class (BMP, skin/NAME.bmp) and the large class (PNG, skin/vga/NAME.png),
and the application icon (skin/icon/abacine.png at 256 pixels, abacine-48.png
and abacine-128.png; not part of the archive).

    /usr/bin/python3 tools/skin/generate.py [--out SKIN_DIR] [--preview DIR] [--check]

Needs Pillow and the DejaVu fonts (Debian: python3-pil, fonts-dejavu); the
build itself only packs the committed files. The output depends on nothing
but this code, Pillow and the fonts: re-running gives the same bytes.
--preview also writes mock calculator screens of the four screen sizes;
--check writes nothing and fails when SKIN_DIR differs from what the
generator makes now (BMPs byte for byte, PNGs pixel for pixel, so another
zlib build does not count as a change).
"""

import argparse
import io
import os
import sys
import tempfile
import time

from PIL import Image

# No __pycache__ in the source tree.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import art  # noqa: E402
import files  # noqa: E402
import icon  # noqa: E402
import preview  # noqa: E402
from sizes import CLASSES, LARGE, SMALL  # noqa: E402

SCREENS = ((SMALL, 240, 320), (SMALL, 320, 240), (LARGE, 480, 640), (LARGE, 640, 480))


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(data)


def same_file(made, committed):
    if not os.path.exists(committed):
        return False
    with open(made, "rb") as a, open(committed, "rb") as b:
        new, old = a.read(), b.read()
    if new == old or not made.endswith(".png"):
        return new == old
    new_image, old_image = Image.open(io.BytesIO(new)), Image.open(io.BytesIO(old))
    return (new_image.mode == old_image.mode and new_image.size == old_image.size
            and list(new_image.convert("RGBA").getdata()) == list(old_image.convert("RGBA").getdata()))


def check(out):
    """Generates into a scratch folder and compares with `out`."""
    with tempfile.TemporaryDirectory() as scratch:
        generate(scratch, quiet=True)
        stale = []
        for folder, _, names in os.walk(scratch):
            for name in names:
                made = os.path.join(folder, name)
                relative = os.path.relpath(made, scratch)
                if not same_file(made, os.path.join(out, relative)):
                    stale.append(relative)
    for relative in sorted(stale):
        print("out of date: %s" % os.path.join(out, relative))
    if stale:
        print("run /usr/bin/python3 tools/skin/generate.py and commit the skin")
    return 1 if stale else 0


def generate(out, quiet):
    skins = {}
    for c in CLASSES:
        images = {name: painter(c) for name, painter in art.IMAGES.items()}
        skins[c.name] = preview.Skin(c, images)  # cuts the strips: fails on a bad one
        for name, image in images.items():
            if c.vga:
                data = files.encode_png(image)
                path = os.path.join(out, "vga", name + ".png")
                form = files.describe_png(data)
            else:
                data = files.encode_bmp(image)
                path = os.path.join(out, name + ".bmp")
                form = files.describe_bmp(data)
            write(path, data)
            if not quiet:
                print("%-28s %4dx%-4d %-14s %6d bytes" % (os.path.relpath(path, out), image.width,
                                                           image.height, form, len(data)))
    # The desktop icon at the sizes the hicolor theme looks for first.
    write(os.path.join(out, "icon", "abacine.png"), files.encode_icon(icon.draw(256)))
    for size in (48, 128):
        write(os.path.join(out, "icon", "abacine-%d.png" % size), files.encode_icon(icon.draw(size)))
    return skins


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--out", default=os.path.join(here, "..", "..", "skin"),
                        help="skin folder to write (default: the repository's skin/)")
    parser.add_argument("--preview", metavar="DIR",
                        help="also write mock screens WIDTHxHEIGHT.png into DIR")
    parser.add_argument("--check", action="store_true",
                        help="write nothing; exit 1 when the skin folder is out of date")
    parser.add_argument("--quiet", action="store_true", help="print nothing")
    args = parser.parse_args()
    started = time.monotonic()
    out = os.path.normpath(args.out)

    if args.check:
        return check(out)
    skins = generate(out, args.quiet)

    if args.preview:
        for c, width, height in SCREENS:
            sheet = preview.preview_sheet(skins[c.name], width, height)
            path = os.path.join(args.preview, "%dx%d.png" % (width, height))
            os.makedirs(args.preview, exist_ok=True)
            sheet.save(path, optimize=False, compress_level=9)
            if not args.quiet:
                print("preview", path)
    if not args.quiet:
        print("done in %.2f s" % (time.monotonic() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
