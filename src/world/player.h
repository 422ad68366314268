// The player's ship: steering inside the playfield, the forward gun, the four missile kinds,
// and the hit flash that the world render shows.
#pragma once

// One frame of the ship's behaviour (a step of UpdateThings).
void UpdatePlayerShip(int slot);
// The hit flash on one drawn frame of the ship: 1 while it lasts (the timer is counted down),
// else 0. The world render calls it for every THING_PLAYER it draws.
int CountDownHitFlash(int slot);
