// The upper layer: slot includes platform.
#include "platform/Text.h"
