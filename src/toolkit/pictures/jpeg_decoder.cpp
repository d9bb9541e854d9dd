#include "jpeg_decoder.h"

#include <bit>
#include <csetjmp>
#include <cstdio>
#include <new>
#include <utility>

// After <cstdio>: jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "file_bytes.h"
#include "picture.h"

namespace vistel {
namespace {

// BGRA output and the CMYK unpacking read 32-bit pixels byte by byte.
static_assert(std::endian::native == std::endian::little);

constexpr int kQuantisedColours = 236;
// Rows asked of libjpeg per call; it hands back at most what one iMCU row
// holds, so this only needs to cover the tallest of those (16 at 4:2:0).
constexpr int kRowBatch = 16;

struct ErrorManager {
  jpeg_error_mgr pub;  // first, so libjpeg's pointer to it is ours as well
  std::jmp_buf jump;
  int code = 0;
};

void errorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  err->code = cinfo->err->msg_code;
  std::longjmp(err->jump, 1);
}

// Corrupt data only warns; the picture shows what the decoder made of it.
void ignoreMessage(j_common_ptr, int) {}
void ignoreOutput(j_common_ptr) {}

struct ProgressManager {
  jpeg_progress_mgr pub;  // first, so libjpeg's pointer to it is ours as well
  const std::atomic<bool>* interrupt = nullptr;
  bool interrupted = false;
};

// libjpeg calls this between rows of MCUs, in start() for every scan it
// reads ahead and for every batch of rows after that.
void monitorProgress(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxJpegScans) ERREXIT4(cinfo, JERR_BAD_PROGRESSION, 0, 0, 0, 0);
  auto* progress = reinterpret_cast<ProgressManager*>(cinfo->progress);
  if (progress->interrupt != nullptr && progress->interrupt->load(std::memory_order_relaxed)) {
    progress->interrupted = true;
    ERREXIT(cinfo, JERR_BAD_STATE);
  }
}

// A file streamed into libjpeg through one block.
constexpr std::size_t kSourceBlock = std::size_t{64} << 10;

struct FileSource {
  jpeg_source_mgr pub;  // first, so libjpeg's pointer to it is ours as well
  FileReader* file = nullptr;
  std::vector<JOCTET> block;
  bool startOfFile = true;
  bool failed = false;
};

void initSource(j_decompress_ptr) {}
void termSource(j_decompress_ptr) {}

// Nothing thrown may cross libjpeg's C frames: a failure is caught here
// and raised as libjpeg's own error once the handler is left.
boolean fillInput(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<FileSource*>(cinfo->src);
  auto* progress = reinterpret_cast<ProgressManager*>(cinfo->progress);
  if (progress->interrupt != nullptr && progress->interrupt->load(std::memory_order_relaxed)) {
    progress->interrupted = true;
    ERREXIT(cinfo, JERR_BAD_STATE);
  }
  std::size_t got = 0;
  try {
    got = src->file->read(src->block.data(), src->block.size());
  } catch (...) {
    src->failed = true;
  }
  if (src->failed) ERREXIT(cinfo, JERR_FILE_READ);
  if (got == 0) {
    if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src->block[0] = 0xFF;
    src->block[1] = JPEG_EOI;
    got = 2;
  }
  src->startOfFile = false;
  src->pub.next_input_byte = src->block.data();
  src->pub.bytes_in_buffer = got;
  return TRUE;
}

// Segments the decoder has no use for (thumbnails, profiles) are passed
// over without being read.
void skipInput(j_decompress_ptr cinfo, long count) {
  auto* src = reinterpret_cast<FileSource*>(cinfo->src);
  if (count <= 0) return;
  const auto n = static_cast<std::size_t>(count);
  if (n <= src->pub.bytes_in_buffer) {
    src->pub.next_input_byte += n;
    src->pub.bytes_in_buffer -= n;
    return;
  }
  const std::uint64_t beyond = n - src->pub.bytes_in_buffer;
  src->pub.bytes_in_buffer = 0;
  try {
    src->file->skip(beyond);
  } catch (...) {
    src->failed = true;
  }
  if (src->failed) ERREXIT(cinfo, JERR_FILE_READ);
}

// round(a * b / 255) for a, b in 0..255.
inline std::uint32_t mul255(std::uint32_t a, std::uint32_t b) {
  const std::uint32_t t = a * b + 128;
  return (t + (t >> 8)) >> 8;
}

// The palette indices libjpeg wrote into the first `width` bytes of a 32-bit
// row become pixels in place: going from the right, each pixel overwrites
// only indices already used.
void expandIndices(std::uint32_t* row, int width, const std::uint32_t* table) {
  const auto* idx = reinterpret_cast<const JSAMPLE*>(row);
  for (int x = width - 1; x >= 0; --x) row[x] = table[idx[x]];
}

// C, M, Y, K bytes in each 32-bit pixel become 0xFFRRGGBB in place.
void cmykToRgb(std::uint32_t* row, int width, bool inverted) {
  for (int x = 0; x < width; ++x) {
    std::uint32_t v = row[x];  // little-endian: C in the low byte
    if (!inverted) v = ~v;     // plain CMYK: 0 means no ink
    const std::uint32_t c = v & 0xFF, m = (v >> 8) & 0xFF, y = (v >> 16) & 0xFF, k = v >> 24;
    row[x] = kOpaque | (mul255(c, k) << 16) | (mul255(m, k) << 8) | mul255(y, k);
  }
}

}  // namespace

std::string jpegErrorText(int messageCode) { return "JPEG error #" + std::to_string(messageCode); }

enum class Stage { Created, HeaderRead, Started, Finished, Failed };

struct JpegDecoder::State {
  jpeg_decompress_struct cinfo{};
  ErrorManager err{};
  ProgressManager progress{};
  std::span<const std::uint8_t> data;
  FileSource file{};  // used when file.file is set
  Stage stage = Stage::Created;
  JpegHeader header;
  JpegOutput output;
  int rowsDone = 0;

  enum class Rows { Bgra, Indexed, Cmyk } rows = Rows::Bgra;
  bool adobeInverted = false;
  std::uint32_t table[256] = {};  // palette as pixels, for Indexed
  std::vector<JSAMPLE> scratch;   // one row for skipped quantised rows

  State() = default;
  State(const State&) = delete;
  State& operator=(const State&) = delete;
  // Frees all of libjpeg's memory in every state: after an error, and after
  // a creation that failed half-way (libjpeg checks what it has).
  ~State() { jpeg_destroy_decompress(&cinfo); }

  // Runs `f` (which calls libjpeg) with error_exit landing here. `f` must
  // hold no object with a destructor while it is inside libjpeg, because a
  // longjmp skips destructors. Returns false after a libjpeg error.
  template <typename F>
  bool guarded(F&& f) {
    if (setjmp(err.jump) != 0) return false;
    f();
    return true;
  }

  [[noreturn]] void fail(int code) {
    stage = Stage::Failed;
    if (progress.interrupted) throw PictureError(kJpegInterruptedText);
    throw PictureError(jpegErrorText(code));
  }

  void expect(Stage s) {
    // Calling out of order is a programming error; report it the way
    // libjpeg reports its own call-sequence errors.
    if (stage != s) fail(JERR_BAD_STATE);
  }
};

JpegDecoder::JpegDecoder(FileReader& file) : JpegDecoder(std::span<const std::uint8_t>()) {
  FileSource& src = s_->file;
  src.file = &file;
  src.block.resize(kSourceBlock);
  src.pub.init_source = initSource;
  src.pub.fill_input_buffer = fillInput;
  src.pub.skip_input_data = skipInput;
  src.pub.resync_to_restart = jpeg_resync_to_restart;
  src.pub.term_source = termSource;
}

JpegDecoder::JpegDecoder(std::span<const std::uint8_t> data) : s_(std::make_unique<State>()) {
  State& s = *s_;
  s.data = data;
  s.cinfo.err = jpeg_std_error(&s.err.pub);
  s.err.pub.error_exit = errorExit;
  s.err.pub.emit_message = ignoreMessage;
  s.err.pub.output_message = ignoreOutput;
  s.progress.pub.progress_monitor = monitorProgress;
  if (!s.guarded([&s] { jpeg_create_decompress(&s.cinfo); })) s.fail(s.err.code);
  s.cinfo.progress = &s.progress.pub;
}

JpegDecoder::~JpegDecoder() = default;

void JpegDecoder::setInterruptFlag(const std::atomic<bool>* flag) { s_->progress.interrupt = flag; }

const JpegHeader& JpegDecoder::readHeader() {
  State& s = *s_;
  s.expect(Stage::Created);
  const bool ok = s.guarded([&s] {
    if (s.file.file != nullptr) {
      s.cinfo.src = &s.file.pub;
    } else {
      // An empty buffer is refused by jpeg_mem_src itself (empty input file).
      jpeg_mem_src(&s.cinfo, s.data.data(), static_cast<unsigned long>(s.data.size()));
    }
    jpeg_read_header(&s.cinfo, TRUE);
  });
  if (!ok) s.fail(s.err.code);
  const jpeg_decompress_struct& c = s.cinfo;
  if (!pictureSizeAllowed(c.image_width, c.image_height)) s.fail(JERR_IMAGE_TOO_BIG);
  s.header.width = static_cast<int>(c.image_width);
  s.header.height = static_cast<int>(c.image_height);
  s.header.components = c.num_components;
  s.header.greyscale = c.num_components == 1;
  s.header.progressive = c.progressive_mode != 0;
  s.stage = Stage::HeaderRead;
  return s.header;
}

const JpegOutput& JpegDecoder::start(bool eightBit) {
  State& s = *s_;
  s.expect(Stage::HeaderRead);
  jpeg_decompress_struct& c = s.cinfo;
  c.scale_num = 1;
  c.scale_denom = 1;
  c.dct_method = JDCT_ISLOW;
  c.do_fancy_upsampling = TRUE;
  c.do_block_smoothing = TRUE;
  c.buffered_image = FALSE;
  const bool fourComponents =
      c.num_components == 4 && (c.jpeg_color_space == JCS_CMYK || c.jpeg_color_space == JCS_YCCK);
  if (fourComponents) {
    // libjpeg stops at CMYK; the conversion to RGB is ours. Files with an
    // Adobe marker (Photoshop and most others that write CMYK) store the
    // channels inverted: 255 means no ink.
    c.out_color_space = JCS_CMYK;
    s.rows = State::Rows::Cmyk;
    s.adobeInverted = c.saw_Adobe_marker != 0;
  } else if (eightBit || c.num_components == 1) {
    c.quantize_colors = TRUE;
    c.desired_number_of_colors = kQuantisedColours;
    c.dither_mode = JDITHER_FS;
    c.two_pass_quantize = TRUE;  // libjpeg uses one pass where two do not apply
    s.rows = State::Rows::Indexed;
  } else {
    // BGRA lands as 0xFFRRGGBB in a little-endian 32-bit pixel: no pass of
    // our own over the rows.
    c.out_color_space = JCS_EXT_BGRA;
    s.rows = State::Rows::Bgra;
  }
  if (!s.guarded([&c] { jpeg_start_decompress(&c); })) s.fail(s.err.code);

  JpegOutput& out = s.output;
  out.width = static_cast<int>(c.output_width);
  out.height = static_cast<int>(c.output_height);
  out.format = s.rows == State::Rows::Indexed ? PixelFormat::Pal8 : PixelFormat::Rgb24;
  out.palette.clear();
  if (s.rows == State::Rows::Indexed) {
    const int n = c.actual_number_of_colors;
    out.palette.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
      Rgb colour = 0;
      if (c.out_color_components == 1) {
        const int v = c.colormap[0][i];
        colour = rgb(v, v, v);
      } else {
        colour = rgb(c.colormap[0][i], c.colormap[1][i], c.colormap[2][i]);
      }
      out.palette.push_back(colour);
      s.table[i] = toPixel(colour);
    }
  }
  s.stage = Stage::Started;
  return out;
}

void JpegDecoder::readRows(const std::function<std::uint32_t*(int)>& rowFor) {
  State& s = *s_;
  s.expect(Stage::Started);
  jpeg_decompress_struct& c = s.cinfo;
  const int width = s.output.width;
  const int height = s.output.height;
  // Skipping leaves the other rows as a full decode gives them, except where
  // dithering carries error from row to row: quantised rows are decoded
  // into a scratch row instead.
  const bool canSkip = s.rows != State::Rows::Indexed;

  const bool ok = s.guarded([&] {
    while (s.rowsDone < height) {
      const int y = s.rowsDone;
      JSAMPROW rows[kRowBatch];
      int wanted = 0;
      while (wanted < kRowBatch && y + wanted < height) {
        std::uint32_t* row = rowFor(y + wanted);
        if (row == nullptr) break;
        rows[wanted++] = reinterpret_cast<JSAMPROW>(row);
      }
      if (wanted == 0) {
        int skip = 1;
        while (y + skip < height && rowFor(y + skip) == nullptr) ++skip;
        if (canSkip) {
          const JDIMENSION done = jpeg_skip_scanlines(&c, static_cast<JDIMENSION>(skip));
          if (done == 0) return;
          s.rowsDone += static_cast<int>(done);
        } else {
          if (s.scratch.empty()) s.scratch.resize(static_cast<std::size_t>(width));
          JSAMPROW scratch = s.scratch.data();
          for (int i = 0; i < skip; ++i) {
            if (jpeg_read_scanlines(&c, &scratch, 1) == 0) return;
            ++s.rowsDone;
          }
        }
        continue;
      }
      const JDIMENSION got = jpeg_read_scanlines(&c, rows, static_cast<JDIMENSION>(wanted));
      if (got == 0) return;  // cannot happen: both sources never suspend
      for (JDIMENSION r = 0; r < got; ++r) {
        auto* px = reinterpret_cast<std::uint32_t*>(rows[r]);
        if (s.rows == State::Rows::Indexed) expandIndices(px, width, s.table);
        if (s.rows == State::Rows::Cmyk) cmykToRgb(px, width, s.adobeInverted);
      }
      s.rowsDone += static_cast<int>(got);
    }
  });
  if (!ok) s.fail(s.err.code);
  if (s.rowsDone < height) s.fail(JERR_TOO_LITTLE_DATA);
  s.stage = Stage::Finished;
}

void JpegDecoder::finish() {
  State& s = *s_;
  s.expect(Stage::Finished);
  if (!s.guarded([&s] { jpeg_finish_decompress(&s.cinfo); })) s.fail(s.err.code);
}

const JpegHeader& JpegDecoder::header() const { return s_->header; }
const JpegOutput& JpegDecoder::output() const { return s_->output; }
int JpegDecoder::rowsDone() const { return s_->rowsDone; }

}  // namespace vistel
