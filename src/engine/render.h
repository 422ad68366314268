// The frame renderer.
#pragma once

#include "platform/wintypes.h"

extern float spin_angle;  // degrees; +2 per frame drawn, back to 0 at 358 or more
extern float blink;       // flips between 0.0 and 1.0 per frame drawn
// The working rectangle every text is placed in; a field a text does not set keeps what the last
// text left in it, from this frame or an earlier one.
extern RECT text_rect;

// Draws one frame of the current game state.
void RenderFrame();
