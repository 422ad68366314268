// Collisions, hits and destruction: the player's ship against barriers and things, projectiles
// against things, and a thing turned into an explosion.
#pragma once

// The ship against the barriers and the things around it; on the other frames the fighters'
// bounce. Game frames only.
void CheckPlayerCollisions();
// Every projectile that can hit against every hittable thing. Game frames only.
void CheckProjectileHits();
