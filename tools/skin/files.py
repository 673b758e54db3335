"""Writing skin images: PNG for the large class, BMP for the small class.

Both writers are deterministic: the palette is ordered by how often a colour
occurs, then by its value; no timestamps or other ancillary data are
written. BMPs use the smallest of the forms our decoder reads that can hold
the image: 4-bit or 8-bit palette, 8-bit run-length (RLE8) or 24-bit.
"""

import io
import struct

from PIL import Image

import paint


def palette_of(image):
    """The image's colours, most frequent first, ties by value."""
    counts = image.getcolors(maxcolors=image.width * image.height)
    counts.sort(key=lambda item: (-item[0], item[1]))
    return [colour for _, colour in counts]


def _indexes(image, palette):
    lookup = {colour: i for i, colour in enumerate(palette)}
    w, h = image.size
    data = list(image.getdata())
    return [[lookup[data[y * w + x]] for x in range(w)] for y in range(h)]


# ------------------------------------------------------------------ BMP

def _pad4(row):
    return row + b"\0" * (-len(row) % 4)


def _rows_24(image):
    w, h = image.size
    data = list(image.getdata())
    out = []
    for y in range(h - 1, -1, -1):
        row = bytearray()
        for r, g, b in data[y * w:(y + 1) * w]:
            row += bytes((b, g, r))
        out.append(_pad4(bytes(row)))
    return b"".join(out)


def _rows_indexed(rows, bits):
    out = []
    for row in reversed(rows):
        if bits == 8:
            packed = bytes(row)
        else:
            padded = row + [0] * (len(row) & 1)
            packed = bytes((padded[i] << 4) | padded[i + 1] for i in range(0, len(padded), 2))
        out.append(_pad4(packed))
    return b"".join(out)


def _rle8_row(row):
    """One row as RLE8 code pairs: runs of two or more equal indexes as
    (count, index); other stretches as literal groups (0, n, n indexes,
    padded to an even length) when n >= 3, else as runs of one."""
    out = bytearray()
    i, n = 0, len(row)
    literal = []

    def flush():
        while literal:
            chunk = literal[:255]
            del literal[:255]
            if len(chunk) >= 3:
                out.extend((0, len(chunk)))
                out.extend(chunk)
                if len(chunk) & 1:
                    out.append(0)
            else:
                for v in chunk:
                    out.extend((1, v))

    while i < n:
        j = i
        while j < n and j - i < 255 and row[j] == row[i]:
            j += 1
        if j - i >= 2:
            flush()
            out.extend((j - i, row[i]))
        else:
            literal.append(row[i])
        i = j
    flush()
    return bytes(out)


def _rows_rle8(rows):
    """Bottom row first; each row ends with (0, 0), the last with (0, 1)."""
    out = bytearray()
    ordered = list(reversed(rows))
    for k, row in enumerate(ordered):
        out += _rle8_row(row)
        out += b"\0\1" if k == len(ordered) - 1 else b"\0\0"
    return bytes(out)


def _bmp(width, height, bits, compression, palette, pixels):
    palette_bytes = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + 40 + len(palette_bytes)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, len(pixels),
                       2835, 2835, len(palette), len(palette))
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + palette_bytes + pixels


def encode_bmp(image):
    """The smallest BMP form for the image, as bytes."""
    image = paint.snap_image(image.convert("RGB"))
    w, h = image.size
    palette = palette_of(image)
    candidates = []
    if len(palette) <= 256:
        rows = _indexes(image, palette)
        if len(palette) <= 16:
            candidates.append(_bmp(w, h, 4, 0, palette, _rows_indexed(rows, 4)))
        candidates.append(_bmp(w, h, 8, 0, palette, _rows_indexed(rows, 8)))
        candidates.append(_bmp(w, h, 8, 1, palette, _rows_rle8(rows)))
    else:
        candidates.append(_bmp(w, h, 24, 0, [], _rows_24(image)))
    # The first of equal sizes: the plainer form.
    return min(candidates, key=len)


def describe_bmp(data):
    bits, compression = struct.unpack_from("<HI", data, 28)
    if compression == 1:
        return "RLE8"
    return "%d-bit" % bits + (" palette" if bits <= 8 else "")


# ------------------------------------------------------------------ PNG

def encode_png(image):
    """A non-interlaced PNG: palette when 256 colours suffice, else RGB."""
    image = paint.snap_image(image.convert("RGB"))
    palette = palette_of(image)
    if len(palette) <= 256:
        indexed = Image.new("P", image.size)
        indexed.putpalette([v for colour in palette for v in colour])
        indexed.putdata([i for row in _indexes(image, palette) for i in row])
        image = indexed
    buffer = io.BytesIO()
    image.save(buffer, "PNG", optimize=False, compress_level=9)
    return buffer.getvalue()


def describe_png(data):
    colour_type = data[25]
    return {2: "RGB", 3: "palette"}.get(colour_type, "type %d" % colour_type)


def encode_icon(image):
    """An RGBA PNG at full colour depth (the desktop shows it, not the
    handheld's display)."""
    buffer = io.BytesIO()
    image.save(buffer, "PNG", optimize=False, compress_level=9)
    return buffer.getvalue()
