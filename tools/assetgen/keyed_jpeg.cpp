#include "keyed_jpeg.h"

#include <jpeglib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <utility>
#include <vector>

namespace assetgen {

namespace {

constexpr int kComponents = 3;

// What a sample of a component plane must decode to.
enum class Rule : char {
  Free,       // follows the picture
  PastWhite,  // luma of a white pixel: past 255, which the decoder clamps to 255
  Neutral,    // chroma that reaches a white pixel: no tint at all
};

// The integer samples that leave Y = 255 exactly white: the decoder's
// colour conversion turns Cr 128 with Cb 128 or 129 into (255, 255, 255),
// and any other pair into a tint. The windows below are the sample values
// before rounding that give those integers.
struct Window {
  double centre, half;
};
constexpr Window kNeutral[kComponents] = {{0, 0}, {128.5, 1.0}, {128, 0.5}};

using Block = std::array<double, 64>;  // row-major, index y * 8 + x (or v * 8 + u)

// The JPEG transform with its usual scaling: basis[v * 8 + u][y * 8 + x] is
// C(u) C(v) / 4 * cos((2x + 1) u pi / 16) cos((2y + 1) v pi / 16),
// C(0) = 1 / sqrt 2. It is orthonormal, so its transpose inverts it.
struct Basis {
  std::array<Block, 64> at;
  Basis() {
    double c[8][8];
    for (int u = 0; u < 8; ++u)
      for (int x = 0; x < 8; ++x)
        c[u][x] = (u ? 0.5 : 0.5 / std::sqrt(2.0)) * std::cos((2 * x + 1) * u * M_PI / 16);
    for (int k = 0; k < 64; ++k)
      for (int i = 0; i < 64; ++i) at[k][i] = c[k / 8][i / 8] * c[k % 8][i % 8];
  }
};
const Basis kBasis;

// Level-shifted samples to coefficients.
Block forward(const Block& s) {
  Block out{};
  for (int k = 0; k < 64; ++k)
    for (int i = 0; i < 64; ++i) out[k] += kBasis.at[k][i] * (s[i] - 128);
  return out;
}

using Quant = std::array<int, 64>;  // natural order

// One component: samples padded to whole MCUs, the rule of each sample, the
// fitted coefficients, and per block the margin by which the fit must clear
// its rules (this transform and libjpeg's integer one differ by a fraction).
struct Plane {
  int blocksWide = 0, blocksHigh = 0;
  Window neutral{};
  std::vector<double> sample;
  std::vector<Rule> rule;
  std::vector<JCOEF> coef;
  std::vector<double> margin;
  int stride() const { return blocksWide * 8; }
};

// How far a decoded value `v` misses its rule.
double miss(Rule rule, double v, const Window& neutral, double margin) {
  if (rule == Rule::PastWhite) return std::max(0.0, 256 + margin - v);
  if (rule == Rule::Neutral)
    return std::max(0.0, std::abs(v - neutral.centre) - neutral.half + margin);
  return 0;
}

// Quantises `target` into `q` and then steps single coefficients up or down
// while a step lowers the ruled samples' misses (weighted heavily) plus the
// free samples' squared error against the picture. True when every rule
// holds with the margin.
bool settle(const Block& target, const Block& source, const std::array<Rule, 64>& rules,
            const Window& neutral, double margin, const Quant& quant, std::array<int, 64>& q) {
  auto limit = [&](int k) { return (k == 0 ? 1040 : 1023) / quant[k]; };  // what the coder carries
  const Block f = forward(target);
  Block v{};
  v.fill(128);
  for (int k = 0; k < 64; ++k) {
    q[k] = static_cast<int>(std::clamp<long>(std::lround(f[k] / quant[k]), -limit(k), limit(k)));
    for (int i = 0; i < 64; ++i) v[i] += kBasis.at[k][i] * q[k] * quant[k];
  }
  auto cost = [&](int i, double value) {
    if (rules[i] == Rule::Free) return (value - source[i]) * (value - source[i]);
    const double d = miss(rules[i], value, neutral, margin);
    return d > 0 ? 1e4 * (1 + d) : 0.0;
  };
  auto missing = [&] {
    for (int i = 0; i < 64; ++i)
      if (miss(rules[i], v[i], neutral, margin) > 0) return true;
    return false;
  };
  for (int step = 0; missing(); ++step) {
    if (step == 400) return false;
    double best = 0;
    int bestK = -1, bestSign = 0;
    for (int k = 0; k < 64; ++k)
      for (int sign : {-1, 1}) {
        if (std::abs(q[k] + sign) > limit(k)) continue;
        double gain = 0;
        for (int i = 0; i < 64; ++i)
          gain += cost(i, v[i] + sign * quant[k] * kBasis.at[k][i]) - cost(i, v[i]);
        if (gain < best) best = gain, bestK = k, bestSign = sign;
      }
    if (bestK < 0) return false;
    q[bestK] += bestSign;
    for (int i = 0; i < 64; ++i) v[i] += bestSign * quant[bestK] * kBasis.at[bestK][i];
  }
  return true;
}

// Fits one block's quantised coefficients so that every ruled sample keeps
// its rule with the block's margin while the free samples stay as close to
// the picture as the quantiser allows. The search starts from the block with
// its ruled samples set inside their windows, and again from slightly
// shaken versions of it when it sticks. Where few samples are free the
// quantiser's grid may hold no such block near the picture: then the free
// chroma samples next to neutral ones turn neutral too, ring by ring (an
// all-neutral block always fits, carrying no colour at all).
void fitBlock(Plane& plane, int bx, int by, const Quant& quant) {
  Block source{};
  std::array<Rule, 64> rules{};
  bool ruled = false;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      const std::size_t i = static_cast<std::size_t>(by * 8 + y) * plane.stride() +
                            static_cast<std::size_t>(bx * 8 + x);
      source[y * 8 + x] = plane.sample[i];
      rules[y * 8 + x] = plane.rule[i];
      ruled |= plane.rule[i] != Rule::Free;
    }
  const std::size_t at = static_cast<std::size_t>(by) * plane.blocksWide + bx;
  const double m = plane.margin[at];
  std::array<int, 64> q{};
  std::uint64_t shake = 0x9E3779B97F4A7C15ull * (at + 1);  // the same shakes on every run
  auto jitter = [&shake](double amount) {
    shake = shake * 6364136223846793005ull + 1442695040888963407ull;
    return amount * (static_cast<double>(shake >> 11) / 9007199254740992.0 * 2 - 1);
  };
  for (int ring = 0; ring <= 8; ++ring) {
    for (int attempt = 0; attempt < (ruled ? 24 : 1); ++attempt) {
      Block target = source;
      for (int k = 0; k < 64; ++k) {
        if (rules[k] == Rule::Neutral) target[k] = plane.neutral.centre;
        if (rules[k] == Rule::PastWhite) target[k] = 256.5 + m;
        if (attempt) target[k] += jitter(rules[k] == Rule::Free ? 2.0 : 0.3);
      }
      if (settle(target, source, rules, plane.neutral, m, quant, q)) {
        std::copy(q.begin(), q.end(), &plane.coef[at * 64]);
        return;
      }
    }
    std::array<Rule, 64> grown = rules;
    for (int k = 0; k < 64; ++k) {
      if (rules[k] != Rule::Neutral) continue;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          const int x = k % 8 + dx, y = k / 8 + dy;
          if (x >= 0 && y >= 0 && x < 8 && y < 8) grown[y * 8 + x] = Rule::Neutral;
        }
    }
    rules = grown;
  }
  std::copy(q.begin(), q.end(), &plane.coef[at * 64]);
}

void configure(jpeg_compress_struct& cinfo, int width, int height, const JpegOptions& options) {
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = kComponents;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);  // YCbCr with a JFIF marker
  jpeg_set_quality(&cinfo, options.quality, TRUE);
  cinfo.optimize_coding = TRUE;
  const int s = options.chroma420 ? 2 : 1;
  cinfo.comp_info[0].h_samp_factor = s;
  cinfo.comp_info[0].v_samp_factor = s;
  for (int c = 1; c < kComponents; ++c) {
    cinfo.comp_info[c].h_samp_factor = 1;
    cinfo.comp_info[c].v_samp_factor = 1;
  }
  if (options.progressive) jpeg_simple_progression(&cinfo);
}

std::array<Quant, kComponents> quantTables(int width, int height, const JpegOptions& options) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  configure(cinfo, width, height, options);
  std::array<Quant, kComponents> tables{};
  for (int c = 0; c < kComponents; ++c) {
    const JQUANT_TBL* t = cinfo.quant_tbl_ptrs[cinfo.comp_info[c].quant_tbl_no];
    for (int k = 0; k < 64; ++k) tables[c][k] = t->quantval[k];
  }
  jpeg_destroy_compress(&cinfo);
  return tables;
}

Bytes writeCoefficients(const std::array<Plane, kComponents>& planes, int width, int height,
                        const JpegOptions& options) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);  // the default handler ends the tool on error
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  configure(cinfo, width, height, options);
  jvirt_barray_ptr arrays[kComponents];
  for (int c = 0; c < kComponents; ++c)
    arrays[c] = (*cinfo.mem->request_virt_barray)(
        reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, TRUE,
        static_cast<JDIMENSION>(planes[c].blocksWide),
        static_cast<JDIMENSION>(planes[c].blocksHigh),
        static_cast<JDIMENSION>(cinfo.comp_info[c].v_samp_factor));
  // This realises the arrays; they are filled before the data is written.
  jpeg_write_coefficients(&cinfo, arrays);
  for (int c = 0; c < kComponents; ++c)
    for (int by = 0; by < planes[c].blocksHigh; ++by) {
      JBLOCKARRAY row = (*cinfo.mem->access_virt_barray)(
          reinterpret_cast<j_common_ptr>(&cinfo), arrays[c], static_cast<JDIMENSION>(by), 1, TRUE);
      for (int bx = 0; bx < planes[c].blocksWide; ++bx)
        std::copy_n(
            &planes[c].coef[(static_cast<std::size_t>(by) * planes[c].blocksWide + bx) * 64], 64,
            row[0][bx]);
    }
  jpeg_finish_compress(&cinfo);
  Bytes out(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return out;
}

bool isKey(QRgb p) { return (p & 0xFFFFFF) == 0xFFFFFF; }

}  // namespace

long lostKeyPixels(const QImage& drawn, const QImage& decoded) {
  long lost = 0;
  for (int y = 0; y < drawn.height(); ++y)
    for (int x = 0; x < drawn.width(); ++x)
      lost += isKey(drawn.pixel(x, y)) && !isKey(decoded.pixel(x, y));
  return lost;
}

Bytes encodeKeyedJpeg(const QImage& source, const JpegOptions& options) {
  if (options.greyscale) throw std::invalid_argument("a keyed JPEG has colour");
  const QImage image = source.convertToFormat(QImage::Format_RGB32);
  const int w = image.width(), h = image.height();
  const int step = options.chroma420 ? 2 : 1;  // picture pixels per chroma sample, each way

  // Component planes, padded by repeating the last real sample as libjpeg
  // does; chroma averaged over the pixels each sample stands for.
  std::array<Plane, kComponents> planes;
  for (int c = 0; c < kComponents; ++c) {
    const int factor = c == 0 ? step : 1;  // the component's sampling factor
    const int f = step / factor;           // picture pixels per sample, each way
    const int cw = (w + f - 1) / f, ch = (h + f - 1) / f;
    Plane& p = planes[c];
    p.blocksWide = ((cw + 7) / 8 + factor - 1) / factor * factor;
    p.blocksHigh = ((ch + 7) / 8 + factor - 1) / factor * factor;
    p.neutral = kNeutral[c];
    p.sample.assign(static_cast<std::size_t>(p.stride()) * p.blocksHigh * 8, 0);
    p.rule.assign(p.sample.size(), Rule::Free);
    p.coef.assign(p.sample.size(), 0);
    p.margin.assign(static_cast<std::size_t>(p.blocksWide) * p.blocksHigh, 0.02);
    for (int y = 0; y < p.blocksHigh * 8; ++y)
      for (int x = 0; x < p.stride(); ++x) {
        const int sx = std::min(x, cw - 1), sy = std::min(y, ch - 1);
        double sum = 0;
        int n = 0;
        for (int yy = sy * f; yy < std::min(sy * f + f, h); ++yy)
          for (int xx = sx * f; xx < std::min(sx * f + f, w); ++xx, ++n) {
            const QRgb px = image.pixel(xx, yy);
            const double r = qRed(px), g = qGreen(px), b = qBlue(px);
            sum += c == 0   ? 0.299 * r + 0.587 * g + 0.114 * b
                   : c == 1 ? 128 - 0.168736 * r - 0.331264 * g + 0.5 * b
                            : 128 + 0.5 * r - 0.418688 * g - 0.081312 * b;
          }
        p.sample[static_cast<std::size_t>(y) * p.stride() + x] = sum / n;
      }
  }
  // The rules. A white pixel's luma must clear white; every chroma sample
  // that the decoder's upsampling blends into a white pixel must be neutral:
  // with 2 x 2 sampling, pixel column x takes samples x / 2 and its neighbour
  // on x's side, so sample i reaches columns 2i - 1 to 2i + 2 (rows alike).
  auto reach = [step](int v) {
    return step == 1 ? std::pair{v, v} : std::pair{std::max(v - 1, 0) / 2, (v + 1) / 2};
  };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (!isKey(image.pixel(x, y))) continue;
      planes[0].rule[static_cast<std::size_t>(y) * planes[0].stride() + x] = Rule::PastWhite;
      const auto [i0, i1] = reach(x);
      const auto [j0, j1] = reach(y);
      for (int c = 1; c < kComponents; ++c)
        for (int j = j0; j <= j1; ++j)
          for (int i = i0; i <= i1; ++i)
            planes[c].rule[static_cast<std::size_t>(j) * planes[c].stride() + i] = Rule::Neutral;
    }

  const auto quant = quantTables(w, h, options);
  for (int c = 0; c < kComponents; ++c)
    for (int by = 0; by < planes[c].blocksHigh; ++by)
      for (int bx = 0; bx < planes[c].blocksWide; ++bx) fitBlock(planes[c], bx, by, quant[c]);

  // Check with the real decoder; where a white pixel came out otherwise,
  // widen the margins of the blocks behind it and fit them again.
  for (int round = 0;; ++round) {
    Bytes bytes = writeCoefficients(planes, w, h, options);
    const QImage decoded = decodeJpeg(bytes);
    std::vector<std::array<int, 3>> refit;  // component, block column, block row
    long lost = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        if (!isKey(image.pixel(x, y)) || isKey(decoded.pixel(x, y))) continue;
        ++lost;
        refit.push_back({0, x / 8, y / 8});
        const auto [i0, i1] = reach(x);
        const auto [j0, j1] = reach(y);
        for (int c = 1; c < kComponents; ++c)
          for (int j : {j0, j1})
            for (int i : {i0, i1}) refit.push_back({c, i / 8, j / 8});
      }
    std::fprintf(stderr, "keyed JPEG, check %d: %ld white pixels decode otherwise\n", round, lost);
    if (!lost) return bytes;
    if (round == 5) throw std::runtime_error("keyed JPEG: white pixels do not stay white");
    std::sort(refit.begin(), refit.end());
    refit.erase(std::unique(refit.begin(), refit.end()), refit.end());
    for (const auto& [c, bx, by] : refit) {
      Plane& p = planes[c];
      double& m = p.margin[static_cast<std::size_t>(by) * p.blocksWide + bx];
      m = std::min(m + 0.05, 0.4);
      fitBlock(p, bx, by, quant[c]);
    }
  }
}

}  // namespace assetgen
