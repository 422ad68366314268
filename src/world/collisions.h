// Collisions, hits and destruction: the player's ship against barriers and things, projectiles
// against things, and a thing turned into an explosion.
#pragma once

extern int explosion_turn;  // which of the five explosion sounds played last, 0..4; per process

// The ship against the barriers and the things around it; on the other frames the fighters'
// bounce. Game frames only.
void CheckPlayerCollisions();
// Every projectile that can hit against every hittable thing. Game frames only.
void CheckProjectileHits();
// Turns a thing into an explosion in its slot: sound, fragments and smoke, links released,
// score and pickup drops. The player's ship under god_mode only keeps its hit points at 0 or
// more. Slots outside the table are ignored.
void DestroyThing(int slot);
