// Closes the cycle: b includes a.
#include "a/A.h"
