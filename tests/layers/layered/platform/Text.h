// The lower layer includes only itself and the standard library.
#include <string>

#include "platform/Other.h"
