// The running system's family and version numbers, as Windows reports them
// (the working-folder rule depends on them). Other systems report the
// family Other and nothing else.
#pragma once

#include <string>

namespace velmar::platform {

struct SystemVersion {
  enum Family { Other, Win9x, NT } family = Other;
  int major = 0;
  int minor = 0;
  std::string serviceText;  // the service pack text ("Service Pack 3")
};

SystemVersion CurrentSystemVersion();

}  // namespace velmar::platform
