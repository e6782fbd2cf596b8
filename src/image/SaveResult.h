// SaveResult: what writing one of the image files came to. The result code
// of the save (0 written, 1 not written) and, when it was not written, the
// reason in words naming the file, for the caller to show or to raise.
#pragma once

#include <string>

namespace velmar::image {

struct SaveResult {
  int result = 0;       // 0 written, 1 not written
  std::string message;  // why it was not written; empty when it was

  bool Failed() const { return result != 0; }
};

}  // namespace velmar::image
