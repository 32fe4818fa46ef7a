#include "effects/swarm.h"

Sprite swarm[kSwarmSize];

void initSwarm() {}
void setSwarmState(int32_t) {}
void drawSwarm() {}
