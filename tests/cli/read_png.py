#!/usr/bin/env python3
# SPDX-License-Identifier: LicenseRef-Quillmark
# A PNG reader of its own, on Python's zlib alone, so that the tests see our files through
# something other than libpng. Reads a non-interlaced 8- or 16-bit grey, grey+alpha, RGB or
# RGBA file and checks what a strict reader would: the signature, every chunk's CRC, IHDR
# first and IEND last with nothing after it, the zlib stream whole with its Adler-32 and
# nothing behind it, and every row's filter type. Prints one line
# "WIDTH HEIGHT DEPTH COLOURTYPE FILTERS" (FILTERS: each row's filter type, as "0144..."),
# then the samples as the file stores them (16-bit ones big-endian). Exits 1 with the
# fault on the standard error stream.
import struct
import sys
import zlib

CHANNELS = {0: 1, 2: 3, 4: 2, 6: 4}


def fail(message):
    sys.stderr.write("read_png: " + message + "\n")
    sys.exit(1)


def chunks(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail("bad signature")
    at = 8
    while at < len(data):
        if at + 12 > len(data):
            fail("truncated chunk at %d" % at)
        (length,) = struct.unpack(">I", data[at:at + 4])
        kind = data[at + 4:at + 8]
        body = data[at + 8:at + 8 + length]
        (crc,) = struct.unpack(">I", data[at + 8 + length:at + 12 + length])
        if len(body) != length or zlib.crc32(kind + body) != crc:
            fail("bad CRC or length in %r at %d" % (kind, at))
        yield kind, body
        at += 12 + length


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def unfilter(kind, row, above, bpp):
    out = bytearray(row)
    if kind == 0:
        return out
    for i in range(len(out)):
        a = out[i - bpp] if i >= bpp else 0
        b = above[i]
        c = above[i - bpp] if i >= bpp else 0
        if kind == 1:
            predicted = a
        elif kind == 2:
            predicted = b
        elif kind == 3:
            predicted = (a + b) >> 1
        elif kind == 4:
            predicted = paeth(a, b, c)
        else:
            fail("unknown filter type %d" % kind)
        out[i] = (out[i] + predicted) & 0xFF
    return out


def main():
    data = open(sys.argv[1], "rb").read()
    found = list(chunks(data))
    kinds = [kind for kind, _ in found]
    if not kinds or kinds[0] != b"IHDR" or kinds[-1] != b"IEND" or kinds.count(b"IEND") != 1:
        fail("chunks out of order: %r" % kinds)
    width, height, depth, colour, method, filtering, interlace = struct.unpack(">IIBBBBB", found[0][1])
    if depth not in (8, 16) or colour not in CHANNELS or (method, filtering, interlace) != (0, 0, 0):
        fail("unexpected header %r" % (found[0][1],))
    stream = zlib.decompressobj()
    try:
        pixels = stream.decompress(b"".join(body for kind, body in found if kind == b"IDAT"))
    except zlib.error as error:
        fail("bad image data: %s" % error)
    if not stream.eof or stream.unused_data:
        fail("the zlib stream does not end where the image data does")
    bpp = CHANNELS[colour] * depth // 8
    stride = width * bpp
    if len(pixels) != height * (stride + 1):
        fail("%d bytes of image data for %d rows of %d" % (len(pixels), height, stride))
    above = bytearray(stride)
    samples = bytearray()
    filters = ""
    for y in range(height):
        start = y * (stride + 1)
        kind = pixels[start]
        filters += str(kind)
        above = unfilter(kind, pixels[start + 1:start + 1 + stride], above, bpp)
        samples += above
    line = "%d %d %d %d %s\n" % (width, height, depth, colour, filters)
    sys.stdout.buffer.write(line.encode() + bytes(samples))


main()
