#include "engine/lights.h"

#include <cmath>

#include "engine/console.h"
#include "engine/display.h"
#include "engine/render.h"
#include "world/game.h"
#include "world/tables.h"

namespace {

constexpr float kDegrees = 0.017453292f;

D3DLIGHT8 Directional(D3DVECTOR direction, float specular) {
  D3DLIGHT8 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Direction = direction;
  light.Specular = {specular, specular, specular, 0};
  return light;
}

void LookAt(D3DXVECTOR3 eye, D3DXVECTOR3 at) {
  D3DXMATRIX view;
  D3DXMatrixLookAtLH(&view, &eye, &at, &up_vector);
  SetTransform(device, D3DTS_VIEW, &view);
}

}  // namespace

D3DXVECTOR3 up_vector = {0, 1, 0};
D3DLIGHT8 point_lights[POINT_LIGHT_MAX];
int light_count = 0;
D3DLIGHT8 key_light, fill_light, hud_light, map_light;

void InitLights() {
  for (int i = 0; i < light_budget && i < POINT_LIGHT_MAX; i++) {
    point_lights[i] = D3DLIGHT8{};
    point_lights[i].Type = D3DLIGHT_POINT;
    point_lights[i].Specular = {0.2f, 0.2f, 0.2f, 0};
  }
  SetLightColor(LIGHT_AMBIENT, 0.25f, 0.25f, 0.25f);
  key_light = Directional({0, -1, 1}, 0.3f);
  SetLightColor(LIGHT_KEY, key_light_color.r, key_light_color.g, key_light_color.b);
  fill_light = Directional({0, -1, -0.8f}, 0.2f);
  SetLightColor(LIGHT_FILL, fill_light_color.r, fill_light_color.g, fill_light_color.b);
  hud_light = Directional({0, -1, 1}, 0.3f);
  SetLightColor(LIGHT_HUD, 0.8f, 0.8f, 0.8f);
  map_light = D3DLIGHT8{};
  map_light.Type = D3DLIGHT_POINT;
  map_light.Position = {0, 15, 0};
  map_light.Range = 60;
  map_light.Specular = {0.2f, 0.2f, 0.2f, 0};
  SetLightColor(LIGHT_MAP, 0.6f, 0.6f, 0.6f);
}

void SetLightColor(int id, float r, float g, float b) {
  D3DLIGHT8* light = nullptr;
  switch (id) {
    case LIGHT_AMBIENT:
      if (device) SetRenderState(device, D3DRS_AMBIENT, PackDeviceColor(r, g, b));
      return;
    case LIGHT_KEY:
      light = &key_light;
      break;
    case LIGHT_FILL:
      light = &fill_light;
      break;
    case LIGHT_HUD:
      light = &hud_light;
      break;
    case LIGHT_MAP:
      light = &map_light;
      light->Diffuse.a = 1.0f;
      break;
    default:
      ConsolePrint("SetLightColor - Invalid ID");
      return;
  }
  light->Diffuse.r = r;
  light->Diffuse.g = g;
  light->Diffuse.b = b;
  // The world fades its lights also while no device exists; the records keep the colours.
  if (device) SetLight(device, static_cast<DWORD>(id), light);
}

void AddPointLight(float x, float y, float z, float r, float g, float b, float range) {
  if (light_count >= light_budget || light_count >= POINT_LIGHT_MAX) return;
  D3DLIGHT8& light = point_lights[light_count];
  light.Position = {x, -y, z};
  light.Range = range;
  light.Diffuse.r = r;
  light.Diffuse.g = g;
  light.Diffuse.b = b;
  SetLight(device, static_cast<DWORD>(light_count), &light);
  LightEnable(device, static_cast<DWORD>(light_count), TRUE);
  light_count += 1;
}

void DisableLights() {
  for (int i = 0; i < light_budget && i < POINT_LIGHT_MAX; i++) LightEnable(device, static_cast<DWORD>(i), FALSE);
  light_count = 0;
}

void SetCameraLook(float eye_x, float eye_y, float eye_z, float at_x, float at_y, float at_z) {
  if (!device) return;
  LookAt({eye_x, -eye_y, eye_z}, {at_x, -at_y, at_z});
}

void SetCameraOrbit(float angle, float height, float distance, float at_x, float at_y, float at_z) {
  if (!device) return;
  double a = angle * kDegrees;
  D3DXVECTOR3 eye = {static_cast<float>(at_x + std::sin(a) * distance), -at_y - height,
                     static_cast<float>(at_z - std::cos(a) * distance)};
  LookAt(eye, {at_x, -at_y, at_z});
}

void SetView(int view) {
  if (!device) return;
  D3DXMATRIX result;
  switch (view) {
    case VIEW_MAP: {
      D3DXVECTOR3 eye = {0, 30, -60}, at = {0, 0, 0};
      D3DXMATRIX look, turn;
      D3DXMatrixLookAtLH(&look, &eye, &at, &up_vector);
      D3DXMatrixRotationY(&turn, spin_angle * kDegrees);
      D3DXMatrixMultiply(&result, &turn, &look);
      break;
    }
    case VIEW_TRACK_PLAYER: {
      int player = PlayerSlot();
      float x = player >= 0 ? thing_x[player] : 0.0f, y = player >= 0 ? thing_y[player] : 0.0f;
      D3DXVECTOR3 eye = {0, -25, -30}, at = {x + 8, -y, 0};
      D3DXMatrixLookAtLH(&result, &eye, &at, &up_vector);
      break;
    }
    case VIEW_CLASSIC:
    case VIEW_HUD: {
      float x = static_cast<float>(playfield_half_width);
      float y = -static_cast<float>(playfield_half_height) - (view == VIEW_CLASSIC ? 4.0f : 0.0f);
      D3DXVECTOR3 eye = {x, y, -100}, at = {x, y, 0};
      D3DXMatrixLookAtLH(&result, &eye, &at, &up_vector);
      break;
    }
    default: {
      // A camera riding on a thing; other ids have no camera and leave the view as it is.
      if (view < 0 || view >= MAX_THINGS) return;
      D3DXVECTOR3 eye = {thing_x[view], -thing_y[view], 0}, look = {1, 0, 0}, right, up;
      D3DXVec3Normalize(&look, &look);
      D3DXVec3Cross(&right, &up_vector, &look);
      D3DXVec3Normalize(&right, &right);
      D3DXVec3Cross(&up, &look, &right);
      D3DXVec3Normalize(&up_vector, &up);
      up = up_vector;
      D3DXMATRIX ride = {};
      ride.m[0][0] = right.x, ride.m[0][1] = up.x, ride.m[0][2] = look.x;
      ride.m[1][0] = right.y, ride.m[1][1] = up.y, ride.m[1][2] = look.y;
      ride.m[2][0] = right.z, ride.m[2][1] = up.z, ride.m[2][2] = look.z;
      ride.m[3][0] = -D3DXVec3Dot(&eye, &right);
      ride.m[3][1] = -D3DXVec3Dot(&eye, &up);
      ride.m[3][2] = -D3DXVec3Dot(&eye, &look);
      ride.m[3][3] = 1;
      D3DXMATRIX roll;
      D3DXMatrixRotationYawPitchRoll(&roll, 0, 0, -thing_roll[view] * kDegrees);
      D3DXMatrixMultiply(&result, &ride, &roll);
    }
  }
  SetTransform(device, D3DTS_VIEW, &result);
}
