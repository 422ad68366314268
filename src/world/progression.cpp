#include "world/progression.h"

#include "world/engine_services.h"
#include "world/game.h"
#include "world/records.h"
#include "world/tables.h"
#include "world/things.h"

// Passing a node leads to a harder one, losing the ship to an easier one.
//                                       pass           loss
const CastNode cast_graph[CAST_NODE_COUNT] = {
    {.label = "node 0", .pass = 2, .loss = CAST_GAME_OVER},
    {.label = "node 1", .pass = 6, .loss = 0},
    {.label = "node 2", .pass = 8, .loss = CAST_GAME_OVER},
    {.label = "node 3", .pass = 8, .loss = CAST_GAME_OVER},
    {.label = "node 4", .pass = 8, .loss = CAST_GAME_OVER},
    {.label = "node 5 (start)", .pass = 9, .loss = 1},
    {.label = "node 6", .pass = 10, .loss = 3},
    {.label = "node 7", .pass = 11, .loss = 4},
    {.label = "node 8 (ending)", .pass = CAST_ENDING, .loss = CAST_GAME_OVER},
    {.label = "node 9", .pass = 14, .loss = 7},
    {.label = "node 10", .pass = 13, .loss = 8},
    {.label = "node 11", .pass = 13, .loss = 8},
    {.label = "node 12", .pass = 13, .loss = 8},
    {.label = "node 13 (ending)", .pass = CAST_ENDING, .loss = CAST_GAME_OVER},
    {.label = "node 14", .pass = 15, .loss = 12},
    {.label = "node 15", .pass = 16, .loss = 13},
    {.label = "node 16 (ending)", .pass = CAST_ENDING, .loss = CAST_GAME_OVER},
};
static_assert(sizeof cast_graph / sizeof cast_graph[0] == CAST_NODE_COUNT);

namespace {

constexpr float FIELD_BOTTOM = 149.0f;  // things and projectiles below this are gone for good

bool IsCastNode(int stage) { return stage >= 0 && stage < CAST_NODE_COUNT; }

void ShowFinalResults() {
  menu_cursor = 1;
  SetGameState(STATE_FINAL_RESULTS);
}

// What has left the field stays gone: things (other than the ship, explosions, glow bugs and
// spawners) whose box reaches out of it, and projectiles outside it.
void SweepField() {
  const float width = static_cast<float>(playfield_width);
  for (int i = MAX_THINGS - 1; i >= 0; i--) {
    if (thing_type[i] <= THING_PLAYER) continue;
    if (thing_x[i] + thing_box_x1[i] < 0.0f || thing_y[i] + thing_box_y0[i] < 0.0f ||
        thing_x[i] + thing_box_x0[i] > width || thing_y[i] + thing_box_y1[i] > FIELD_BOTTOM)
      FreeThing(i);
  }
  for (int i = MAX_PROJECTILES - 1; i >= 0; i--) {
    if (projectile_type[i] == 0) continue;
    if (projectile_x[i] < 0.0f || projectile_x[i] > width || projectile_y[i] < 0.0f ||
        projectile_y[i] > FIELD_BOTTOM)
      FreeProjectile(i);
  }
}

void PassCastStage() {
  score += 25 * (current_stage + 1);
  PostHudMessage("Difficulty Up");
  AddLives(2, 5);
  ResetStage();
  int next = IsCastNode(current_stage) ? cast_graph[current_stage].pass : CAST_ENDING;
  if (next == CAST_ENDING)
    ShowFinalResults();
  else
    current_stage = next;
}

void PassSurvivalStage() {
  current_stage += 1;
  score += 25 * (current_stage + 1);
  ResetStage();
  if (current_stage < 17)
    PostHudMessage("%s %i %s", "Stage", current_stage, "Passed");
  else
    ShowFinalResults();
}

void PassRandomStage() {
  score += 25 * (current_stage + 1);
  PostHudMessage("%s %s", "Stage", "Passed");
  AddLives(2, 8);
  random_index += 1;
  if (random_index >= 0 && random_index < 17) {
    current_stage = random_order[random_index];
    ResetStage();
  } else {
    ShowFinalResults();
  }
}

}  // namespace

bool CastLossLeadsOn(int node) { return IsCastNode(node) && cast_graph[node].loss != CAST_GAME_OVER; }

void EndStage() {
  // A ship exploding in the last frames of a stage has not passed it: its explosion ends the
  // game frames and the final results take the loss.
  int player = PlayerSlot();
  if (player >= 0 && thing_type[player] == THING_EXPLOSION) return;

  SweepField();
  switch (game_mode) {
    case MODE_CAST: PassCastStage(); break;
    case MODE_SURVIVAL: PassSurvivalStage(); break;
    case MODE_RANDOM: PassRandomStage(); break;
    case MODE_BOSS_BATTLE: ShowFinalResults(); break;
    default:  // Dev Mode, or a game turned into one from the pause menu
      SetGameState(STATE_MAIN_MENU);
      menu_cursor = 0;
      break;
  }
}

void ContinueGame() {
  input_lock = 12;
  if (game_mode != MODE_CAST || !CastLossLeadsOn(current_stage)) {
    menu_cursor = 1;
    return;
  }
  current_stage = cast_graph[current_stage].loss;
  PostHudMessage("Difficulty Down");
  missile_ammo /= 2;
  ClearThings();
  ResetStage();
  SpawnPlayerShip();
  if (action_back) {
    SetGameState(STATE_CURRENT_MAP);
    PlaySoundSlot(&snd_tick_out_01, 0, 0.0f, 0.0f, 0.0f);
  } else {
    SetGameState(STATE_PLAYING);
  }
}

void EndGame() {
  name_pos = 0;
  if (game_mode < MODE_CAST || game_mode > MODE_BOSS_BATTLE || god_mode) {
    SetGameState(STATE_MAIN_MENU);
    return;
  }
  int feature = 0;
  bool alive = PlayerAlive();
  switch (game_mode) {
    case MODE_CAST:
      if (alive && !mode_unlocked[MODE_RANDOM] && (current_stage == 8 || current_stage == 13 || current_stage == 16))
        feature = FEATURE_RANDOM;
      break;
    case MODE_SURVIVAL:
      if (alive) feature = FEATURE_DEV_HINT;
      break;
    case MODE_RANDOM:
      if (!mode_unlocked[MODE_BOSS_BATTLE] && random_index > 16) feature = FEATURE_BOSS_BATTLE;
      break;
    case MODE_BOSS_BATTLE:
      if (alive && !mode_unlocked[MODE_SURVIVAL]) feature = FEATURE_SURVIVAL;
      break;
  }
  if (feature) {
    menu_cursor = feature;
    SetGameState(STATE_FEATURE_UNLOCKED);
  } else {
    InsertHighScore();
  }
}

void StoreUnlock() {
  if (menu_cursor >= 0 && menu_cursor < SCORED_MODES) mode_unlocked[menu_cursor] = 1;
  SetGameState(STATE_FINAL_RESULTS);
  menu_cursor = 1;
  SaveRecord(RECORD_UNLOCKS);
  InsertHighScore();
}

void AddLives(int lives, int most) {
  if (!PlayerAlive()) return;
  int& hp = thing_hp[PlayerSlot()];
  hp = hp + lives < most ? hp + lives : most;
}
