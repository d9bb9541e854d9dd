#pragma once

// A JPEG writer for pictures whose exact white is a colour key: every pixel
// that is exactly white in the picture decodes to exactly white again with
// libjpeg's default decoding (accurate integer transform, fancy upsampling),
// so nothing around the drawn shapes leaks through the key as a light rim or
// as loose specks of ringing.

#include <QImage>

#include "file_writers.h"

namespace assetgen {

// Writes the DCT coefficients itself: each 8 x 8 block is fitted so that its
// white pixels decode past white in luma (which the decoder clamps to 255)
// and to neutral chroma, while its other pixels stay as close to the picture
// as the quantiser allows. With 2 x 2 chroma every chroma sample that the
// decoder blends into a white pixel is neutral, so shapes lose their colour
// for a few pixels along the white; full-size chroma avoids that. Throws
// when the decoded result still has a white pixel that is not white.
Bytes encodeKeyedJpeg(const QImage& image, const JpegOptions& options);

// How many pixels that are exactly white in `drawn` do not decode exactly
// white in `decoded` (both the same size).
long lostKeyPixels(const QImage& drawn, const QImage& decoded);

}  // namespace assetgen
