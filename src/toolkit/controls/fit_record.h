#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vistel {

// The font fits and drawn texts of one run, kept for the next (fonts.h):
// each fit's question with its pixel size, and each text's ink rectangle
// with its covered pixels. Stored as bytes of a strict layout, so that a
// record written by another version, cut short or tampered with is refused
// whole rather than half read.
struct FitRecord {
  struct Fit {
    std::string question;  // UTF-8
    int pixelSize = 0;
    friend bool operator==(const Fit&, const Fit&) = default;
  };
  struct Text {
    std::string key;  // UTF-8
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<std::uint8_t> covered;  // width by height, row by row, 0 or 1
    friend bool operator==(const Text&, const Text&) = default;
  };
  // What the fits depend on besides their questions: the font configuration,
  // the libraries' versions. A record of another stamp is not used.
  std::string stamp;
  std::vector<Fit> fits;
  std::vector<Text> texts;
  friend bool operator==(const FitRecord&, const FitRecord&) = default;
};

// Limits a record is held to, written or read.
inline constexpr std::size_t kMaxFitRecordBytes = 4u << 20;
inline constexpr int kMaxFitPixelSize = 1024;
inline constexpr int kMaxTextSide = 4096;

// The record's bytes; empty when it breaks the limits.
std::string encodeFitRecord(const FitRecord& record);
// The record `bytes` hold, or false (and `record` untouched) for anything
// that is not exactly what encodeFitRecord writes.
bool decodeFitRecord(std::string_view bytes, FitRecord& record);

}  // namespace vistel
