#include "world/structures.h"

#include "world/behaviour_steps.h"
#include "world/behaviours.h"
#include "world/collisions.h"
#include "world/compounds.h"
#include "world/engine_services.h"
#include "world/game.h"
#include "world/progression.h"
#include "world/projectiles.h"
#include "world/random.h"
#include "world/tables.h"
#include "world/things.h"

namespace {

float FieldWidth() { return static_cast<float>(playfield_width); }
float FieldHalfHeight() { return static_cast<float>(playfield_half_height); }

// ---- Platforms ---------------------------------------------------------------------------------

// Whether `t` is `c` or rides on it through any chain of parents: a thing never hooks onto
// itself or onto its own parts, which would make a loop of parents.
bool RidesOn(int t, int c) {
  for (int steps = 0; IsThingSlot(t) && steps < MAX_THINGS; steps++) {
    if (t == c) return true;
    t = thing_parent[t];
  }
  return false;
}

// A mover resting free on a barrier or floating patrols between x 20 and 120 at codes 3 and -2,
// pausing at each end; after its last stop at the left end it leaves to the left.
void Patrol(int p, int c) {
  if (thing_vx[c] == 0) {
    if (CountDown(thing_timer2[p], thing_fire_interval[p])) thing_vx[c] = thing_x[c] < 50.0f ? 3 : -2;
  } else if (thing_vx[c] < 0 && thing_x[c] + static_cast<float>(thing_box_x0[c]) < FieldWidth() - 120.0f) {
    if (thing_timer[p] > 0) {
      thing_timer[p] -= 1;
      thing_vx[c] = 0;
    }
  } else if (thing_vx[c] > 0 && thing_x[c] + static_cast<float>(thing_box_x1[c]) > 120.0f) {
    thing_vx[c] = 0;
  }
}

// A mover sliding along structure t turns at each end while the platform has turns left, then
// drops off the end, rising or sinking again.
void SlideOnStructure(int p, int c, int t) {
  int& vx = thing_vx[c];
  bool past_end = (vx < 0 && thing_anchor_x[c] < static_cast<float>(thing_box_x0[t])) ||
                  (vx > 0 && thing_anchor_x[c] > static_cast<float>(thing_box_x1[t]));
  if (!past_end) return;
  if (thing_timer[p] > 0) {
    thing_timer[p] -= 1;
    vx = -vx;
    return;
  }
  thing_parent[c] = -1;
  thing_anchor_x[c] = thing_x[c];
  thing_anchor_y[c] = thing_y[c];
  vx -= thing_vx[t];
  thing_vy[c] = thing_type[p] == THING_CEILING_PLATFORM ? -4 : 4;
}

// The first structure (from a quarter of the table this frame) that the platform meets with
// its top edge (ceiling platform) or its bottom edge (the others); -1 when none.
int FindHook(int p, int c, bool ceiling) {
  float edge_y = ceiling ? thing_y[p] - 7.0f : thing_y[p] + 7.0f;
  float cx = thing_x[c];
  for (int t = MAX_THINGS - 1 - phase_4; t >= 0; t -= 4) {
    if (thing_type[t] <= THING_PLAYER || RidesOn(t, c)) continue;
    float left = thing_x[t] + static_cast<float>(thing_box_x0[t]);
    float right = thing_x[t] + static_cast<float>(thing_box_x1[t]);
    float top = thing_y[t] + static_cast<float>(thing_box_y0[t]);
    float bottom = thing_y[t] + static_cast<float>(thing_box_y1[t]);
    if (left < cx && cx < right && top <= edge_y && edge_y <= bottom) return t;
  }
  return -1;
}

void Hook(int p, int c, int t, bool ceiling) {
  thing_vy[c] = 0;
  thing_parent[c] = t;
  thing_anchor_x[c] = thing_x[c] - thing_x[t];
  thing_vx[c] += thing_vx[t];
  float carried = thing_y[c] - thing_y[p];  // the mover's height against the platform's
  if (ceiling)
    thing_anchor_y[c] = static_cast<float>(thing_box_y1[t]) + carried - static_cast<float>(thing_box_y0[p]);
  else
    thing_anchor_y[c] = static_cast<float>(thing_box_y0[t]) + carried - static_cast<float>(thing_box_y1[p]);
}

// No structure: a rising platform rests with its top edge on the ceiling line, a sinking one
// with its bottom edge on the floor line, where that barrier spans it.
void RestOnBarrier(int p, int c) {
  float x = thing_x[p], y = thing_y[p], carried = thing_y[c] - y;
  if (thing_vy[c] < 0 && y <= ceiling_y && ceiling_x0 < x && x < ceiling_x1) {
    if (thing_vx[c] == 0) thing_vx[c] = 2;
    thing_vy[c] = 0;
    thing_anchor_y[c] = ceiling_y - static_cast<float>(thing_box_y0[p]) + carried;
    return;
  }
  float floor_line = floor_y + static_cast<float>(world_shift);
  if (thing_vy[c] > 0 && y >= floor_line - static_cast<float>(thing_box_y1[p]) && floor_x0 < x && x < floor_x1) {
    if (thing_vx[c] == 0) thing_vx[c] = 2;
    thing_vy[c] = 0;
    thing_anchor_y[c] = floor_line - static_cast<float>(thing_box_y1[p]) + carried;
  }
}

// ---- Beam guns ---------------------------------------------------------------------------------

// Pushes the ship out of the beam's band and burns it once.
void Burn(int gun, int ship) {
  float y = thing_y[gun], px = thing_x[ship], py = thing_y[ship];
  if (py < y) {
    thing_anchor_y[ship] = y - 5.0f;
    action_up = 0;
  } else {
    thing_anchor_y[ship] = y + 5.0f;
    action_down = 0;
  }
  thing_hp[ship] -= 1;
  thing_vy[ship] = 0;
  thing_timer[ship] = 3;
  if (forward_level > 1) forward_level -= 1;
  if (thing_hp[ship] < 1) DestroyThing(ship);
  PlaySoundSlot(&snd_burn_01, 0, px, py, 0.0f);
}

// ---- Boss cores --------------------------------------------------------------------------------

// Add `step` to a speed code while it is short of `limit` in that direction.
void Nudge(int& code, int step, int limit) {
  if (step > 0 ? code < limit : code > limit) code += step;
}

// A core's two-band steering on one axis: below `low` push up to +limit, above `high` down to
// -limit (the first band that holds applies).
void Steer(int& code, float at, float low, float high, int step, int limit) {
  if (at < low)
    Nudge(code, step, limit);
  else if (at > high)
    Nudge(code, -step, -limit);
}

void Core0(int s) {
  if (thing_vx[s] != 0) {
    // The trigger reads 0 on one frame only, then stays below.
    if (thing_fire_timer[s] > 0)
      thing_fire_timer[s] -= 1;
    else
      thing_fire_timer[s] = -1;
    // Whole and quarter steps from a whole start pass through both values exactly.
    if (thing_x[s] == 90.0f) {
      thing_vx[s] = 1;
    } else if (thing_x[s] == 100.0f && thing_vx[s] > 0) {
      thing_vx[s] = 0;
      thing_vy[s] = Rand() % 2 == 0 ? -1 : 1;
    }
  }
  if (CountUp(thing_timer[s], 8)) {
    float ay = thing_anchor_y[s];
    if (thing_vy[s] == 0) {
      if (ay < 40.0f)
        thing_vy[s] = 1;
      else if (ay > 48.0f)
        thing_vy[s] = -1;
    } else if (ay < 40.0f || ay > 48.0f) {
      thing_vy[s] = 0;
    }
  }
}

void Core1(int s) {
  if (!CountUp(thing_timer[s], 8)) return;
  if (thing_anchor_x[s] < 90.0f && thing_vx[s] < 0) thing_vx[s] += 1;
  Steer(thing_vy[s], thing_anchor_y[s], 40.0f, 50.0f, 1, 2);
}

// Cores 2 and 6.
void Core2(int s) {
  if (CountDown(thing_timer[s], 8)) Steer(thing_vx[s], thing_anchor_x[s], 70.0f, 90.0f, 1, 2);
  if (CountDownDrawn(thing_timer2[s], 10, 25)) Steer(thing_vy[s], thing_anchor_y[s], 40.0f, 50.0f, 2, 4);
}

// A dash of 10 to 29 frames toward the other half, then 35 frames still.
void Core3(int s) {
  int& trigger = thing_fire_timer[s];
  if (trigger > -5) {
    trigger -= 1;
    if (trigger == 30) thing_vy[s] = 0;
  } else {
    trigger = 40 + Rand() % 20;
    thing_vy[s] = thing_y[s] < FieldHalfHeight() ? 4 : -4;
  }
  if (CountDown(thing_timer[s], 12)) Steer(thing_vx[s], thing_x[s], 87.0f, 97.0f, 1, 2);
}

void Core4(int s) {
  float x = thing_x[s];
  if (CountUp(thing_timer2[s], 100)) thing_vx[s] = x > FieldWidth() - 10.0f ? -1 : 1;
  if ((x < FieldWidth() - 15.0f && thing_vx[s] < 0) || (x > FieldWidth() - 5.0f && thing_vx[s] > 0)) thing_vx[s] = 0;
  if (CountDownDrawn(thing_timer[s], 60, 20))
    thing_vy[s] = thing_y[s] < FieldHalfHeight() ? 2 : -2;
  else if (thing_timer[s] == 50)
    thing_vy[s] = 0;
}

void Core5(int s) {
  if (thing_param[s] == 0 || !CountUp(thing_timer[s], 8)) return;
  float ax = thing_anchor_x[s], ay = thing_anchor_y[s];
  if (ax < FieldWidth() - 10.0f && thing_vx[s] < 1)
    thing_vx[s] += 1;
  else if (ax > FieldWidth() - 5.0f && thing_vx[s] > -1)
    thing_vx[s] -= 1;
  if (ay < 40.0f)
    thing_vy[s] = 2;
  else if (ay > 50.0f)
    thing_vy[s] = -2;
}

// Its trigger reads 0 on one frame in 121.
void Core7(int s) {
  CountDown(thing_fire_timer[s], 120);
  if (CountDown(thing_timer[s], 8)) Steer(thing_vx[s], thing_anchor_x[s], 70.0f, 90.0f, 1, 2);
  if (CountDownDrawn(thing_timer2[s], 10, 25)) Steer(thing_vy[s], thing_anchor_y[s], 40.0f, 50.0f, 1, 3);
}

void Core10(int s) {
  if (!CountUp(thing_timer[s], 8)) return;
  if (thing_anchor_x[s] < FieldWidth() - 10.0f && thing_vx[s] < 0) thing_vx[s] += 1;
  Steer(thing_vy[s], thing_anchor_y[s], 40.0f, 50.0f, 1, 1);
}

// Launches a bar above or below itself at each trigger, and throws it off to the left 5 frames
// later. thing_param holds the bar; anything but a thing slot counts as no bar held.
void Core11(int s) {
  float x = thing_x[s], y = thing_y[s];
  if (CountDown(thing_fire_timer[s], thing_fire_interval[s]) && !IsThingSlot(thing_param[s])) {
    if (y != FieldHalfHeight()) {
      bool above = y < FieldHalfHeight();
      int bar = SpawnThing(THING_PART_HORZ_X2, x - 10.0f, above ? y + 6.0f : y - 6.0f);
      thing_param[s] = bar;
      if (bar >= 0) {
        thing_vx[bar] = 0;
        thing_vy[bar] = above ? 4 : -4;
      }
    }
  }
  int bar = thing_param[s];
  if (thing_fire_timer[s] == thing_fire_interval[s] - 5 && IsThingSlot(bar)) {
    thing_vx[bar] = -4;
    thing_vy[bar] = 0;
    thing_param[s] = -1;
  }
  if (thing_timer[s] > 0)
    thing_timer[s] -= 1;
  else
    thing_vx[s] = 0;
}

void Core12(int s) {
  if (thing_param[s] == 0) return;
  CountDown(thing_fire_timer[s], 130);
  if (phase_8 == 0) Steer(thing_vy[s], thing_anchor_y[s], ceiling_y + 25.0f, floor_y - 25.0f, 1, 1);
}

void Core13(int s) {
  if (CountDown(thing_timer[s], 8)) {
    if (thing_anchor_x[s] < FieldWidth() - 20.0f)
      Nudge(thing_vx[s], 1, 2);
    else
      Nudge(thing_vx[s], -1, -2);
  }
  if (CountDownDrawn(thing_timer2[s], 10, 10)) {
    if (thing_anchor_y[s] < FieldHalfHeight())
      Nudge(thing_vy[s], 2, 4);
    else
      Nudge(thing_vy[s], -2, -4);
  }
}

void Core15(int s) {
  if (thing_parent[s] >= 0 || phase_59 != s) return;
  SetCoreWidth(s);
  float x = thing_x[s];
  if (x < FieldWidth() - 30.0f && thing_vx[s] < 0)
    thing_vx[s] = 1;
  else if (x > FieldWidth() - 20.0f && thing_vx[s] < 5)
    thing_vx[s] = -1;
}

enum CoreWidth {
  WIDTH_KEPT,     // the box stays as made
  WIDTH_REFRESH,  // SetCoreWidth on the core's phase_59 frame
};

using CoreFn = void (*)(int slot);

struct CoreRule {
  int type;
  CoreWidth width;
  CoreFn act;  // null: no movement of its own
};

// clang-format off
constexpr CoreRule core_rules[] = {
  // type             box width        movement and trigger
  {.type = THING_CORE_0,  .width = WIDTH_REFRESH, .act = Core0},
  {.type = THING_CORE_1,  .width = WIDTH_REFRESH, .act = Core1},
  {.type = THING_CORE_2,  .width = WIDTH_REFRESH, .act = Core2},
  {.type = THING_CORE_3,  .width = WIDTH_REFRESH, .act = Core3},
  {.type = THING_CORE_4,  .width = WIDTH_REFRESH, .act = Core4},
  {.type = THING_CORE_5,  .width = WIDTH_REFRESH, .act = Core5},
  {.type = THING_CORE_6,  .width = WIDTH_REFRESH, .act = Core2},
  {.type = THING_CORE_7,  .width = WIDTH_REFRESH, .act = Core7},
  {.type = THING_CORE_8,  .width = WIDTH_KEPT,    .act = nullptr},
  {.type = THING_CORE_9,  .width = WIDTH_KEPT,    .act = nullptr},
  {.type = THING_CORE_10, .width = WIDTH_REFRESH, .act = Core10},
  {.type = THING_CORE_11, .width = WIDTH_KEPT,    .act = Core11},
  {.type = THING_CORE_12, .width = WIDTH_KEPT,    .act = Core12},
  {.type = THING_CORE_13, .width = WIDTH_KEPT,    .act = Core13},
  {.type = THING_CORE_14, .width = WIDTH_KEPT,    .act = nullptr},
  {.type = THING_CORE_15, .width = WIDTH_KEPT,    .act = Core15},  // refreshes its own, only while free
};
// clang-format on
static_assert(sizeof core_rules / sizeof core_rules[0] == THING_CORE_15 - THING_CORE_0 + 1);
constexpr bool CoreRulesInTypeOrder() {
  for (int i = 0; i <= THING_CORE_15 - THING_CORE_0; i++)
    if (core_rules[i].type != THING_CORE_0 + i) return false;
  return true;
}
static_assert(CoreRulesInTypeOrder(), "core_rules is indexed by core number");

// ---- Explosions --------------------------------------------------------------------------------

// The ship's explosion is over: the final results take the loss. At a Cast Mode node whose loss
// leads on, the continue gets a ship's worth of lives; elsewhere the game is over.
void EndOfShip(int ship) {
  SetGameState(STATE_FINAL_RESULTS);
  menu_cursor = 0;
  thing_timer[0] = 20;  // the final results' continue countdown
  if (game_mode == MODE_CAST) thing_hp[ship] = CastLossLeadsOn(current_stage) ? 5 : 0;
}

}  // namespace

void UpdatePlatform(int p) {
  if (thing_type[p] == THING_WIDE_PLATFORM && thing_hp[p] < 5) DamageSmoke(p, 0.0f, -3.0f);
  int c = thing_param[p];
  if (c < 0) return;            // switched off
  if (!IsThingSlot(c)) c = p;   // names no thing: it carries nothing and moves itself
  if (thing_vy[c] == 0 && thing_parent[c] < 0) {
    Patrol(p, c);
    return;
  }
  int t = thing_parent[c];
  if (IsThingSlot(t) && thing_vx[c] != 0) SlideOnStructure(p, c, t);
  if (thing_vy[c] == 0) return;
  bool ceiling = thing_type[p] == THING_CEILING_PLATFORM;
  int hook = FindHook(p, c, ceiling);
  if (hook >= 0)
    Hook(p, c, hook, ceiling);
  else
    RestOnBarrier(p, c);
}

bool BeamGunFiring(int slot) {
  if (!IsThingSlot(slot)) return false;
  int beam = thing_fire_timer[slot];
  int core = thing_param[slot];
  return beam > 0 && (!IsThingSlot(core) || beam < thing_fire_interval[core]);
}

void UpdateBeamGun(int g) {
  if (thing_hp[g] < 6) DamageSmoke(g, 0.0f, 0.0f);
  int& beam = thing_fire_timer[g];
  int core = thing_param[g];
  if (IsThingSlot(core)) {
    // A linked gun's timer keeps falling until the core triggers it again.
    if (thing_fire_timer[core] == 0) {
      beam = thing_fire_interval[core] + 20;
      PlaySoundSlot(&snd_beam_gun_01, 0, 0.0f, 0.0f, 0.0f);
    } else {
      beam -= 1;
    }
    if (beam == thing_fire_interval[core]) {
      PlaySoundSlot(&snd_beam_gun_02, 0, 0.0f, 0.0f, 0.0f);
      PlaySoundSlot(&snd_beam_gun_03, 0, 0.0f, 0.0f, 0.0f);
    }
  } else if (beam > 0) {
    beam -= 1;  // cut off from its core, it burns out what is left
  }
  if (beam == 13) PlaySoundSlot(&snd_beam_gun_04, 0, 0.0f, 0.0f, 0.0f);
  if (beam == 11) {
    StopSoundSlot(&snd_beam_gun_02);
    StopSoundSlot(&snd_beam_gun_03);
  }
  if (!BeamGunFiring(g)) return;
  // The beam reaches left across the whole field; only a ship still flying is burnt.
  int ship = PlayerSlot();
  if (ship < 0 || thing_type[ship] != THING_PLAYER) return;
  float y = thing_y[g];
  if (y - 4.0f < thing_y[ship] && thing_y[ship] < y + 4.0f && thing_x[ship] < thing_x[g]) Burn(g, ship);
}

void UpdatePartVert(int slot) {
  if (thing_hp[slot] < 5) DamageSmoke(slot, 0.0f, 0.0f);
}

// A sliding post crosses its parent between offsets -9 and 9, starting a crossing every 201
// frames and stopping just past either end.
void UpdatePartVert2(int slot) {
  if (thing_param[slot] == 0 || thing_parent[slot] < 0) return;
  if (CountUp(thing_timer[slot], 200)) {
    if (thing_anchor_x[slot] >= 0.0f) {
      thing_anchor_x[slot] = 9.0f;
      thing_vx[slot] = -1;
    } else {
      thing_anchor_x[slot] = -9.0f;
      thing_vx[slot] = 1;
    }
  } else if (thing_anchor_x[slot] < -9.0f || thing_anchor_x[slot] > 9.0f) {
    thing_vx[slot] = 0;
  }
}

// A bobbing bar turns its vertical motion every 31 frames, the first time 16 frames after it
// was made.
void UpdatePartHorzX2(int slot) {
  if (thing_param[slot] == 0) return;
  if (thing_timer[slot] < 15) {
    thing_timer[slot] += 1;
  } else {
    thing_timer[slot] = -15;
    thing_vy[slot] = -thing_vy[slot];
  }
}

void UpdatePartJoint(int slot) {
  if (thing_parent[slot] < 0) return;
  int& vy = thing_vy[slot];
  if (thing_param[slot] == 1) {
    // Bobs within 4 units of its rest offset.
    float rest = thing_aim_y[slot];
    if (thing_anchor_y[slot] < rest - 4.0f || thing_anchor_y[slot] > rest + 4.0f) vy = -vy;
    return;
  }
  // Steps between offsets -4 and 4 from its parent's centre by a five-step pattern.
  int offset = static_cast<int>(thing_anchor_y[slot]);
  if ((vy < 0 && offset == -4) || (vy > 0 && offset == 4)) vy = 0;
  if (!CountDown(thing_timer[slot], 100)) return;
  int& step = thing_timer2[slot];
  step = step < 4 ? step + 1 : 0;
  bool up = thing_param[slot] == 2 ? step == 0 || step == 1 || step == 3 : step == 1 || step == 4;
  if (up) {
    if (offset > -4) vy = -2;
  } else if (offset < 4) {
    vy = 2;
  }
}

// A falling segment lands on the floor line, drifts with the ground and breaks up 7 frames on.
void UpdateTreeSegment(int slot) {
  float ground = floor_y - static_cast<float>(thing_box_y1[slot]);
  if (thing_parent[slot] < 0 && thing_vy[slot] > 0 && thing_anchor_y[slot] >= ground) {
    thing_vx[slot] = -scroll_speed;
    thing_vy[slot] = 0;
    thing_fuse[slot] = 8;
    thing_anchor_y[slot] = ground;
  }
}

void UpdateCore(int slot) {
  int type = thing_type[slot];
  if (type < THING_CORE_0 || type > THING_CORE_15) return;
  const CoreRule& rule = core_rules[type - THING_CORE_0];
  // Once in 59 frames, by slot, rather than on every hit; a core in slot 59 keeps its box.
  if (rule.width == WIDTH_REFRESH && phase_59 == slot) SetCoreWidth(slot);
  if (rule.act) rule.act(slot);
}

// A pickup slows by one code every 8 frames until it drifts left; a missile pickup also shows
// the next missile kind every thing_fire_interval + 1 frames.
void UpdatePickup(int slot) {
  if (phase_8 == 0 && thing_vx[slot] > -4) thing_vx[slot] -= 1;
  if (thing_type[slot] != THING_POW_MISSILE) return;
  if (CountDown(thing_fire_timer[slot], thing_fire_interval[slot]))
    thing_param[slot] = thing_param[slot] < PROJ_CROW ? thing_param[slot] + 1 : PROJ_BOMB;
}

void UpdateExplosion(int slot) {
  if (thing_timer[slot] > 0) {
    thing_timer[slot] -= 1;
    thing_anchor_x[slot] -= static_cast<float>(scroll_speed);  // the code itself, not its distance
    return;
  }
  // The ship's explosion stays in its slot: the state change stops the game frames.
  if (slot == PlayerSlot())
    EndOfShip(slot);
  else
    FreeThing(slot);
}
