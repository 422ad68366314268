// The projectile types, CreateProjectile and the per-frame projectile update.
#pragma once

enum ProjectileType {
  PROJ_SHOT_1 = 1,  // the player's gun shot; the type equals forward_level
  PROJ_SHOT_2 = 2,
  PROJ_SHOT_3 = 3,
  PROJ_BOMB = 10,   // the player's missiles
  PROJ_HAWK = 11,
  PROJ_DRUM = 12,
  PROJ_CROW = 13,
  PROJ_ROUND = 20,  // enemy fire
  PROJ_ROUND_2 = 21,
  PROJ_CANNON_BALL = 22,
  PROJ_MISSILE = 23,
  PROJ_DEBRIS = 30,  // effects from here on: they hit nothing
  PROJ_FRAGMENT_GREY = 31,
  PROJ_FRAGMENT_RED = 32,
  PROJ_SMOKE = 33,
  PROJ_SMOKE_2 = 34,
  PROJ_SPARKS = 35,
  PROJ_LEAF = 36,
  PROJ_SPLINTER = 37,
  PROJ_FIGHTER = 50,  // background fighters
  PROJ_FIGHTER_2 = 51,
};

// A new projectile fired by thing `owner` (-1 none). Returns the slot, or -1 when the table is full.
int CreateProjectile(int type, int owner, float x, float y, float z, float vx, float vy);
void UpdateProjectiles();
