// The frame renderer.
#pragma once

extern float spin_angle;  // degrees; +2 per frame drawn, back to 0 at 358 or more
extern float blink;       // flips between 0.0 and 1.0 per frame drawn

// Draws one frame of the current game state.
void RenderFrame();
