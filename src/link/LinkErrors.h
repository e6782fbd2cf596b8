// The programmer link's two exception types. EISPException carries a link or
// identity failure; EFirmwareUpdate says that the programmer needs new
// firmware, so the Read flow can offer an update. Both carry only their
// message. (The memory image's failures are image::EImageError; the two
// share only the base platform::EVelmarError.)
#pragma once

#include "platform/Errors.h"

namespace velmar::link {

class EISPException : public platform::EVelmarError {
 public:
  using EVelmarError::EVelmarError;
};

class EFirmwareUpdate : public platform::EVelmarError {
 public:
  using EVelmarError::EVelmarError;
};

}  // namespace velmar::link
