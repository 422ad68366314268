// The head-up display over the world: while a game runs the instrument panel with the lives, the
// gun level and the missiles with their turning models; while none runs the maker's logo; then
// the game world's centred message, fading.
#pragma once

// Draws into a begun scene after the world and DisableLights. Leaves the HUD view with only the
// HUD light on among the key, fill and HUD lights; the map light as it was.
void DrawHud();
