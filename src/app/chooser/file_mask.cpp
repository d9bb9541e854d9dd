#include "chooser/file_mask.h"

namespace vistel {

namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool isContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Length of the character starting at name[i]: a lead byte with its
// continuation bytes, or one stray byte.
std::size_t charLength(std::string_view name, std::size_t i) {
  std::size_t n = 1;
  if (static_cast<unsigned char>(name[i]) >= 0xC0) {
    while (i + n < name.size() && isContinuation(name[i + n]) && n < 4) ++n;
  }
  return n;
}

}  // namespace

bool matchesPattern(std::string_view name, std::string_view pattern) {
  if (pattern.empty()) return false;
  // Greedy matching with one backtrack point, the last "*": linear in
  // practice, and never recursive however many stars a mask holds.
  std::size_t n = 0, p = 0;
  std::size_t starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      n += charLength(name, n);
    } else if (p < pattern.size() && lower(pattern[p]) == lower(name[n])) {
      ++p;
      ++n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      starN += charLength(name, starN);
      n = starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool matchesMask(std::string_view name, std::string_view mask) {
  std::size_t start = 0;
  while (start <= mask.size()) {
    std::size_t end = mask.find(';', start);
    if (end == std::string_view::npos) end = mask.size();
    if (matchesPattern(name, mask.substr(start, end - start))) return true;
    start = end + 1;
  }
  return false;
}

std::string maskFor(bool bmpChecked, bool jpgChecked) {
  std::string mask = bmpChecked ? "*.Bmp" : "";
  if (jpgChecked) mask += ";*.Jpg";
  return mask;
}

bool isJpegName(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view ext = name.substr(dot);
  static constexpr std::string_view kJpg = ".jpg";
  if (ext.size() != kJpg.size()) return false;
  for (std::size_t i = 0; i < ext.size(); ++i)
    if (lower(ext[i]) != kJpg[i]) return false;
  return true;
}

}  // namespace vistel
