// The title background of the menus: the title stage's world, five rows of turning ark rings
// with eight spokes each, the launch spoke of the middle row drawn from the values the title
// stage animates, and last the HUD.
#pragma once

// Draws into a begun scene through the camera the title stage placed. Ends in the HUD view with
// only the HUD light on.
void DrawTitleScene();
