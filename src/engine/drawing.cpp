#include "engine/drawing.h"

#include "engine/display.h"

namespace {

constexpr float kDegrees = 0.017453292f;

void DrawSubsets(const MeshSlot* slot) {
  for (int i = 0; i < slot->material_count; i++) {
    SetMaterial(device, &slot->materials[i]);
    SetTexture(device, 0, slot->textures[i]);
    DrawSubset(slot->mesh, static_cast<DWORD>(i));
  }
}

}  // namespace

void DrawMesh(MeshSlot* slot, float x, float y, float z, float yaw, float pitch, float roll, float px, float py,
              float pz, float pyaw, float ppitch, float proll) {
  if (!device || !slot) return;
  D3DXMATRIX a, b, c, d, ab, abc, world;
  D3DXMatrixRotationYawPitchRoll(&a, yaw * kDegrees, pitch * kDegrees, roll * kDegrees);
  D3DXMatrixTranslation(&b, px, -py, pz);
  D3DXMatrixRotationYawPitchRoll(&c, pyaw * kDegrees, ppitch * kDegrees, proll * kDegrees);
  D3DXMatrixTranslation(&d, x, -y, z);
  D3DXMatrixMultiply(&ab, &a, &b);
  D3DXMatrixMultiply(&abc, &ab, &c);
  D3DXMatrixMultiply(&world, &abc, &d);
  SetTransform(device, D3DTS_WORLD, &world);
  if (slot->material_count < 1) {
    // The stand-in model, with the depth test as the caller left it.
    if (mesh_default.material_count >= 1) DrawSubsets(&mesh_default);
    return;
  }
  if (slot->depth_test == 0) SetRenderState(device, D3DRS_ZENABLE, D3DZB_FALSE);
  DrawSubsets(slot);
  if (slot->depth_test == 0) SetRenderState(device, D3DRS_ZENABLE, D3DZB_TRUE);
}
