// The device's lights and the view: eight per-frame point lights, the four fixed lights and
// the ambient colour, and the cameras of the game frame, the HUD, the map and the title scene.
// SetLightColor, SetCameraLook and SetCameraOrbit are declared with the world's services.
#pragma once

#include "platform/gfx.h"
#include "world/engine_services.h"  // the light ids, the view ids and the camera placements

constexpr int POINT_LIGHT_MAX = 8;

extern D3DXVECTOR3 up_vector;  // (0, 1, 0); the thing camera writes its re-orthonormalised up back
extern D3DLIGHT8 point_lights[POINT_LIGHT_MAX];  // device lights 0..7
extern int light_count;                          // point lights added this frame
extern D3DLIGHT8 key_light, fill_light, hud_light, map_light;

// Sets up every light record and sends it to the device; after every device creation.
void InitLights();
// Adds a point light at a playfield position while the frame's budget allows.
void AddPointLight(float x, float y, float z, float r, float g, float b, float range);
// Switches the point lights off; the next frame starts from none.
void DisableLights();
// Sets the view of a view id (above, or 0 to 59 for a camera riding on that thing slot).
void SetView(int view);
