// Drawing one model: the one way every renderer puts a mesh slot on screen.
#pragma once

#include "engine/meshes.h"

// Draws a slot at a playfield position, first turned by (yaw, pitch, roll), then moved by the
// offset (px, py, pz) and turned about the position by (pyaw, ppitch, proll); degrees. An
// unloaded slot draws mesh_default instead.
void DrawMesh(MeshSlot* slot, float x, float y, float z, float yaw, float pitch, float roll, float px = 0,
              float py = 0, float pz = 0, float pyaw = 0, float ppitch = 0, float proll = 0);
