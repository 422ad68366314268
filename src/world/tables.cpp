#include "world/tables.h"

#include <cmath>

#include "world/engine_services.h"

int thing_type[MAX_THINGS];
int thing_parent[MAX_THINGS];
float thing_anchor_x[MAX_THINGS];
float thing_anchor_y[MAX_THINGS];
float thing_x[MAX_THINGS];
float thing_y[MAX_THINGS];
int thing_vx[MAX_THINGS];
int thing_vy[MAX_THINGS];
int thing_hp[MAX_THINGS];
int thing_box_x0[MAX_THINGS];
int thing_box_y0[MAX_THINGS];
int thing_box_x1[MAX_THINGS];
int thing_box_y1[MAX_THINGS];
int thing_score[MAX_THINGS];
int thing_debris_type[MAX_THINGS];
int thing_detach_mode[MAX_THINGS];
int thing_fuse[MAX_THINGS];
int thing_param[MAX_THINGS];
int thing_fire_timer[MAX_THINGS];
int thing_fire_interval[MAX_THINGS];
int thing_timer[MAX_THINGS];
int thing_timer2[MAX_THINGS];
float thing_aim_x[MAX_THINGS];
float thing_aim_y[MAX_THINGS];
float thing_roll[MAX_THINGS];
float thing_roll_rate[MAX_THINGS];
float thing_roll_spring[MAX_THINGS];
int thing_roll_time[MAX_THINGS];

int projectile_type[MAX_PROJECTILES];
int projectile_owner[MAX_PROJECTILES];
float projectile_x[MAX_PROJECTILES];
float projectile_y[MAX_PROJECTILES];
float projectile_z[MAX_PROJECTILES];
float projectile_vx[MAX_PROJECTILES];
float projectile_vy[MAX_PROJECTILES];
float projectile_vz[MAX_PROJECTILES];
float projectile_ry[MAX_PROJECTILES];
float projectile_rx[MAX_PROJECTILES];
float projectile_rz[MAX_PROJECTILES];
float projectile_spin_y[MAX_PROJECTILES];
float projectile_spin_x[MAX_PROJECTILES];
float projectile_spin_z[MAX_PROJECTILES];
int projectile_accel_time[MAX_PROJECTILES];
int projectile_life[MAX_PROJECTILES];

int static_type[MAX_STATICS];
float static_x[MAX_STATICS];
float static_y[MAX_STATICS];
float static_z[MAX_STATICS];
float static_ry[MAX_STATICS];
float static_rx[MAX_STATICS];
float static_rz[MAX_STATICS];
float static_spin_y[MAX_STATICS];
float static_spin_x[MAX_STATICS];
float static_spin_z[MAX_STATICS];
int static_draw_order[MAX_STATICS];
int static_listed[MAX_STATICS];

int generator_type[MAX_GENERATORS];
int generator_interval[MAX_GENERATORS];
int generator_remaining[MAX_GENERATORS];
float generator_x[MAX_GENERATORS];
float generator_y[MAX_GENERATORS];
float generator_z[MAX_GENERATORS];
int generator_timer[MAX_GENERATORS];

int thing_count, thing_last;
int projectile_count, projectile_last;
int static_count, static_last;
int generator_count, generator_last;

float ceiling_x0, ceiling_x1;
float floor_x0, floor_x1;
int scroll_speed = 2;

const float speed_code_step[13] = {-3.0f, -2.0f, -1.0f, -0.5f, -0.33f, -0.25f, 0.0f,
                                   0.25f, 0.33f, 0.5f,  1.0f,  2.0f,  3.0f};

float SpeedStep(int code) {
  if (code < -6 || code > 6) return 0.0f;
  return speed_code_step[code + 6];
}

float VelocityStep(float velocity) {
  // Comparing before converting keeps NaN and huge values away from an undefined conversion.
  if (!(velocity > -7.0f && velocity < 7.0f)) return 0.0f;
  return SpeedStep(static_cast<int>(velocity));
}

float ScrollStep() {
  if (scroll_speed < 1 || scroll_speed > 6) return 0.0f;
  return speed_code_step[scroll_speed + 6];
}

namespace {

// Downward search from one below the cursor, wrapping, the cursor's own slot last.
int FindFreeSlot(const int* type, int size, int& cursor, int& count, const char* full_message) {
  int i = cursor;
  for (;;) {
    i -= 1;
    if (i < 0) i = size - 1;
    if (type[i] == 0) {
      cursor = i;
      count += 1;
      return i;
    }
    if (i == cursor) {
      ConsolePrint(full_message);
      return -1;
    }
  }
}

void FreeSlot(int* type, int size, int slot, int& count) {
  if (slot < 0 || slot >= size || type[slot] == 0) return;
  type[slot] = 0;
  count -= 1;
}

}  // namespace

int FindFreeThing() { return FindFreeSlot(thing_type, MAX_THINGS, thing_last, thing_count, "Things Expired"); }
int FindFreeProjectile() {
  return FindFreeSlot(projectile_type, MAX_PROJECTILES, projectile_last, projectile_count, "Projectiles Expired");
}
int FindFreeStatic() { return FindFreeSlot(static_type, MAX_STATICS, static_last, static_count, "Static Expired"); }
int FindFreeGenerator() {
  return FindFreeSlot(generator_type, MAX_GENERATORS, generator_last, generator_count, "Generators Expired");
}

void FreeThing(int slot) { FreeSlot(thing_type, MAX_THINGS, slot, thing_count); }
void FreeProjectile(int slot) { FreeSlot(projectile_type, MAX_PROJECTILES, slot, projectile_count); }
void FreeStatic(int slot) { FreeSlot(static_type, MAX_STATICS, slot, static_count); }
void FreeGenerator(int slot) { FreeSlot(generator_type, MAX_GENERATORS, slot, generator_count); }

void ClearThings() {
  for (int i = 0; i < MAX_THINGS; i++) {
    thing_type[i] = 0;
    thing_parent[i] = -1;
    thing_fuse[i] = 0;
  }
  thing_count = 0;
  for (int i = 0; i < MAX_PROJECTILES; i++) {
    projectile_type[i] = 0;
    projectile_owner[i] = -1;
  }
  projectile_count = 0;
  ClearStatics();
}

void ClearStatics() {
  for (int i = 0; i < MAX_STATICS; i++) static_type[i] = 0;
  static_count = 0;
  for (int i = 0; i < MAX_GENERATORS; i++) generator_type[i] = 0;
  generator_count = 0;
}
