// The thing behaviour pass: every thing acts by its type once per game frame, and the pieces
// the behaviours share.
#pragma once

// Enemies hold their fire while this many projectiles live, so the ship's fire, smoke and
// debris keep the last places of the table.
constexpr int ENEMY_FIRE_LIMIT = 292;

// For every slot from the top down: the cores' smoke, the wobble step, then the behaviour of
// the type the slot holds at that moment.
void UpdateThings();
// One puff of damage smoke, owned by the thing, dx units along from its centre, drifting with
// the ground at vertical speed vy.
void DamageSmoke(int slot, float dx, float vy);
// The wobble of one slot: swinging while thing_roll_time lasts, then dying away.
void StepWobble(int slot);
