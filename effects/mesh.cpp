#include "effects/mesh.h"

int32_t meshMode = 0;
int32_t meshStamp = 0;
int32_t revealRow = 127;
int32_t revealAccumMs = 0;
int32_t satelliteVisible = 0;
int32_t satelliteBounce = 0;

void setMeshMode(int32_t code) { meshMode = code; }
void drawMesh() {}
