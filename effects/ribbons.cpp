#include "effects/ribbons.h"

Ribbon ribbons[kRibbonCount];
int32_t ribbonAccumMs = 0;

void initRibbons() {}
void setRibbonMode(int32_t) {}
void drawRibbons() {}
