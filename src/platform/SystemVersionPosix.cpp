// Off Windows there is no Windows version to report.
#include "platform/SystemVersion.h"

namespace velmar::platform {

SystemVersion CurrentSystemVersion() { return SystemVersion{}; }

}  // namespace velmar::platform
