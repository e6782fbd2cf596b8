// The upper layer: a includes b.
#include "b/B.h"
