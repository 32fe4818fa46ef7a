#include "effects/mesh_grids.h"

MeshGrid sphereGrid;
MeshGrid satelliteGrid;
MeshGrid workGrid;
MeshGrid snapshotGrid;
MeshGrid boxGrid;

void buildMeshGrids() {}

void faceNormal(const float*, const float*, const float*, float* outX, float* outY, float* outZ) {
  *outX = *outY = *outZ = 0.0f;
}
