// Part of a cycle: a includes b.
#include "b/B.h"
