#pragma once

// The sample pictures shipped in samples/: landscapes, flowers and patterns
// in every file form the viewer reads.

#include <string>
#include <vector>

#include "file_writers.h"

namespace assetgen {

struct SampleFile {
  std::string name;  // file name, extension case included
  Bytes bytes;
};

std::vector<SampleFile> drawSamples();

}  // namespace assetgen
