// libFuzzer entry for the hand-over's messages: whatever another process
// sends, the viewer's reading either refuses it or takes a path that is
// exactly what the message carried, and a start reads any answer as one of
// the known ones, a part of one, or nothing it knows.
#include <cstddef>
#include <cstdint>
#include <string>

#include "program/handover_message.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace program = vistel::program;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string path;
  if (program::decodeMessage(bytes, path)) {
    if (program::encodeMessage(path) != bytes || path.find('\0') != std::string::npos)
      __builtin_trap();
  } else if (size <= program::kMaxMessage && bytes.find('\0') == std::string::npos &&
             bytes.starts_with(program::encodeMessage(""))) {
    __builtin_trap();  // a sound message refused
  }
  const program::Answer answer = program::parseAnswer(bytes);
  if ((answer == program::Answer::Taken) != (bytes == program::kAnswer) ||
      (answer == program::Answer::GoingAway) != (bytes == program::kGoingAway) ||
      (answer == program::Answer::Incomplete && size >= program::kMaxAnswer))
    __builtin_trap();
  return 0;
}
