// vistel-manpage: writes the manual page from its template, filling in the
// options from the command-line table and the keys from the command map, so
// that the page cannot drift from what the program does.
//
//   vistel-manpage <template> <output>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "program/command_line.h"
#include "viewer/command_map.h"
#include "windows/key_codes.h"

namespace {

namespace vk = vistel::vk;
using vistel::command_map::When;

// The name printed on the key; empty for a key the page cannot name yet.
std::string keyName(int key) {
  if (key >= vk::kF1 && key <= vk::kF1 + 23) return "F" + std::to_string(key - vk::kF1 + 1);
  if (key >= vk::k0 && key <= vk::k0 + 9) return std::string(1, static_cast<char>(key));
  switch (key) {
    case vk::kControl:
      return "Ctrl";
    case vk::kMenu:
      return "Alt";
    case vk::kEscape:
      return "Esc";
    case vk::kPrior:
      return "Page Up";
    case vk::kNext:
      return "Page Down";
    case vk::kEnd:
      return "End";
    case vk::kHome:
      return "Home";
    case vk::kInsert:
      return "Insert";
    case vk::kLeft:
      return "Left";
    case vk::kUp:
      return "Up";
    case vk::kRight:
      return "Right";
    case vk::kDown:
      return "Down";
    default:
      return {};
  }
}

// Text safe in a troff line: backslashes and hyphens escaped, and no line
// starting with a control character.
std::string troff(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\\')
      out += "\\e";
    else if (c == '-')
      out += "\\-";
    else
      out += c;
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out = "\\&" + out;
  return out;
}

std::string optionsSection() {
  std::string t;
  for (const auto& row : vistel::program::optionRows()) {
    t += ".TP\n";
    t += row.alias != nullptr ? ".BR " + troff(row.alias) + " \", \" " + troff(row.name) + "\n"
                              : ".B " + troff(row.name) + "\n";
    t += troff(row.help) + "\n";
  }
  return t;
}

std::string keysSection() {
  std::string t;
  for (const auto& row : vistel::command_map::rows()) {
    const std::string key = keyName(row.key);
    if (key.empty())
      throw std::runtime_error("the manual page has no name for key code " +
                               std::to_string(row.key));
    const std::string held = row.when == When::Shift  ? "Shift+"
                             : row.when == When::Ctrl ? "Ctrl+"
                                                      : "";
    std::string what = row.name;
    if (!what.empty())
      what[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(what[0])));
    t += ".TP\n.B " + troff(held + key) + "\n" + troff(what) + ".\n";
  }
  return t;
}

void replace(std::string& text, const std::string& marker, const std::string& by) {
  const std::size_t at = text.find(marker);
  if (at == std::string::npos) throw std::runtime_error("template lacks " + marker);
  // The marker stands alone on its line; the section replaces the line.
  text.replace(at, marker.size() + 1, by);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <template> <output>\n", argv[0]);
    return 2;
  }
  try {
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) throw std::runtime_error(std::string("cannot read ") + argv[1]);
    std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    replace(page, "@OPTIONS@", optionsSection());
    replace(page, "@KEYS@", keysSection());
    std::string version = vistel::program::versionText();
    version = version.substr(version.find(' ') + 1);
    version.pop_back();  // the newline
    const std::size_t v = page.find("@VERSION@");
    if (v != std::string::npos) page.replace(v, 9, version);
    std::ofstream out(argv[2], std::ios::binary);
    out << page;
    if (!out) throw std::runtime_error(std::string("cannot write ") + argv[2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vistel-manpage: %s\n", e.what());
    return 1;
  }
  return 0;
}
