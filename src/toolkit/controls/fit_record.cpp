#include "fit_record.h"

#include <algorithm>

namespace vistel {

namespace {

constexpr std::string_view kMagic = "VISTEL-FITS 1\n";
constexpr std::uint32_t kMaxString = 1u << 16;
constexpr std::uint32_t kMaxEntries = 1u << 12;

void putU32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void putI32(std::string& out, int v) { putU32(out, static_cast<std::uint32_t>(v)); }
void putString(std::string& out, const std::string& s) {
  putU32(out, static_cast<std::uint32_t>(s.size()));
  out += s;
}

bool textFits(const FitRecord::Text& t) {
  const auto within = [](int v, int lo, int hi) { return v >= lo && v <= hi; };
  return within(t.left, -kMaxTextSide, kMaxTextSide) &&
         within(t.top, -kMaxTextSide, kMaxTextSide) && within(t.width, 1, kMaxTextSide) &&
         within(t.height, 1, kMaxTextSide) &&
         t.covered.size() == static_cast<std::size_t>(t.width) * static_cast<std::size_t>(t.height);
}

// Reads the layout front to back; any step past the end or out of its
// limits fails the whole read.
struct Reader {
  std::string_view rest;
  bool ok = true;

  std::uint32_t u32() {
    if (rest.size() < 4) {
      ok = false;
      return 0;
    }
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
      v |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(rest[i])) << (8 * i);
    rest.remove_prefix(4);
    return v;
  }
  int i32() { return static_cast<int>(u32()); }
  std::string string() {
    const std::uint32_t n = u32();
    if (!ok || n > kMaxString || n > rest.size()) {
      ok = false;
      return {};
    }
    std::string s(rest.substr(0, n));
    rest.remove_prefix(n);
    return s;
  }
  std::uint32_t count() {
    const std::uint32_t n = u32();
    if (n > kMaxEntries) ok = false;
    return ok ? n : 0;
  }
};

}  // namespace

std::string encodeFitRecord(const FitRecord& record) {
  if (record.stamp.size() > kMaxString || record.fits.size() > kMaxEntries ||
      record.texts.size() > kMaxEntries)
    return {};
  std::string out(kMagic);
  putString(out, record.stamp);
  putU32(out, static_cast<std::uint32_t>(record.fits.size()));
  for (const FitRecord::Fit& f : record.fits) {
    if (f.question.size() > kMaxString || f.pixelSize < 1 || f.pixelSize > kMaxFitPixelSize)
      return {};
    putString(out, f.question);
    putI32(out, f.pixelSize);
  }
  putU32(out, static_cast<std::uint32_t>(record.texts.size()));
  for (const FitRecord::Text& t : record.texts) {
    if (t.key.size() > kMaxString || !textFits(t)) return {};
    putString(out, t.key);
    for (const int v : {t.left, t.top, t.width, t.height}) putI32(out, v);
    // Eight pixels a byte, the first in the lowest bit; the last byte's
    // unused bits are zero.
    std::string bits((t.covered.size() + 7) / 8, '\0');
    for (std::size_t i = 0; i < t.covered.size(); ++i) {
      if (t.covered[i] > 1) return {};
      bits[i / 8] = static_cast<char>(bits[i / 8] | (t.covered[i] << (i % 8)));
    }
    out += bits;
    if (out.size() > kMaxFitRecordBytes) return {};
  }
  return out;
}

bool decodeFitRecord(std::string_view bytes, FitRecord& record) {
  if (bytes.size() > kMaxFitRecordBytes || !bytes.starts_with(kMagic)) return false;
  Reader in{bytes.substr(kMagic.size())};
  FitRecord read;
  read.stamp = in.string();
  read.fits.resize(in.count());
  for (FitRecord::Fit& f : read.fits) {
    f.question = in.string();
    f.pixelSize = in.i32();
    if (f.pixelSize < 1 || f.pixelSize > kMaxFitPixelSize) in.ok = false;
    if (!in.ok) return false;
  }
  read.texts.resize(in.count());
  for (FitRecord::Text& t : read.texts) {
    t.key = in.string();
    t.left = in.i32();
    t.top = in.i32();
    t.width = in.i32();
    t.height = in.i32();
    if (!in.ok || t.width < 1 || t.width > kMaxTextSide || t.height < 1 || t.height > kMaxTextSide)
      return false;
    const std::size_t pixels =
        static_cast<std::size_t>(t.width) * static_cast<std::size_t>(t.height);
    const std::size_t size = (pixels + 7) / 8;
    if (in.rest.size() < size) return false;
    t.covered.resize(pixels);
    for (std::size_t i = 0; i < pixels; ++i)
      t.covered[i] = (static_cast<std::uint8_t>(in.rest[i / 8]) >> (i % 8)) & 1;
    // Unused bits set: not what a writer leaves.
    if (pixels % 8 != 0 && (static_cast<std::uint8_t>(in.rest[size - 1]) >> (pixels % 8)) != 0)
      return false;
    in.rest.remove_prefix(size);
    if (!textFits(t)) return false;
  }
  if (!in.ok || !in.rest.empty()) return false;
  record = std::move(read);
  return true;
}

}  // namespace vistel
