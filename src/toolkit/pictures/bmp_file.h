#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "bmp_layout.h"

namespace vistel::bmp {

// A BMP file opened for reading, its headers and colour table parsed; the
// pixels stay in the file until asked for. Anything that is not a readable
// regular file (missing, a folder, a device, a named pipe, which is opened
// without waiting for a writer) or not a valid BMP fails as failInvalid().
class OpenedFile {
 public:
  explicit OpenedFile(const std::string& path);
  OpenedFile(const OpenedFile&) = delete;
  OpenedFile& operator=(const OpenedFile&) = delete;

  // A zero-byte file has no layout: it is an empty picture.
  bool empty() const { return !layout_.has_value(); }
  const Layout& layout() const { return *layout_; }
  std::uint64_t size() const { return size_; }

  // Reads up to `size` bytes at `offset`; fewer only at the end of the file
  // (it may have shrunk since it was measured).
  std::size_t readAt(std::uint8_t* into, std::size_t size, std::uint64_t offset) const;

 private:
  // The descriptor closes itself: also when the constructor throws, which
  // destroys the members built so far but runs no destructor of ours.
  struct Descriptor {
    int fd;
    ~Descriptor();
  };

  Descriptor fd_;
  std::uint64_t size_ = 0;
  std::optional<Layout> layout_;
};

}  // namespace vistel::bmp
