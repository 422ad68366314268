// Small steps that the enemy and structure behaviours share: the two timer forms, the enemy-fire
// limit test, the checked reads of a linked slot and of the player's position.
#pragma once

// Countdown with reload n: while above 0 it loses 1; a call that finds it at 0 or below reloads
// it with n and returns true. It acts once every n + 1 frames.
bool CountDown(int& timer, int reload);
// The same countdown with a reload drawn when it acts: base + Rand() % spread.
bool CountDownDrawn(int& timer, int base, int spread);
// Count-up to n: while below n it gains 1; a call that finds it at n or above sets it to 0 and
// returns true. It also acts once every n + 1 frames.
bool CountUp(int& timer, int limit);

// Whether enemy fire may add a projectile this moment (fewer than ENEMY_FIRE_LIMIT live).
bool EnemyFireAllowed();

// A value read from thing_param or thing_parent names a thing slot only when it lies in the
// table; anything else counts as no link.
bool IsThingSlot(int slot);

// The position the enemies aim at: the player's ship, or the explosion that replaced it. False
// when there is none (the fields are left alone).
bool PlayerPosition(float& px, float& py);
