#pragma once

// The bytes of the hand-over between two starts of the program: what a
// start sends to the running viewer and what the viewer answers. Pure
// arithmetic on bytes, so that it can be fuzzed on its own.
#include <cstddef>
#include <string>
#include <string_view>

namespace vistel::program {

// A tag line, then the absolute path as raw bytes up to the end of the
// stream (an empty path asks only to come forward).
std::string encodeMessage(const std::string& path);
// The path of a whole message; false when the bytes are not one (another
// tag, too long, or a NUL in the path, which no file name holds).
bool decodeMessage(const std::string& bytes, std::string& path);
inline constexpr std::size_t kMaxMessage = std::size_t{64} * 1024;

// The viewer's answers, each a short line: it took the message and will act
// on it, or it is shutting down and the start is to run a viewer of its own.
inline constexpr std::string_view kAnswer = "ok\n";
inline constexpr std::string_view kGoingAway = "going away\n";

enum class Answer {
  Incomplete,  // a prefix of an answer: more may follow
  Taken,
  GoingAway,
  Unknown,  // anything else
};
// What the bytes received so far say.
Answer parseAnswer(std::string_view bytes);
// The longest answer there is, for the reading side's bound.
inline constexpr std::size_t kMaxAnswer = kGoingAway.size();

}  // namespace vistel::program
