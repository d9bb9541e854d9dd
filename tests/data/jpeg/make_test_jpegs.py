#!/usr/bin/env python3
"""Makes the small JPEG fixtures in this folder with cjpeg (libjpeg-turbo-progs).

The source is a synthetic picture with gradients, hard edges and noise, so that
chroma upsampling, dithering and block smoothing all have something to do.
Run from anywhere: python3 make_test_jpegs.py
"""
import os
import random
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def picture(width, height, seed):
    rnd = random.Random(seed)
    rows = bytearray()
    for y in range(height):
        for x in range(width):
            r = (x * 255) // max(1, width - 1)
            g = (y * 255) // max(1, height - 1)
            b = 255 - (r + g) // 2
            cx, cy = x - width / 2, y - height / 2
            if cx * cx + cy * cy < (min(width, height) / 3) ** 2:
                r, g, b = 230, 40, 60  # a red disc: sharp chroma edges
            if (x // 7 + y // 5) % 5 == 0:
                r, g, b = r // 3, g // 3, 255 - b // 3
            n = rnd.randint(-12, 12)
            rows += bytes(max(0, min(255, v + n)) for v in (r, g, b))
    return b"P6\n%d %d\n255\n" % (width, height) + bytes(rows)


FIXTURES = [
    # name, width, height, cjpeg switches
    ("baseline_420.jpg", 61, 47, ["-sample", "2x2", "-quality", "85"]),
    ("baseline_422.jpg", 61, 47, ["-sample", "2x1", "-quality", "90"]),
    ("baseline_444.jpg", 61, 47, ["-sample", "1x1", "-quality", "92"]),
    ("baseline_440.jpg", 61, 47, ["-sample", "1x2", "-quality", "80"]),
    ("baseline_411.jpg", 61, 47, ["-sample", "4x1", "-quality", "75"]),
    ("progressive.jpg", 61, 47, ["-progressive", "-quality", "85"]),
    ("greyscale.jpg", 61, 47, ["-grayscale", "-quality", "85"]),
    ("greyscale_progressive.jpg", 40, 33, ["-grayscale", "-progressive"]),
    ("restart.jpg", 61, 47, ["-restart", "1", "-quality", "85"]),
    ("odd_17x9.jpg", 17, 9, ["-quality", "90"]),
    ("one_pixel.jpg", 1, 1, []),
    ("arithmetic.jpg", 33, 20, ["-arithmetic"]),
    ("rgb_colour_space.jpg", 24, 16, ["-rgb"]),
]


def main():
    with tempfile.TemporaryDirectory() as tmp:
        for i, (name, w, h, switches) in enumerate(FIXTURES):
            src = os.path.join(tmp, "src.ppm")
            with open(src, "wb") as f:
                f.write(picture(w, h, 100 + i))
            out = os.path.join(HERE, name)
            subprocess.run(["cjpeg", *switches, "-outfile", out, src], check=True)


if __name__ == "__main__":
    main()
