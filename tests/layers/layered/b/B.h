// The lower layer includes only itself and the standard library.
#include <string>

#include "b/Other.h"
