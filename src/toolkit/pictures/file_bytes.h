#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace vistel {

// What a read broken off by its interrupt flag reports.
inline constexpr const char* kReadInterruptedText = "File reading interrupted";

// A regular file opened for reading and read in order, a block at a time:
// a decoder that streams it holds one block, never the file. The open does
// not wait (a named pipe given a picture's name would block it); anything
// that is not a regular file is refused. Failures throw
// PictureError("Cannot open file \"<path>\". <reason>"); once `interrupt`
// is true, a read ends with PictureError(kReadInterruptedText).
class FileReader {
 public:
  explicit FileReader(const std::string& path);
  ~FileReader();
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  // Up to `size` bytes from where the last read or skip ended; fewer only
  // at the end of the file, 0 past it.
  std::size_t read(std::uint8_t* into, std::size_t size,
                   const std::atomic<bool>* interrupt = nullptr);
  // Moves `n` bytes on without reading them (past the end is fine: reads
  // then give 0).
  void skip(std::uint64_t n);
  // The size the file had when it was opened.
  std::uint64_t size() const { return size_; }

 private:
  std::string path_;
  int fd_;
  std::uint64_t size_ = 0;
};

// Reads a whole regular file into memory, opened as FileReader opens it.
// Reads on to the end whatever the file's size said, in case it is still
// being written.
std::vector<std::uint8_t> readFileBytes(const std::string& path,
                                        const std::atomic<bool>* interrupt = nullptr);

}  // namespace vistel
