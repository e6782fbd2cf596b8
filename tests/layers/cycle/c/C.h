// Above the cycle: c includes a, and nothing includes c.
#include "a/A.h"
