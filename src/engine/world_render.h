// The world of one frame: sky backdrop, stars, fogged scenery, the ship's shadow, the hit spark,
// every thing and projectile by its type, and their point lights.
#pragma once

// Draws into a begun scene with the view already set. Leaves the key and fill lights on, the
// HUD and map lights off, the frame's point lights on, ambient 0.25 grey and fog off.
void DrawWorld();
