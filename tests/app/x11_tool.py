#!/usr/bin/env python3
"""Small X11 helper for the window test, through libX11 alone.

  x11_tool.py close WINDOW          ask the window to close, as a window
                                    manager's close button does (a
                                    WM_PROTOCOLS message with WM_DELETE_WINDOW)
  x11_tool.py pixel WINDOW X Y      print the pixel's red, green and blue
  x11_tool.py shot WINDOW FILE.png  write the window's contents to a PNG
  x11_tool.py same WINDOW FILE.png X Y W H
                                    exit 0 when the window's W x H block at
                                    (X, Y) shows what the 8-bit RGB PNG does
                                    there (each channel at most 2 off, as
                                    5-6-5 converters round differently)
"""
import ctypes
import ctypes.util
import struct
import sys
import zlib


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class Event(ctypes.Union):
    _fields_ = [("client", ClientMessage), ("pad", ctypes.c_long * 24)]


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


class WindowAttributes(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int),
                ("height", ctypes.c_int), ("rest", ctypes.c_long * 32)]


def load():
    x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(Event)]
    x11.XGetImage.restype = ctypes.POINTER(XImage)
    x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                              ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    x11.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                         ctypes.POINTER(WindowAttributes)]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit("cannot open the display")
    return x11, display


def close(x11, display, window):
    event = Event()
    event.client.type = 33  # ClientMessage
    event.client.window = window
    event.client.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.client.format = 32
    event.client.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    if not x11.XSendEvent(display, window, 0, 0, ctypes.byref(event)):
        sys.exit("XSendEvent failed")
    x11.XFlush(display)


def rgb_rows(x11, display, window, x, y, width, height):
    image = x11.XGetImage(display, window, x, y, width, height, 0xFFFFFFFF, 2)  # ZPixmap
    if not image or image.contents.bits_per_pixel != 32:
        sys.exit("cannot read the window's pixels")
    img = image.contents
    rows = []
    for row in range(height):
        line = bytes(img.data[row * img.bytes_per_line: row * img.bytes_per_line + width * 4])
        rows.append(b"".join(bytes((line[4 * i + 2], line[4 * i + 1], line[4 * i]))
                             for i in range(width)))
    return rows


def read_png(path):
    """(width, rows of RGB bytes) of an 8-bit RGB, non-interlaced PNG."""
    with open(path, "rb") as f:
        data = f.read()
    pos, idat, width, height = 8, b"", 0, 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if depth != 8 or colour != 2 or interlace != 0:
                sys.exit("only 8-bit RGB PNG files are read")
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw, stride, rows, prior = zlib.decompress(idat), width * 3, [], bytearray(width * 3)
    for r in range(height):
        kind, line = raw[r * (stride + 1)], bytearray(raw[r * (stride + 1) + 1:(r + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - 3] if i >= 3 else 0
            up, corner = prior[i], prior[i - 3] if i >= 3 else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 0xFF
        rows.append(bytes(line))
        prior = line
    return width, rows


def main():
    command, window = sys.argv[1], int(sys.argv[2], 0)
    x11, display = load()
    if command == "close":
        close(x11, display, window)
    elif command == "pixel":
        row = rgb_rows(x11, display, window, int(sys.argv[3]), int(sys.argv[4]), 1, 1)[0]
        print(row[0], row[1], row[2])
    elif command == "shot":
        attributes = WindowAttributes()
        x11.XGetWindowAttributes(display, window, ctypes.byref(attributes))
        rows = rgb_rows(x11, display, window, 0, 0, attributes.width, attributes.height)
        raw = b"".join(b"\0" + r for r in rows)

        def chunk(kind, data):
            return (struct.pack(">I", len(data)) + kind + data +
                    struct.pack(">I", zlib.crc32(kind + data)))
        header = struct.pack(">IIBBBBB", attributes.width, attributes.height, 8, 2, 0, 0, 0)
        with open(sys.argv[3], "wb") as out:
            out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                      chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))
    elif command == "same":
        x, y, w, h = (int(v) for v in sys.argv[4:8])
        got = rgb_rows(x11, display, window, x, y, w, h)
        _, want = read_png(sys.argv[3])
        wrong = sum(1 for r in range(h) for i in range(w * 3)
                    if abs(got[r][i] - want[y + r][x * 3 + i]) > 2)
        x11.XCloseDisplay(display)
        sys.exit(0 if wrong == 0 else "%d channel values differ" % wrong)
    else:
        sys.exit("unknown command " + command)
    x11.XCloseDisplay(display)


if __name__ == "__main__":
    main()
