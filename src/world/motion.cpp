#include "world/motion.h"

#include <initializer_list>

#include "world/collisions.h"
#include "world/engine_services.h"
#include "world/game.h"
#include "world/random.h"
#include "world/tables.h"
#include "world/things.h"

namespace {

// At or below the given y (y grows downward): 1, else -1.
int TowardFrom(float y, float from_y) { return y >= from_y ? 1 : -1; }

// What a thing does on the pass that finds its parent gone: x and y are its own position, the
// parent's what is still held in the parent's slot.
void ApplyDetachMode(int t, float parent_x, float parent_y) {
  float x = thing_x[t], y = thing_y[t];
  switch (thing_detach_mode[t]) {
    case DETACH_BREAK:
      thing_fuse[t] = 3;
      thing_vx[t] = -scroll_speed;
      thing_vy[t] = 0;
      break;
    case DETACH_TUMBLE:
      thing_fuse[t] = 10 + Rand() % 20;
      thing_vx[t] = -1;
      thing_vy[t] = TowardFrom(y, parent_y);
      break;
    case DETACH_SLIDE:
      thing_fuse[t] = 50;
      thing_vx[t] = -1;
      if (y >= parent_y) {
        thing_vy[t] = y >= 80.0f ? 0 : 1;
      } else {
        thing_vy[t] = y <= 20.0f ? 0 : -1;
      }
      break;
    case DETACH_FLOAT:
      thing_vx[t] = -1;
      thing_vy[t] = TowardFrom(y, parent_y);
      break;
    case DETACH_FALL:
      thing_vx[t] = 1 - scroll_speed;
      thing_vy[t] = 4;
      break;
    case DETACH_PLATFORM:
      thing_vx[t] = x >= parent_x ? 2 : -2;
      if (thing_param[t] != -1) thing_vy[t] = thing_type[t] == THING_CEILING_PLATFORM ? -4 : 4;
      thing_fuse[t] = 20 + Rand() % 20;
      thing_param[t] = t;  // carries nothing now
      thing_timer[t] = 0;
      break;
    case DETACH_BEAM_GUN:
      thing_fuse[t] = 20;
      if (thing_fire_timer[t] > 0) {
        thing_vx[t] = 6;  // a firing gun is flung forward
        thing_fire_timer[t] = 10;
      } else {
        thing_vx[t] = -1;
        thing_param[t] = -1;
      }
      thing_vy[t] = y >= parent_y ? 2 : -2;
      break;
    case DETACH_FLEE: {
      thing_fuse[t] = 10 + Rand() % 10;
      int ship = PlayerSlot();
      float ship_y = ship >= 0 ? thing_y[ship] : static_cast<float>(playfield_half_height);
      thing_vx[t] = -1;
      thing_vy[t] = TowardFrom(y, ship_y);
      break;
    }
    default:
      break;  // it only becomes free-standing
  }
}

// A free-standing thing: the left-edge exit, then its fuse.
void MoveFree(int t) {
  thing_x[t] = thing_anchor_x[t];
  thing_y[t] = thing_anchor_y[t];
  if (thing_x[t] < -20.0f && thing_x[t] + static_cast<float>(thing_box_x1[t]) + 5.0f < -20.0f && thing_vx[t] < 0) {
    FreeThing(t);
    return;
  }
  if (thing_fuse[t] > 0) {
    thing_fuse[t] -= 1;
    if (thing_fuse[t] == 1) DestroyThing(t);
  }
}

// A thing whose parent has gone stays where it was drawn, or vanishes when it is already off
// the field's left edge. An explosion only comes loose: its detach mode belongs to what it was.
void Detach(int t) {
  if (thing_x[t] + static_cast<float>(thing_box_x1[t]) > 0.0f) {
    thing_anchor_x[t] = thing_x[t];
    thing_anchor_y[t] = thing_y[t];
    int parent = thing_parent[t];
    bool known = parent < MAX_THINGS;  // a slot beyond the table left no position: use its own
    float parent_x = known ? thing_x[parent] : thing_x[t];
    float parent_y = known ? thing_y[parent] : thing_y[t];
    if (thing_type[t] != THING_EXPLOSION) ApplyDetachMode(t, parent_x, parent_y);
    thing_parent[t] = -1;
  } else {
    FreeThing(t);
  }
}

}  // namespace

void MoveThings() {
  for (int t = MAX_THINGS - 1; t >= 0; t--) {
    if (thing_type[t] <= 0) continue;
    thing_anchor_x[t] += SpeedStep(thing_vx[t]);
    if (thing_vy[t] >= -5 && thing_vy[t] <= 5) thing_anchor_y[t] += SpeedStep(thing_vy[t]);
    int parent = thing_parent[t];
    if (parent < 0) {
      MoveFree(t);
    } else if (parent >= MAX_THINGS || thing_type[parent] <= 4) {
      Detach(t);
    } else {
      thing_x[t] = thing_x[parent] + thing_anchor_x[t];
      thing_y[t] = thing_y[parent] + thing_anchor_y[t];
    }
  }
  ScrollBarriers();
}

void ScrollBarriers() {
  float step = ScrollStep();
  float edge = -static_cast<float>(playfield_width);
  for (float* end : {&ceiling_x0, &ceiling_x1, &floor_x0, &floor_x1})
    if (edge < *end) *end -= step;
}
