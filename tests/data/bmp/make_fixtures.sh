#!/bin/sh
# Regenerates the ImageMagick-written BMP fixtures from reference.ppm (18
# distinct colours, 6 by 3). The reader test compares each file's pixels
# with the top-left part of reference.ppm of the file's size.
set -eu
cd "$(dirname "$0")"
C=/usr/bin/convert
$C reference.ppm -type TrueColor BMP3:rgb24_v3.bmp
$C reference.ppm -type TrueColor BMP:rgb24_v5.bmp
$C reference.ppm -type TrueColor BMP2:rgb24_core.bmp
$C reference.ppm -type Palette -compress None BMP3:pal8_v3.bmp
$C reference.ppm -type Palette -compress RLE BMP3:pal8_rle.bmp
$C reference.ppm -type Palette BMP2:pal8_core.bmp
$C reference.ppm -crop 5x3+0+0 +repage -type Palette -compress None BMP3:pal4_v3.bmp
$C reference.ppm -monochrome BMP3:mono.bmp
$C reference.ppm -define bmp:subtype=RGB565 BMP:rgb565.bmp
$C reference.ppm -define bmp:subtype=RGB555 BMP:rgb555.bmp
$C reference.ppm -alpha on BMP:argb32.bmp

# ImageMagick's own reading of each file, as plain PPM, for the test to
# compare with (the monochrome file is dithered, so it differs from
# reference.ppm).
for f in *.bmp; do $C "$f" -compress none "PPM:$f.ppm"; done
