#include "world/scenery.h"

#include "world/engine_services.h"
#include "world/game.h"
#include "world/random.h"
#include "world/tables.h"

namespace {

constexpr int DEEPEST = 500;

// The depth a static is sorted by: its z truncated, held to 0..500 so that every live static has
// a place in the draw order (one outside would leave a stale entry among the drawn ones).
int SortDepth(float z) {
  if (!(z < static_cast<float>(DEEPEST + 1))) return DEEPEST;  // also NaN
  if (z <= -1.0f) return 0;
  return static_cast<int>(z);
}

}  // namespace

int CreateStatic(int type, float x, float y, float z) {
  if (type <= 0) return -1;  // would be counted live in a slot that reads as free
  int s = FindFreeStatic();  // counts the new static
  if (s < 0) return -1;
  static_type[s] = type;
  static_x[s] = x == 0.0f ? spawn_line_x : x;
  static_y[s] = y;
  static_z[s] = z;
  static_ry[s] = static_rx[s] = static_rz[s] = 0.0f;
  static_spin_y[s] = static_spin_x[s] = static_spin_z[s] = 0.0f;
  switch (type) {
    case STATIC_ROCK_1:
      static_ry[s] = static_cast<float>(Rand() % 360);
      break;
    case STATIC_ROCK_2:
    case STATIC_ROCK_3:
      static_ry[s] = static_cast<float>(Rand() % 360);
      static_rx[s] = static_cast<float>(Rand() % 360);
      static_rz[s] = static_cast<float>(Rand() % 360);
      break;
    case STATIC_METAL_SURFACE_TURNED:
      static_rx[s] = 90.0f;
      break;
    case STATIC_ARK_PART_PAD:
      static_spin_y[s] = static_cast<float>(Rand() % 4 - 2) / 8.0f;
      static_spin_x[s] = static_cast<float>(Rand() % 4 - 2) / 8.0f;
      static_spin_z[s] = static_cast<float>(Rand() % 4 - 2) / 8.0f;
      break;
    default:
      break;
  }
  SortStatics();
  return s;
}

void UpdateStatics() {
  for (int s = MAX_STATICS - 1; s >= 0; s--) {
    if (static_type[s] == 0) continue;
    // Deeper statics are seen farther left; behind the menus none is ever removed.
    if (static_x[s] >= -static_z[s] - static_cast<float>(playfield_half_width) || !in_game) {
      static_ry[s] += static_spin_y[s];
      static_rx[s] += static_spin_x[s];
      static_rz[s] += static_spin_z[s];
      static_x[s] -= ScrollStep();
      if (world_shift < world_shift_target) static_y[s] += 1.0f;
      if (world_shift > world_shift_target) static_y[s] -= 1.0f;
    } else {
      FreeStatic(s);
      SortStatics();
    }
  }
}

void SortStatics() {
  int depth[MAX_STATICS];
  for (int i = 0; i < MAX_STATICS; i++) {
    static_listed[i] = 0;
    depth[i] = SortDepth(static_z[i]);
  }
  int n = 0;
  for (int d = DEEPEST; d >= 0; d--) {
    for (int i = 0; i < MAX_STATICS; i++) {
      if (static_type[i] != 0 && depth[i] == d && !static_listed[i]) {
        static_draw_order[n++] = i;
        static_listed[i] = 1;
      }
    }
  }
}

void CreateGenerator(int type, int interval, int count, float x, float y, float z) {
  if (type <= 0) return;  // would be counted live in a slot that reads as free
  int g = FindFreeGenerator();
  if (g < 0) return;
  generator_type[g] = type;
  generator_interval[g] = interval;
  generator_remaining[g] = count;
  generator_x[g] = x;
  generator_y[g] = y;
  generator_z[g] = z;
  generator_timer[g] = 0;  // the first static comes on the next game frame
}

void UpdateGenerators() {
  for (int g = MAX_GENERATORS - 1; g >= 0; g--) {
    if (generator_type[g] == 0) continue;
    if (generator_timer[g] < 1) {
      CreateStatic(generator_type[g], spawn_line_x + generator_x[g], generator_y[g], generator_z[g]);
      generator_remaining[g] -= 1;
      if (generator_remaining[g] < 1) {
        FreeGenerator(g);
      } else {
        generator_timer[g] = generator_interval[g];
      }
    }
    generator_timer[g] -= 1;
  }
}
