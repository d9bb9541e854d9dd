#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "bitmap.h"
#include "geometry.h"

namespace vistel {

// Facts from a JPEG header, read without decoding.
struct JpegHeader {
  int width = 0;
  int height = 0;
  int components = 0;
  bool greyscale = false;
  bool progressive = false;
};

// What decoding produces: the size and pixel format of the rows, and the
// colour table when the output is quantised to 8 bits.
struct JpegOutput {
  int width = 0;
  int height = 0;
  PixelFormat format = PixelFormat::Rgb24;
  std::vector<Rgb> palette;
};

// "JPEG error #N", N being libjpeg's message number.
std::string jpegErrorText(int messageCode);

// What a decode broken off by its interrupt flag reports.
inline constexpr const char* kJpegInterruptedText = "JPEG decoding interrupted";

// Most scans a file may bring before decoding gives up. Real progressive
// files have about ten; crafted ones with thousands of tiny scans would
// otherwise keep the decoder busy for minutes.
constexpr int kMaxJpegScans = 1000;

// One libjpeg decompression over a JPEG held in memory, with the viewer's
// fixed settings: full size, accurate integer IDCT, fancy upsampling, block
// smoothing, no progressive display. Colour files give 24-bit rows; greyscale
// files, and every file when 8-bit output is asked for, are quantised by
// libjpeg to 236 colours with Floyd-Steinberg dithering (two-pass where
// libjpeg can) and come out as 8-bit rows expanded through the colour table.
// Four-component files (CMYK, YCCK) are converted to 24-bit RGB, in 8-bit
// mode too: libjpeg has no quantised path for them.
//
// Rows are always handed over as 32-bit pixels 0xFFRRGGBB, written straight
// into the caller's memory; the decoder keeps no full-size buffer of its own
// (libjpeg does, for progressive files and two-pass quantisation).
//
// Every failure is a PictureError("JPEG error #N"); after one the decoder is
// spent and only its destructor may be called. Warnings are ignored.
class FileReader;

class JpegDecoder {
 public:
  // `data` must outlive the decoder. Nothing is parsed yet.
  explicit JpegDecoder(std::span<const std::uint8_t> data);
  // Streams the file through one 64 KiB block instead: the header is read
  // first, and no more of the file than the rows asked for need. The file
  // ending early reads as an end-of-image marker, as for data in memory; a
  // read failure is libjpeg's file read error. `file` must outlive the
  // decoder.
  explicit JpegDecoder(FileReader& file);
  ~JpegDecoder();
  JpegDecoder(const JpegDecoder&) = delete;
  JpegDecoder& operator=(const JpegDecoder&) = delete;

  // Lets another thread break off the decode: once `flag` is true, the
  // running or next call ends with PictureError(kJpegInterruptedText) within
  // about one row of MCUs, also while start() reads a progressive file's
  // scans. `flag` must outlive the decoder.
  void setInterruptFlag(const std::atomic<bool>* flag);

  // Parses the header. Pictures larger than the toolkit holds
  // (pictureSizeAllowed) are refused here, before anything large is
  // allocated, as libjpeg's "image too big" error.
  const JpegHeader& readHeader();

  // Starts decompression. For progressive files and two-pass quantisation
  // this reads all of the compressed data.
  const JpegOutput& start(bool eightBit);

  // Decodes the remaining rows from the top. rowFor(y) returns the row of
  // output().width pixels that picture row y goes to, or nullptr when the
  // caller does not want that row (then it is skipped cheaply where that
  // leaves the other rows unchanged). rowFor may be asked more than once for
  // the same y. When this throws, rows above rowsDone() are complete.
  void readRows(const std::function<std::uint32_t*(int)>& rowFor);

  // Reads the rest of the data after the last row (trailing markers).
  void finish();

  const JpegHeader& header() const;
  const JpegOutput& output() const;
  // Rows delivered (or skipped) so far, from the top.
  int rowsDone() const;

 private:
  struct State;
  std::unique_ptr<State> s_;
};

}  // namespace vistel
