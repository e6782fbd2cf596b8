// Reaches up: devices stands on slot, not below it. No cycle.
#include "devices/Device.h"
