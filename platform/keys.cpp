#include "platform/keys.h"

int32_t keys[kKeyTableSize] = {};
