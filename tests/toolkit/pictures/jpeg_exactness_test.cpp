// The decoded pixels of every JPEG we have must equal those of libjpeg's own
// command-line decoder, djpeg, run with the same settings. djpeg writes BMP,
// which is parsed here by a reader of our own so that the referee shares no
// code with the picture readers under test.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "pictures/jpeg_picture.h"
#include "support/read_file.h"

namespace vistel {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

using vistel::testing::readFile;

struct DjpegRun {
  int status = -1;  // djpeg's exit code: 0 fine, 2 warnings, 1 error
  Bytes out;
};

// Runs djpeg with `args` on `input`, fed through stdin, collecting stdout.
DjpegRun djpeg(const std::vector<std::string>& args, const Bytes& input) {
  char inName[] = "/tmp/jpeg_exactness_XXXXXX";
  const int inFd = mkstemp(inName);
  EXPECT_GE(inFd, 0);
  EXPECT_EQ(write(inFd, input.data(), input.size()), static_cast<ssize_t>(input.size()));
  lseek(inFd, 0, SEEK_SET);
  unlink(inName);
  int pipeFds[2];
  EXPECT_EQ(pipe(pipeFds), 0);
  std::vector<char*> argv;
  std::string prog = "djpeg";
  argv.push_back(prog.data());
  std::vector<std::string> copy = args;
  for (std::string& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(inFd, 0);
    dup2(pipeFds[1], 1);
    const int devNull = open("/dev/null", O_WRONLY);
    dup2(devNull, 2);
    close(pipeFds[0]);
    execvp("djpeg", argv.data());
    _exit(127);
  }
  close(pipeFds[1]);
  close(inFd);
  DjpegRun run;
  char buf[65536];
  for (;;) {
    const ssize_t n = read(pipeFds[0], buf, sizeof buf);
    if (n <= 0) break;
    run.out.insert(run.out.end(), buf, buf + n);
  }
  close(pipeFds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// Just enough of BMP for what djpeg writes: 8-bit with a colour table or
// 24-bit, uncompressed, bottom-up, 40-byte info header.
struct Reference {
  int width = 0;
  int height = 0;
  int bits = 0;
  std::vector<Rgb> palette;
  std::vector<Rgb> pixels;  // top row first
};

std::uint32_t le(const Bytes& b, std::size_t at, int n) {
  std::uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | b.at(at + i);
  return v;
}

std::optional<Reference> parseBmp(const Bytes& b) {
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return std::nullopt;
  Reference r;
  const std::uint32_t offBits = le(b, 10, 4);
  const std::uint32_t headerSize = le(b, 14, 4);
  r.width = static_cast<int>(le(b, 18, 4));
  const auto height = static_cast<std::int32_t>(le(b, 22, 4));
  r.bits = static_cast<int>(le(b, 28, 2));
  if (le(b, 30, 4) != 0 || height <= 0 || (r.bits != 8 && r.bits != 24)) return std::nullopt;
  r.height = height;
  if (r.bits == 8) {
    std::uint32_t used = le(b, 46, 4);
    if (used == 0) used = 256;
    for (std::uint32_t i = 0; i < used; ++i) {
      const std::size_t at = 14 + headerSize + 4 * i;
      r.palette.push_back(rgb(b.at(at + 2), b.at(at + 1), b.at(at)));
    }
  }
  const std::size_t stride = (static_cast<std::size_t>(r.width) * r.bits / 8 + 3) & ~std::size_t{3};
  r.pixels.resize(static_cast<std::size_t>(r.width) * r.height);
  for (int y = 0; y < r.height; ++y) {
    const std::size_t row = offBits + static_cast<std::size_t>(r.height - 1 - y) * stride;
    for (int x = 0; x < r.width; ++x) {
      Rgb c;
      if (r.bits == 8) {
        c = r.palette.at(b.at(row + x));
      } else {
        const std::size_t at = row + 3 * static_cast<std::size_t>(x);
        c = rgb(b.at(at + 2), b.at(at + 1), b.at(at));
      }
      r.pixels[static_cast<std::size_t>(y) * r.width + x] = c;
    }
  }
  return r;
}

std::vector<std::string> referenceArgs(bool quantised) {
  if (quantised) return {"-colors", "236", "-dither", "fs", "-bmp"};
  return {"-bmp"};
}

// Compares our decode of `data` with djpeg's. Returns a description of the
// first difference, empty when they agree.
std::string compare(const Bytes& data, bool eightBit) {
  std::optional<JpegPicture> picture;
  try {
    picture.emplace(data);
  } catch (const PictureError& e) {
    return std::string("load failed: ") + e.what();
  }
  const bool quantised = eightBit || picture->header().greyscale;
  const DjpegRun ref = djpeg(referenceArgs(quantised), data);
  if (ref.status != 0 && ref.status != 2) return "djpeg failed";
  std::optional<Reference> bmp = parseBmp(ref.out);
  if (!bmp) return "djpeg output unreadable";
  const Bitmap* bitmap = nullptr;
  try {
    bitmap = &picture->decoded();
  } catch (const PictureError& e) {
    return std::string("decode failed: ") + e.what();
  }
  if (bitmap->width() != bmp->width || bitmap->height() != bmp->height) return "size differs";
  if (bitmap->format() != (quantised ? PixelFormat::Pal8 : PixelFormat::Rgb24))
    return "pixel format differs";
  if (quantised) {
    const std::vector<Rgb>& ours = bitmap->palette();
    if (ours.empty() || ours.size() > bmp->palette.size() ||
        !std::equal(ours.begin(), ours.end(), bmp->palette.begin()))
      return "palette differs";
  }
  for (int y = 0; y < bmp->height; ++y) {
    const std::uint32_t* row = bitmap->scanLine(y);
    for (int x = 0; x < bmp->width; ++x) {
      // The top byte is the opaque marker every pixel of a bitmap carries.
      if ((row[x] & kOpaque) != kOpaque) return "pixel not opaque";
      if ((row[x] & kRgbMask) != bmp->pixels[static_cast<std::size_t>(y) * bmp->width + x])
        return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") differs";
    }
  }
  return {};
}

bool isJpegName(const fs::path& p) {
  std::string ext = p.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".jpg" || ext == ".jpeg";
}

void addJpegsIn(const fs::path& dir, std::vector<fs::path>& out) {
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return;
  std::vector<fs::path> found;
  for (const auto& e : fs::directory_iterator(dir, ec))
    if (e.is_regular_file() && isJpegName(e.path())) found.push_back(e.path());
  std::sort(found.begin(), found.end());
  out.insert(out.end(), found.begin(), found.end());
}

// The committed fixtures, the sample pictures, and any folder named in
// VISTEL_EXTRA_JPEGS (a photo corpus, for a longer run by hand).
std::vector<fs::path> allJpegs() {
  std::vector<fs::path> files;
  addJpegsIn(fs::path(VISTEL_TEST_DATA) / "jpeg", files);
  addJpegsIn(VISTEL_SAMPLES, files);
  if (const char* extra = std::getenv("VISTEL_EXTRA_JPEGS")) addJpegsIn(extra, files);
  return files;
}

class ScreenBits {
 public:
  explicit ScreenBits(int bits) : old_(JpegPicture::screenBitsPerPixel()) {
    JpegPicture::setScreenBitsPerPixel(bits);
  }
  ~ScreenBits() { JpegPicture::setScreenBitsPerPixel(old_); }

 private:
  int old_;
};

TEST(JpegExactness, EveryJpegDecodesLikeDjpeg) {
  int compared = 0;
  for (const fs::path& p : allJpegs()) {
    const std::string diff = compare(readFile(p), false);
    EXPECT_EQ(diff, "") << p;
    ++compared;
  }
  std::printf("compared %d JPEGs with djpeg\n", compared);
  EXPECT_GE(compared, 3) << "too few JPEGs to compare";
}

TEST(JpegExactness, EightBitScreenQuantisesColourFilesLikeDjpeg) {
  ScreenBits eight(8);
  int compared = 0;
  for (const fs::path& p : allJpegs()) {
    const std::string diff = compare(readFile(p), true);
    EXPECT_EQ(diff, "") << p;
    ++compared;
  }
  EXPECT_GE(compared, 3);
}

// Cut files: where djpeg manages (warnings only) we must give its pixels;
// where djpeg stops with an error we must report one too.
TEST(JpegExactness, TruncatedFilesDecodeLikeDjpeg) {
  int compared = 0;
  int refused = 0;
  for (const fs::path& p : allJpegs()) {
    const Bytes whole = readFile(p);
    if (whole.size() > 200000) continue;  // the fixtures, not a photo corpus
    for (int part = 1; part < 8; ++part) {
      const Bytes cut(whole.begin(), whole.begin() + whole.size() * part / 8);
      const DjpegRun ref = djpeg({"-bmp"}, cut);
      if (ref.status == 1) {
        bool threw = false;
        try {
          JpegPicture picture(cut);
          picture.decoded();
        } catch (const PictureError&) {
          threw = true;
        }
        EXPECT_TRUE(threw) << p << " cut to " << cut.size();
        ++refused;
        continue;
      }
      EXPECT_EQ(compare(cut, false), "") << p << " cut to " << cut.size();
      ++compared;
    }
  }
  std::printf("cut files: %d compared with djpeg's pixels, %d refused by both\n", compared,
              refused);
  EXPECT_GE(compared, 3);
}

}  // namespace
}  // namespace vistel
