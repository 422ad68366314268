// Enemy behaviours: the free-flying craft and the guns. Each is one step of UpdateThings for a
// thing of its type, run after the pass's core smoke and wobble steps. They steer by speed codes,
// which the next frame's motion applies, and hold their fire while ENEMY_FIRE_LIMIT projectiles
// are live.
#pragma once

void UpdateGlowBug(int slot);        // THING_GLOW_BUG
void UpdateSpawner(int slot);        // THING_SPAWNER
void UpdateLauncher(int slot);       // THING_LAUNCHER
void UpdateParkedMissile(int slot);  // THING_MISSILE
void UpdateFighter(int slot);        // THING_FIGHTER
void UpdateFighter2(int slot);       // THING_FIGHTER_2
void UpdateCarrier(int slot);        // THING_CARRIER
void UpdateTug(int slot);            // THING_TUG
void UpdateTurret(int slot);         // THING_TURRET, THING_TURRET_2
void UpdateCannon(int slot);         // THING_CANNON
void UpdateCannon2(int slot);        // THING_CANNON_2
void UpdateLaser(int slot);          // THING_LASER, THING_LASER_DOWN, THING_LASER_UP

// Turns a turret's aim one step round the 16-point circle (|x| + |y| = 4) and its index in
// thing_param with it: direction 0 counter-clockwise on the screen (index - 1), any other value
// clockwise. A THING_TURRET_2 covers only the upper half and stops at indices 1 and 9.
void TurnAim(int slot, int direction);
