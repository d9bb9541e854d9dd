#!/usr/bin/env python3
"""Makes the known-bad JPEG files in this folder from the good fixtures in
tests/data/jpeg: broken headers, hostile sizes, endless scans, damaged data.

Each file must either fail to load with a clean error, or load and then draw
(at most one drawing error). The test beside the JPEG picture states which.
Run from anywhere: python3 make_bad_jpegs.py
"""
import os
import random
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
GOOD = os.path.join(HERE, "..", "..", "jpeg")


def read(name):
    with open(os.path.join(GOOD, name), "rb") as f:
        return f.read()


def segments(data):
    """Splits a JPEG into (marker, bytes) pieces; a scan's piece includes its
    entropy-coded data. The last piece is EOI."""
    out = [(0xD8, data[:2])]
    i = 2
    while i < len(data):
        marker = data[i + 1]
        if marker == 0xD9:
            out.append((marker, data[i:i + 2]))
            break
        length = struct.unpack(">H", data[i + 2:i + 4])[0]
        end = i + 2 + length
        if marker == 0xDA:
            while not (data[end] == 0xFF and data[end + 1] != 0 and not 0xD0 <= data[end + 1] <= 0xD7):
                end += 1
        out.append((marker, data[i:end]))
        i = end
    return out


def join(pieces):
    return b"".join(p for _, p in pieces)


def replace_first(pieces, marker, new):
    done = False
    result = []
    for m, p in pieces:
        if m == marker and not done:
            result.append((m, new(p)))
            done = True
        else:
            result.append((m, p))
    return result


def patch(data, offset, value):
    return data[:offset] + value + data[offset + len(value):]


def sof_patch(pieces, offset, value):
    """Overwrites bytes of the SOF segment (offset counted from its 0xFF)."""
    sof = next(m for m, _ in pieces if m in (0xC0, 0xC1, 0xC2))
    return replace_first(pieces, sof, lambda p: patch(p, offset, value))


def main():
    base = segments(read("baseline_420.jpg"))
    prog = segments(read("progressive.jpg"))
    files = {}

    files["not_a_jpeg.jpg"] = b"This is a text file with a picture's name.\n"
    files["soi_only.jpg"] = b"\xff\xd8"
    whole = join(base)
    files["cut_in_header.jpg"] = whole[:60]
    # SOF layout: FF C0 len(2) precision(1) height(2) width(2) components(1) ...
    files["zero_height.jpg"] = join(sof_patch(base, 5, b"\x00\x00"))
    files["zero_width.jpg"] = join(sof_patch(base, 7, b"\x00\x00"))
    files["too_wide.jpg"] = join(sof_patch(base, 5, b"\x00\x10\xff\xff"))
    # Within libjpeg's 65500 but 4.3 gigapixels: refused before allocating.
    files["huge_dimensions.jpg"] = join(sof_patch(base, 5, b"\xff\xdc\xff\xdc"))
    files["huge_progressive.jpg"] = join(sof_patch(prog, 5, b"\xff\xdc\xff\xdc"))
    files["twelve_bit.jpg"] = join(sof_patch(base, 4, b"\x0c"))
    files["bad_sampling.jpg"] = join(sof_patch(base, 11, b"\x55"))
    files["too_many_components.jpg"] = join(replace_first(
        base, 0xC0,
        lambda p: b"\xff\xc0" + struct.pack(">HBHHB", 8 + 3 * 11, 8, 47, 61, 11)
        + b"".join(bytes([i + 1, 0x11, 0]) for i in range(11))))
    files["bogus_huffman_counts.jpg"] = join(replace_first(
        base, 0xC4, lambda p: p[:5] + bytes([255] * 16) + p[21:]))
    files["bad_huffman_index.jpg"] = join(replace_first(
        base, 0xC4, lambda p: p[:4] + b"\x07" + p[5:]))
    files["missing_quant_tables.jpg"] = join([(m, p) for m, p in base if m != 0xDB])
    files["no_frame_header.jpg"] = join([(m, p) for m, p in base if m != 0xC0])
    sof = next(p for m, p in base if m == 0xC0)
    files["two_frame_headers.jpg"] = join(replace_first(base, 0xC0, lambda p: p + sof))
    files["bad_marker_length.jpg"] = join(replace_first(base, 0xDB, lambda p: p[:2] + b"\x00\x01"))
    files["lossless_frame.jpg"] = join(replace_first(base, 0xC0, lambda p: b"\xff\xc3" + p[2:]))
    files["bad_scan_component.jpg"] = join(replace_first(
        base, 0xDA, lambda p: p[:5] + b"\x09" + p[6:]))
    files["app_marker_past_end.jpg"] = whole[:2] + b"\xff\xe1\xff\xf0" + b"Exif\x00\x00" + b"\x00" * 40

    # Damage inside the compressed data: libjpeg only warns.
    rnd = random.Random(7)
    scan = next(p for m, p in base if m == 0xDA)
    head = scan[:4 + struct.unpack(">H", scan[2:4])[0] - 2]
    noise = bytes(b if b != 0xFF else 0xFE for b in (rnd.randrange(256) for _ in range(len(scan) - len(head))))
    files["garbage_scan_data.jpg"] = join(replace_first(base, 0xDA, lambda p: head + noise))
    files["cut_in_scan.jpg"] = whole[: len(whole) * 2 // 3]

    # A second scan after a single-scan picture: all rows decode, then
    # libjpeg stops on the extra scan.
    files["scan_after_last_row.jpg"] = join(base[:-1] + [(0xDA, scan)] + base[-1:])

    # Progressive files whose damage is found while the scans are read, before
    # any row comes out.
    scans = [i for i, (m, _) in enumerate(prog) if m == 0xDA]
    # The smallest scan (a DC refinement) repeated: libjpeg only warns about
    # the bogus progression and would go on through every copy.
    small = min((prog[i][1] for i in scans), key=len)
    files["endless_scans.jpg"] = join(prog[:-1] + [(0xDA, small)] * 1100 + prog[-1:])
    bad_prog = list(prog)
    m, p = bad_prog[scans[3]]
    ns = p[4]
    bad_prog[scans[3]] = (m, patch(p, 5 + 2 * ns + 1, b"\x50"))  # Se = 80 (> 63)
    files["bad_progression.jpg"] = join(bad_prog)

    for name, data in files.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)
    open(os.path.join(HERE, "zero_bytes.jpg"), "wb").close()


if __name__ == "__main__":
    main()
