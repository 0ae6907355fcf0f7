"""Pixels of a PNG screenshot, decoded with the standard library alone.

Reads what Chromium writes: 8-bit RGB or RGBA, not interlaced.
"""

import struct
import zlib


class Pixels:
    def __init__(self, width, height, channels, rows):
        self.width = width
        self.height = height
        self._channels = channels
        self._rows = rows

    def rgb(self, x, y):
        start = x * self._channels
        return tuple(self._rows[y][start:start + 3])

    def row(self, y, left, right):
        """The RGB triples of row y from x = left up to right (exclusive)."""
        data = self._rows[y]
        step = self._channels
        return [tuple(data[x * step:x * step + 3]) for x in range(left, right)]


def _paeth(left, up, up_left):
    estimate = left + up - up_left
    to_left, to_up, to_up_left = abs(estimate - left), abs(estimate - up), abs(estimate - up_left)
    if to_left <= to_up and to_left <= to_up_left:
        return left
    return up if to_up <= to_up_left else up_left


def _unfilter(kind, line, previous, step):
    if kind == 0:
        return line
    out = bytearray(line)
    for i in range(len(out)):
        left = out[i - step] if i >= step else 0
        up = previous[i]
        if kind == 1:
            out[i] = (out[i] + left) & 0xFF
        elif kind == 2:
            out[i] = (out[i] + up) & 0xFF
        elif kind == 3:
            out[i] = (out[i] + ((left + up) >> 1)) & 0xFF
        elif kind == 4:
            up_left = previous[i - step] if i >= step else 0
            out[i] = (out[i] + _paeth(left, up, up_left)) & 0xFF
        else:
            raise ValueError(f"unknown PNG filter {kind}")
    return out


def decode_png(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG image")
    position, compressed = 8, bytearray()
    width = height = channels = None
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        body = data[position + 8:position + 8 + length]
        position += 12 + length
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if depth != 8 or colour not in (2, 6) or interlace:
                raise ValueError(f"unsupported PNG: depth {depth}, colour type {colour}, interlace {interlace}")
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            compressed += body
        elif kind == b"IEND":
            break
    raw = zlib.decompress(bytes(compressed))
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        previous = _unfilter(raw[start], raw[start + 1:start + 1 + stride], previous, channels)
        rows.append(bytes(previous))
    return Pixels(width, height, channels, rows)
