#!/usr/bin/env python3
"""Writes the known-bad BMP files beside this script. Each one must fail to
load with a clean error; none may crash the reader or make it allocate for
the sizes it claims."""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def bmp(width=2, height=2, planes=1, bits=24, compression=0, colours_used=0,
        header_size=40, palette=b"", extra=b"", pixels=None, offset=None):
    if header_size == 12:
        info = struct.pack("<IHHHH", 12, width & 0xFFFF, height & 0xFFFF, planes, bits)
    else:
        info = struct.pack("<IiiHHIIiiII", header_size, width, height, planes, bits,
                           compression, 0, 2835, 2835, colours_used, 0)
        if header_size <= 1024:  # a claimed huge header is not written out
            info = info.ljust(header_size, b"\0")
    if pixels is None:
        pixels = b"\x80" * 16
    head_len = 14 + len(info) + len(extra) + len(palette)
    if offset is None:
        offset = head_len
    size = head_len + len(pixels)
    return b"BM" + struct.pack("<IHHI", size, 0, 0, offset) + info + extra + palette + pixels


def grey_palette(n, entry=4):
    return b"".join(bytes([i & 0xFF] * 3 + [0] * (entry - 3)) for i in range(n))


FILES = {
    "signature_ba.bmp": b"BA" + bmp()[2:],
    "planes_zero.bmp": bmp(planes=0),
    "planes_three.bmp": bmp(planes=3),
    "width_zero.bmp": bmp(width=0),
    "width_negative.bmp": bmp(width=-5),
    "height_zero.bmp": bmp(height=0),
    "height_int_min.bmp": bmp(height=-0x80000000),
    "dimensions_huge.bmp": bmp(width=0x7FFFFFFF, height=0x7FFFFFFF),
    "side_past_limit.bmp": bmp(width=(1 << 20) + 1, height=1),
    "product_past_limit.bmp": bmp(width=1 << 16, height=1 << 16),
    "top_down_too_tall.bmp": bmp(width=1, height=-(1 << 21)),
    "bits_zero.bmp": bmp(bits=0),
    "bits_two.bmp": bmp(bits=2),
    "bits_sixty_four.bmp": bmp(bits=64),
    "compression_jpeg.bmp": bmp(compression=4),
    "compression_png.bmp": bmp(compression=5),
    "compression_unknown.bmp": bmp(compression=0x12345678),
    "rle8_with_24_bits.bmp": bmp(compression=1),
    "rle4_with_8_bits.bmp": bmp(bits=8, compression=2, palette=grey_palette(256)),
    "rle8_with_4_bits.bmp": bmp(bits=4, compression=1, palette=grey_palette(16)),
    "bitfields_with_24_bits.bmp": bmp(compression=3, extra=struct.pack("<III", 0xFF0000, 0xFF00, 0xFF)),
    "bitfields_masks_cut.bmp": bmp(bits=16, compression=3, extra=struct.pack("<I", 0x7C00), pixels=b""),
    "header_size_16.bmp": bmp(header_size=16),
    "header_size_huge.bmp": bmp(header_size=0x7FFFFFF0),
    "info_header_cut.bmp": bmp()[:30],
    "file_header_only.bmp": bmp()[:14],
    "colour_table_cut.bmp": bmp(bits=8, palette=grey_palette(40), pixels=b""),
    "colours_used_huge.bmp": bmp(bits=8, colours_used=0xFFFFFFFF, palette=grey_palette(4)),
    "colours_used_past_bits.bmp": bmp(bits=4, colours_used=17, palette=grey_palette(17)),
    "core_colour_table_cut.bmp": bmp(header_size=12, bits=8, palette=grey_palette(100, 3), pixels=b""),
    "core_with_32_bits.bmp": bmp(header_size=12, bits=32),
    "pixel_offset_past_end.bmp": bmp(offset=0x7FFFFFFF),
    "pixel_offset_in_header.bmp": bmp(offset=2),
}


def main():
    for name, data in FILES.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
