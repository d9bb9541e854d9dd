#include "program/handover_message.h"

#include <utility>

namespace vistel::program {

namespace {
constexpr std::string_view kTag = "vistel-open 1\n";
}

std::string encodeMessage(const std::string& path) { return std::string(kTag) + path; }

bool decodeMessage(const std::string& bytes, std::string& path) {
  if (bytes.size() > kMaxMessage || bytes.compare(0, kTag.size(), kTag) != 0) return false;
  path = bytes.substr(kTag.size());
  return path.find('\0') == std::string::npos;
}

Answer parseAnswer(std::string_view bytes) {
  for (const auto& [text, answer] :
       {std::pair{kAnswer, Answer::Taken}, std::pair{kGoingAway, Answer::GoingAway}}) {
    if (bytes == text) return answer;
    if (bytes.size() < text.size() && text.substr(0, bytes.size()) == bytes)
      return Answer::Incomplete;
  }
  return Answer::Unknown;
}

}  // namespace vistel::program
