"""Pictures of the screen: a part of an X display saved as a PNG file.

The display is read with `xwd -root` (Debian's x11-apps); its XWD image (ZPixmap, true colour)
is cut and written as PNG with the standard library alone.
"""

import shutil
import struct
import subprocess
import zlib

XWD_HEADER = struct.Struct(">25I")
ZPIXMAP = 2


class ScreenError(Exception):
    """The display could not be read or its picture not understood."""


def available():
    return shutil.which("xwd") is not None


def grab(display, timeout=30):
    """The whole screen of an X display as XWD data."""
    try:
        done = subprocess.run(["xwd", "-root", "-silent", "-display", display],
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=timeout)
    except (OSError, subprocess.TimeoutExpired) as error:
        raise ScreenError("xwd failed: %s" % error)
    if done.returncode != 0:
        raise ScreenError("xwd failed: %s" % done.stderr.decode(errors="replace").strip())
    return done.stdout


def _shift(mask):
    shift = 0
    while mask and not mask & 1:
        mask >>= 1
        shift += 1
    return shift, mask


def cut(xwd, left, top, right, bottom):
    """The pixels of the rectangle (clipped to the screen) as (width, height, RGB rows)."""
    if len(xwd) < XWD_HEADER.size:
        raise ScreenError("not an XWD picture")
    (header_size, _, pixmap_format, _, width, height, _, byte_order, _, _, _, bits_per_pixel,
     bytes_per_line, _, red_mask, green_mask, blue_mask, _, _, ncolors,
     *_) = XWD_HEADER.unpack_from(xwd)
    if pixmap_format != ZPIXMAP or bits_per_pixel not in (24, 32):
        raise ScreenError("XWD picture of format %d, %d bits a pixel: not understood" % (
            pixmap_format, bits_per_pixel))
    data = header_size + ncolors * 12
    left, top = max(left, 0), max(top, 0)
    right, bottom = min(right, width), min(height, bottom)
    if right <= left or bottom <= top:
        raise ScreenError("the rectangle lies off the screen")
    step = bits_per_pixel // 8
    order = "little" if byte_order == 0 else "big"
    channels = [_shift(m) for m in (red_mask, green_mask, blue_mask)]
    rows = []
    for y in range(top, bottom):
        start = data + y * bytes_per_line
        row = bytearray()
        for x in range(left, right):
            pixel = int.from_bytes(xwd[start + x * step:start + (x + 1) * step], order)
            for shift, mask in channels:
                row.append(((pixel >> shift) & mask) * 255 // mask)
        rows.append(bytes(row))
    return right - left, bottom - top, rows


def png(width, height, rows):
    """An RGB picture as PNG data."""
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    raw = b"".join(b"\x00" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def save(display, rectangle, path):
    """Saves the rectangle (left, top, right, bottom) of the display's screen as a PNG file;
    returns what `cut` gave."""
    width, height, rows = cut(grab(display), *rectangle)
    with open(path, "wb") as f:
        f.write(png(width, height, rows))
    return width, height, rows
