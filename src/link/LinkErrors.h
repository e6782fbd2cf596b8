// The programmer link's two exception types. EISPException carries a link or
// identity failure; EFirmwareUpdate says that the programmer needs new
// firmware, so the Read flow can offer an update. Both carry only their
// message. (The memory image has an unrelated EISPException of its own in
// velmar::image; each handler names the one it means.)
#pragma once

#include <stdexcept>
#include <string>

namespace velmar::link {

class EISPException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class EFirmwareUpdate : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace velmar::link
