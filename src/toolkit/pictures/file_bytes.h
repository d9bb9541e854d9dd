#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace vistel {

// What a read broken off by its interrupt flag reports.
inline constexpr const char* kReadInterruptedText = "File reading interrupted";

// Reads a whole regular file into memory. The open does not wait (a named
// pipe given a picture's name would block it); anything that is not a
// regular file is refused. Reads on to the end whatever the file's size
// said, in case it is still being written. Failures throw
// PictureError("Cannot open file \"<path>\". <reason>"); once `interrupt`
// is true, the read ends between blocks with
// PictureError(kReadInterruptedText).
std::vector<std::uint8_t> readFileBytes(const std::string& path,
                                        const std::atomic<bool>* interrupt = nullptr);

}  // namespace vistel
